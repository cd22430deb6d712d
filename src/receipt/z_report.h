#pragma once

#include <string>
#include <vector>

#include <pugixml.hpp>

namespace dodu {

// The Z report request: which till closes its day and what text to print with it.
class kZReport {
 public:
  // Reads the ZReport element of a request; a request without one leaves the object as it is.
  void Deserialize(const pugi::xml_document& aXmlDocument);

  std::string fStoreCode;
  std::string fTillCode;
  bool fPrintText = false;
  std::vector<std::string> fText;
};

}  // namespace dodu

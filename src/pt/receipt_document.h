#pragma once

#include <string>

#include <pugixml.hpp>

namespace dodu {

// A request or stored document parsed for editing: the first "Receipt" child of its root is
// the element the processor changes, and Text() is the whole document again.
class ReceiptDocument {
 public:
  // Raises when the text is no XML or has no Receipt element; aWhat names the text in the error.
  ReceiptDocument(const std::string& aXml, const std::string& aWhat);

  pugi::xml_node Receipt() const { return fReceipt; }
  std::string Text() const;

 private:
  pugi::xml_document fDocument;
  pugi::xml_node fReceipt;
};

}  // namespace dodu

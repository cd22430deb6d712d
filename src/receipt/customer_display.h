#pragma once

#include <pugixml.hpp>

#include "receipt/receipt_message_line.h"

namespace dodu {

// Text for the customer display.
class kCustomerDisplay {
 public:
  // Reads the Display element of a request; raises "Display node not found" without one.
  void Deserialize(const pugi::xml_document& aXmlDocument);

  bool fClear = false;
  kReceiptMessageLines fLines;  // text lines without an owner
};

}  // namespace dodu

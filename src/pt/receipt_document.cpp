#include "pt/receipt_document.h"

#include <sstream>

#include "base/error.h"

namespace dodu {

ReceiptDocument::ReceiptDocument(const std::string& aXml, const std::string& aWhat) {
  pugi::xml_parse_result parsed = fDocument.load_string(aXml.c_str(), pugi::parse_default | pugi::parse_declaration);
  if (!parsed) {
    throw Error("XML parse error in the " + aWhat + ": " + parsed.description() + " at offset " +
                std::to_string(parsed.offset));
  }
  fReceipt = fDocument.document_element().child("Receipt");
  if (!fReceipt) throw Error("Receipt node not found in the " + aWhat);
}

std::string ReceiptDocument::Text() const {
  std::ostringstream out;
  fDocument.save(out, "  ", pugi::format_default | pugi::format_no_declaration, pugi::encoding_utf8);
  return out.str();
}

}  // namespace dodu

#include "receipt/z_report.h"

#include "receipt/receipt_util.h"
#include "receipt/request_element.h"

namespace dodu {

namespace {

// Lines split at CR LF, CR or LF; a final line break does not start another line.
std::vector<std::string> SplitLines(const std::string& aText) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < aText.size()) {
    size_t end = aText.find_first_of("\r\n", start);
    if (end == std::string::npos) {
      lines.push_back(aText.substr(start));
      break;
    }
    lines.push_back(aText.substr(start, end - start));
    start = end + (aText.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

}  // namespace

void kZReport::Deserialize(const pugi::xml_document& aXmlDocument) {
  using U = krptUtil;
  const pugi::xml_node node = FindRequestDocument(aXmlDocument, "ZReport");
  if (!node) return;
  fStoreCode = U::GetNodeValueAsString(node, "StoreCode");
  fTillCode = U::GetNodeValueAsString(node, "TillCode");
  fPrintText = U::GetNodeValueAsBoolean(node, "PrintText", false);
  fText = SplitLines(U::GetNodeValueAsString(node, "Text"));
}

}  // namespace dodu

#include "receipt/customer_display.h"

#include <memory>

#include "receipt/receipt_util.h"
#include "receipt/request_element.h"

namespace dodu {

void kCustomerDisplay::Deserialize(const pugi::xml_document& aXmlDocument) {
  using U = krptUtil;
  const pugi::xml_node node = RequireRequestDocument(aXmlDocument, "Display");
  fClear = U::GetNodeValueAsBoolean(node, "Clear", false);
  for (pugi::xml_node child : U::FindNode(node, "Lines").children()) {
    if (child.type() != pugi::node_element || std::string_view(child.name()) != "Text") continue;
    auto line = std::make_unique<kReceiptMessageTextLine>();
    line->fValue = U::GetNodeValueAsString(child, "Value");
    line->fAlignment = U::DecodeAlignment(U::GetNodeValueAsString(child, "Alignment"));
    fLines.Add(std::move(line));
  }
}

}  // namespace dodu

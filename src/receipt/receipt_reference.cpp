#include "receipt/receipt_reference.h"

#include "receipt/receipt_util.h"
#include "receipt/request_element.h"

namespace dodu {

void kReceiptReference::Deserialize(const pugi::xml_document& aXmlDocument) {
  using U = krptUtil;
  const pugi::xml_node node = RequireRequestDocument(aXmlDocument, "ReceiptReference");
  fReceiptType = U::DecodeReceiptType(U::GetNodeValueAsString(node, "ReceiptType"));
  if (U::HasNode(node, "EJNumber")) fEJNumber = U::GetNodeValueAsString(node, "EJNumber");
  if (U::HasNode(node, "EJClosingNumber")) fEJClosingNumber = U::GetNodeValueAsString(node, "EJClosingNumber");
  // Unlike the receipt, an empty date-time element here means "not given".
  if (!U::GetNodeValueAsString(node, "ReceiptDateTime").empty())
    fReceiptDateTime = U::GetNodeValueAsDateTime(node, "ReceiptDateTime");
  fReceiptNumber = U::GetNodeValueAsString(node, "ReceiptNumber");
  if (U::HasNode(node, "DeviceSerialNumber"))
    fDeviceSerialNumber = U::GetNodeValueAsString(node, "DeviceSerialNumber");
}

}  // namespace dodu

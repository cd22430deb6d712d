#include "receipt/payment_receipt.h"

#include "base/error.h"
#include "receipt/receipt_util.h"
#include "receipt/request_element.h"

namespace dodu {

void kPaymentReceipt::Deserialize(const pugi::xml_document& aXmlDocument) {
  using U = krptUtil;
  const pugi::xml_node node = RequireRequestDocument(aXmlDocument, "Payment");
  const int32_t copies = U::GetNodeValueAsInteger(node, "Copies");
  fCopies = copies > 0 ? copies : 0;
  fStoreCode = U::GetNodeValueAsString(node, "StoreCode");
  fTillCode = U::GetNodeValueAsString(node, "TillCode");
  fReference = U::GetNodeValueAsString(node, "Reference");
  fAmount = U::GetNodeValueAsCurrency(node, "Amount");
  fCurrency = U::GetNodeValueAsString(node, "Currency");
  fReceiptId = U::GetNodeValueAsString(node, "ReceiptId");
  // Exact, upper-case codes only.
  const std::string location = U::GetNodeValueAsString(node, "PrintLocation");
  if (location == "EFT")
    fPrintLocation = pl_EFT;
  else if (location == "ECR")
    fPrintLocation = pl_ECR;
  else if (!location.empty())
    throw Error("Payment Location " + location + " invalid. Allowed values are: ECR,EFT.");
}

}  // namespace dodu

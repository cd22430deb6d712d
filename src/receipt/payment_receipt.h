#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/amount.h"
#include "receipt/receipt_types.h"

namespace dodu {

// The receipt of an electronic payment, printed by the till or by the payment terminal.
class kPaymentReceipt {
 public:
  // Reads the Payment element of a request; raises "Payment node not found" without one.
  // fReceiptLines and fRawResponse are left alone: they hold the terminal's answer.
  void Deserialize(const pugi::xml_document& aXmlDocument);

  std::string fStoreCode;
  std::string fTillCode;
  std::string fReference;
  Amount fAmount;
  std::string fCurrency;
  QvPrintLocation fPrintLocation = pl_ECR;
  int32_t fCopies = 0;
  std::vector<std::string> fReceiptLines;
  std::string fRawResponse;
  std::string fReceiptId;
};

}  // namespace dodu

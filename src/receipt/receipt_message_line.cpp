#include "receipt/receipt_message_line.h"

#include "receipt/nf_receipt.h"
#include "receipt/receipt.h"
#include "receipt/receipt_util.h"

namespace dodu {

std::string kReceiptMessageTextLine::Value() const {
  if ((fOwner != nullptr && fOwner->fSupportSpecialChars) || (fNFOwner != nullptr && fNFOwner->fSupportSpecialChars))
    return fValue;
  return krptUtil::NormalizeText(fValue);
}

}  // namespace dodu

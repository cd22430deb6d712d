#include "pt/signature_chain.h"

#include "base/conversions.h"
#include "base/error.h"

namespace dodu {

std::string BuildSignedText(DateTime aBusinessDate, DateTime aSystemEntryDateTime, const std::string& aInvoiceNumber,
                            Amount aTotalAmount, const std::string& aPreviousSignature) {
  return DateToXmlText(aBusinessDate) + ";" + DateTimeToXmlText(false, aSystemEntryDateTime) + ";" + aInvoiceNumber +
         ";" + aTotalAmount.Abs().ToFixed(2) + ";" + aPreviousSignature;
}

std::string ShortHash(const std::string& aSignature) {
  if (aSignature.size() < 31) throw Error("Signature too short for the printed hash characters");
  return {aSignature[0], aSignature[10], aSignature[20], aSignature[30]};
}

DateTime WholeSeconds(DateTime aValue) {
  DateTimeFields fields = DecodeDateTime(aValue);
  fields.millisecond = 0;
  return EncodeDateTime(fields);
}

}  // namespace dodu

#include "db/vat_amounts.h"

#include <limits>
#include <string>

#include "base/error.h"
#include "db/vendizio_proxy.h"

namespace dodu {

namespace {

using Wide = __int128;

constexpr Wide kHundredPercent = Wide{100} * Amount::kScale;  // 100 % in ten-thousandths
constexpr int64_t kRawPerCent = Amount::kScale / 100;

// aNumerator / aDenominator to the nearest integer, ties to the even one.
Wide DivideTiesToEven(Wide aNumerator, Wide aDenominator) {
  if (aDenominator < 0) aNumerator = -aNumerator, aDenominator = -aDenominator;
  Wide quotient = aNumerator / aDenominator;
  Wide remainder = aNumerator % aDenominator;
  if (remainder < 0) remainder += aDenominator, --quotient;
  const Wide twice = 2 * remainder;
  if (twice > aDenominator || (twice == aDenominator && quotient % 2 != 0)) ++quotient;
  return quotient;
}

Amount FromWideRaw(Wide aRaw) {
  if (aRaw > std::numeric_limits<int64_t>::max() || aRaw < std::numeric_limits<int64_t>::min())
    throw Error("Amount out of range");
  return Amount::FromRaw(static_cast<int64_t>(aRaw));
}

}  // namespace

Amount AmountWithoutVAT(Amount aValue, Amount aRate) {
  const Wide divisor = kHundredPercent + aRate.Raw();
  if (divisor == 0) throw Error("VAT rate of -100 % has no amount without VAT");
  const Wide cents = DivideTiesToEven(Wide{aValue.Raw()} * kHundredPercent, divisor * kRawPerCent);
  return FromWideRaw(cents * kRawPerCent);
}

Amount AmountWithVAT(Amount aValue, Amount aRate) {
  const Wide cents =
      DivideTiesToEven(Wide{aValue.Raw()} * (kHundredPercent + aRate.Raw()), kHundredPercent * kRawPerCent);
  return FromWideRaw(cents * kRawPerCent);
}

Amount MarginPercent(Amount aCost, Amount aNetPrice) {
  if (aNetPrice.IsZero()) return Amount();
  return FromWideRaw(
      DivideTiesToEven((Wide{aNetPrice.Raw()} - aCost.Raw()) * kHundredPercent, Wide{aNetPrice.Raw()}));
}

Amount tQV_VendizioProxy::VATRate(const std::string& aVATCode) {
  auto rate = GetTabel("ALIV", {aVATCode});
  if (rate->Eof()) throw Error("VAT code [" + aVATCode + "] not found in ALIV");
  return rate->FieldByName("T_ALIV_PRC").AsAmount();
}

Amount tQV_VendizioProxy::RemoveVAT(Amount aValue, const std::string& aVATCode) {
  return AmountWithoutVAT(aValue, VATRate(aVATCode));
}

Amount tQV_VendizioProxy::IncludeVAT(Amount aValue, const std::string& aVATCode) {
  return AmountWithVAT(aValue, VATRate(aVATCode));
}

Amount tQV_VendizioProxy::GrossMargin(Amount aCost, Amount aPrice, bool aVATIncluded, const std::string& aVatCode) {
  return MarginPercent(aCost, aVATIncluded ? RemoveVAT(aPrice, aVatCode) : aPrice);
}

}  // namespace dodu

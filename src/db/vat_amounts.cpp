#include "db/vat_amounts.h"

#include <cstdint>
#include <limits>
#include <string>

#include "base/error.h"
#include "db/vendizio_proxy.h"

namespace dodu {

namespace {

constexpr uint64_t kHundredPercent = 100 * Amount::kScale;  // 100 % in ten-thousandths
constexpr uint64_t kRawPerCent = Amount::kScale / 100;

// An unsigned 128-bit product, in two halves: 32-bit compilers have no wider integer type.
struct Product {
  uint64_t high = 0;
  uint64_t low = 0;
};

Product Multiply(uint64_t a, uint64_t b) {
  const uint64_t a_low = a & 0xFFFFFFFFu, a_high = a >> 32, b_low = b & 0xFFFFFFFFu, b_high = b >> 32;
  const uint64_t low_low = a_low * b_low, low_high = a_low * b_high, high_low = a_high * b_low;
  const uint64_t middle = (low_low >> 32) + (low_high & 0xFFFFFFFFu) + (high_low & 0xFFFFFFFFu);
  Product p;
  p.low = (middle << 32) | (low_low & 0xFFFFFFFFu);
  p.high = a_high * b_high + (low_high >> 32) + (high_low >> 32) + (middle >> 32);
  return p;
}

uint64_t Magnitude(int64_t value) { return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value); }

// (a × b) / divisor of magnitudes, to the nearest integer with ties to the even one; the sign is
// negative when `negative`. Raises when the result leaves the amount's range.
Amount MultiplyDivide(uint64_t a, uint64_t b, uint64_t divisor, bool negative) {
  if (divisor == 0) throw Error("Division by zero");
  const Product n = Multiply(a, b);
  // Long division, one bit at a time; the remainder stays below the divisor (< 2^63).
  uint64_t quotient_high = 0, quotient_low = 0, remainder = 0;
  for (int bit = 127; bit >= 0; --bit) {
    const uint64_t next = bit >= 64 ? (n.high >> (bit - 64)) & 1u : (n.low >> bit) & 1u;
    remainder = (remainder << 1) | next;
    const bool fits = remainder >= divisor;
    if (fits) remainder -= divisor;
    if (bit >= 64) {
      quotient_high |= static_cast<uint64_t>(fits) << (bit - 64);
    } else {
      quotient_low |= static_cast<uint64_t>(fits) << bit;
    }
  }
  const uint64_t twice = remainder * 2;  // remainder < divisor < 2^63
  if (twice > divisor || (twice == divisor && (quotient_low & 1u) != 0)) {
    if (++quotient_low == 0) ++quotient_high;
  }
  if (quotient_high != 0 || quotient_low > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
    throw Error("Amount out of range");
  const int64_t raw = static_cast<int64_t>(quotient_low);
  return Amount::FromRaw(negative ? -raw : raw);
}

Amount Cents(Amount aCents) {
  int64_t raw;
  if (__builtin_mul_overflow(aCents.Raw(), static_cast<int64_t>(kRawPerCent), &raw)) throw Error("Amount out of range");
  return Amount::FromRaw(raw);
}

// 100 % plus the rate, in ten-thousandths, as a magnitude and a sign.
int64_t HundredPlus(Amount aRate) {
  int64_t total;
  if (__builtin_add_overflow(static_cast<int64_t>(kHundredPercent), aRate.Raw(), &total))
    throw Error("Amount out of range");
  return total;
}

}  // namespace

Amount AmountWithoutVAT(Amount aValue, Amount aRate) {
  const int64_t divisor = HundredPlus(aRate);
  if (divisor == 0) throw Error("VAT rate of -100 % has no amount without VAT");
  // In cents: value × 100 % / ((100 % + rate) × ten-thousandths per cent).
  return Cents(MultiplyDivide(Magnitude(aValue.Raw()), kHundredPercent, Magnitude(divisor) * kRawPerCent,
                              (aValue.Raw() < 0) != (divisor < 0)));
}

Amount AmountWithVAT(Amount aValue, Amount aRate) {
  const int64_t factor = HundredPlus(aRate);
  return Cents(MultiplyDivide(Magnitude(aValue.Raw()), Magnitude(factor), kHundredPercent * kRawPerCent,
                              (aValue.Raw() < 0) != (factor < 0)));
}

Amount MarginPercent(Amount aCost, Amount aNetPrice) {
  if (aNetPrice.IsZero()) return Amount();
  int64_t difference;
  if (__builtin_sub_overflow(aNetPrice.Raw(), aCost.Raw(), &difference)) throw Error("Amount out of range");
  return MultiplyDivide(Magnitude(difference), kHundredPercent, Magnitude(aNetPrice.Raw()),
                        (difference < 0) != (aNetPrice.Raw() < 0));
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

#include "base/amount.h"

#include <limits>

#include "base/error.h"
#include "base/wide_integer.h"

namespace dodu {

namespace {

[[noreturn]] void RaiseOverflow() { throw Error("Amount out of range"); }

uint64_t Magnitude(int64_t value) { return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value); }

// a × b / d rounded to nearest, ties to even; raises when the result leaves the 64-bit range.
int64_t MultiplyDivideTiesToEven(int64_t a, int64_t b, int64_t d) {
  const bool negative = ((a < 0) != (b < 0)) != (d < 0);
  const uint64_t divisor = Magnitude(d);
  uint64_t remainder = 0;
  UInt128 quotient = DivideWide(MultiplyWide(Magnitude(a), Magnitude(b)), divisor, remainder);
  if (quotient.high != 0) RaiseOverflow();
  uint64_t q = quotient.low;
  const bool away = remainder > divisor - remainder || (remainder == divisor - remainder && (q & 1u) != 0);
  if (remainder != 0 && away) {
    if (q == std::numeric_limits<uint64_t>::max()) RaiseOverflow();
    ++q;
  }
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (q > limit) RaiseOverflow();
  return negative ? static_cast<int64_t>(0 - q) : static_cast<int64_t>(q);
}

int64_t Pow10(int n) {
  int64_t result = 1;
  while (n-- > 0) result *= 10;
  return result;
}

}  // namespace

Amount Amount::FromInteger(int64_t units) {
  int64_t raw;
  if (__builtin_mul_overflow(units, kScale, &raw)) RaiseOverflow();
  return Amount(raw);
}

bool Amount::TryParse(std::string_view text, Amount& out) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  uint64_t integer = 0;
  size_t integer_digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (__builtin_mul_overflow(integer, uint64_t{10}, &integer) ||
        __builtin_add_overflow(integer, static_cast<uint64_t>(text[i++] - '0'), &integer) ||
        integer > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
      return false;
    ++integer_digits;
  }
  int64_t fraction = 0;  // scaled to 10^fraction_digits
  size_t fraction_digits = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      // Beyond 17 digits only whether anything non-zero follows matters for the tie rule.
      if (fraction_digits < 17) {
        fraction = fraction * 10 + (text[i] - '0');
        ++fraction_digits;
      } else if (text[i] != '0') {
        fraction = fraction * 10 + 1;  // a sticky digit: breaks an exact tie upwards
        ++fraction_digits;
        while (i + 1 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '9') ++i;
      }
      ++i;
    }
  }
  if (i != text.size() || (integer_digits == 0 && fraction_digits == 0)) return false;
  int64_t scaled_fraction;
  if (fraction_digits <= 4) {
    scaled_fraction = fraction * Pow10(4 - static_cast<int>(fraction_digits));
  } else {
    scaled_fraction = MultiplyDivideTiesToEven(fraction, 1, Pow10(static_cast<int>(fraction_digits) - 4));
  }
  uint64_t magnitude;
  if (__builtin_mul_overflow(integer, static_cast<uint64_t>(kScale), &magnitude) ||
      __builtin_add_overflow(magnitude, static_cast<uint64_t>(scaled_fraction), &magnitude))
    return false;
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (magnitude > limit) return false;
  const int64_t raw = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  out = Amount(raw);
  return true;
}

Amount Amount::Parse(std::string_view text) {
  Amount result;
  if (!TryParse(text, result)) throw Error("'" + std::string(text) + "' is not a valid amount");
  return result;
}

Amount Amount::operator+(Amount other) const {
  int64_t raw;
  if (__builtin_add_overflow(raw_, other.raw_, &raw)) RaiseOverflow();
  return Amount(raw);
}

Amount Amount::operator-(Amount other) const {
  int64_t raw;
  if (__builtin_sub_overflow(raw_, other.raw_, &raw)) RaiseOverflow();
  return Amount(raw);
}

Amount Amount::operator-() const {
  if (raw_ == std::numeric_limits<int64_t>::min()) RaiseOverflow();
  return Amount(-raw_);
}

Amount Amount::Abs() const { return raw_ < 0 ? -*this : *this; }

Amount Amount::operator*(Amount other) const {
  return Amount(MultiplyDivideTiesToEven(raw_, other.raw_, kScale));
}

Amount Amount::operator/(Amount other) const {
  if (other.raw_ == 0) throw Error("Division by zero");
  return Amount(MultiplyDivideTiesToEven(raw_, kScale, other.raw_));
}

std::string Amount::ToFixed(int decimals) const {
  if (decimals < 0) decimals = 0;
  if (decimals > 4) decimals = 4;
  int64_t rounded = RoundAmountHalfAwayFromZero(*this, decimals).raw_;
  const uint64_t magnitude = Magnitude(rounded);
  uint64_t integer = static_cast<uint64_t>(magnitude / kScale);
  uint64_t fraction = static_cast<uint64_t>(magnitude % kScale);
  std::string text = rounded < 0 ? "-" : "";
  text += std::to_string(integer);
  if (decimals > 0) {
    std::string digits = std::to_string(fraction + kScale).substr(1);  // four digits
    text += "." + digits.substr(0, decimals);
  }
  return text;
}

std::string Amount::ToText() const {
  std::string text = ToFixed(4);
  size_t dot = text.find('.');
  size_t end = text.find_last_not_of('0');
  if (end == dot) end = dot - 1;
  text.erase(end + 1);
  if (text == "-0") text = "0";
  return text;
}

Amount RoundAmountHalfAwayFromZero(Amount value, int decimals) {
  if (decimals >= 4) return value;
  if (decimals < 0) decimals = 0;
  int64_t unit = Pow10(4 - decimals);
  int64_t raw = value.Raw();
  int64_t r = raw % unit;  // sign of raw
  int64_t result = raw - r;  // r has the sign of raw: no overflow
  if ((r * 2 >= unit && __builtin_add_overflow(result, unit, &result)) ||
      (r * 2 <= -unit && __builtin_sub_overflow(result, unit, &result)))
    RaiseOverflow();
  return Amount::FromRaw(result);
}

Amount RoundAmountToCents(Amount value) { return RoundAmountHalfAwayFromZero(value, 2); }

}  // namespace dodu

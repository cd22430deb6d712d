#include "base/amount.h"

#include <limits>

#include "base/error.h"

namespace dodu {

namespace {

[[noreturn]] void RaiseOverflow() { throw Error("Amount out of range"); }

// Divides with rounding to nearest, ties to even.
int64_t DivideTiesToEven(__int128 numerator, __int128 denominator) {
  if (denominator < 0) {
    numerator = -numerator;
    denominator = -denominator;
  }
  __int128 quotient = numerator / denominator;
  __int128 remainder = numerator % denominator;
  if (remainder != 0) {
    __int128 twice = (remainder < 0 ? -remainder : remainder) * 2;
    bool away = twice > denominator || (twice == denominator && (quotient % 2 != 0));
    if (away) quotient += numerator < 0 ? -1 : 1;
  }
  if (quotient > std::numeric_limits<int64_t>::max() || quotient < std::numeric_limits<int64_t>::min())
    RaiseOverflow();
  return static_cast<int64_t>(quotient);
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
  __int128 integer = 0;
  size_t integer_digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    integer = integer * 10 + (text[i++] - '0');
    if (integer > (__int128)std::numeric_limits<int64_t>::max()) return false;
    ++integer_digits;
  }
  __int128 fraction = 0;  // scaled to 10^fraction_digits
  size_t fraction_digits = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      // Beyond 30 digits only whether anything non-zero follows matters for the tie rule.
      if (fraction_digits < 30) {
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
  __int128 scaled_fraction;
  if (fraction_digits <= 4) {
    scaled_fraction = fraction * Pow10(4 - static_cast<int>(fraction_digits));
  } else {
    __int128 denominator = 1;
    for (size_t k = 4; k < fraction_digits; ++k) denominator *= 10;
    try {
      scaled_fraction = DivideTiesToEven(fraction, denominator);
    } catch (const Error&) {
      return false;
    }
  }
  __int128 raw = integer * kScale + scaled_fraction;
  if (negative) raw = -raw;
  if (raw > std::numeric_limits<int64_t>::max() || raw < std::numeric_limits<int64_t>::min()) return false;
  out = Amount(static_cast<int64_t>(raw));
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
  return Amount(DivideTiesToEven((__int128)raw_ * other.raw_, kScale));
}

Amount Amount::operator/(Amount other) const {
  if (other.raw_ == 0) throw Error("Division by zero");
  return Amount(DivideTiesToEven((__int128)raw_ * kScale, other.raw_));
}

std::string Amount::ToFixed(int decimals) const {
  if (decimals < 0) decimals = 0;
  if (decimals > 4) decimals = 4;
  int64_t rounded = RoundAmountHalfAwayFromZero(*this, decimals).raw_;
  unsigned __int128 magnitude = rounded < 0 ? -(__int128)rounded : rounded;
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
  __int128 result = (__int128)raw - r;
  if (r * 2 >= unit) result += unit;
  if (r * 2 <= -unit) result -= unit;
  if (result > std::numeric_limits<int64_t>::max() || result < std::numeric_limits<int64_t>::min())
    RaiseOverflow();
  return Amount::FromRaw(static_cast<int64_t>(result));
}

Amount RoundAmountToCents(Amount value) { return RoundAmountHalfAwayFromZero(value, 2); }

}  // namespace dodu

#pragma once

#include <compare>
#include <cstdint>
#include <string>
#include <string_view>

namespace dodu {

// Money, quantities, prices, percentages and rates: a signed count of ten-thousandths.
// Sums and differences are exact (overflow raises); products and quotients are rounded once to
// 0.0001 with ties to even. No floating point is involved anywhere.
class Amount {
 public:
  static constexpr int64_t kScale = 10000;

  constexpr Amount() = default;
  static constexpr Amount FromRaw(int64_t raw) { return Amount(raw); }
  static Amount FromInteger(int64_t units);  // raises when out of range

  // Decimal text with "." whatever the locale: optional sign, digits, optional fraction.
  // More than four decimals are rounded once to four, ties to even. Raises on anything else.
  static Amount Parse(std::string_view text);
  static bool TryParse(std::string_view text, Amount& out);

  constexpr int64_t Raw() const { return raw_; }
  constexpr bool IsZero() const { return raw_ == 0; }

  Amount operator+(Amount other) const;
  Amount operator-(Amount other) const;
  Amount operator-() const;
  Amount& operator+=(Amount other) { return *this = *this + other; }
  Amount& operator-=(Amount other) { return *this = *this - other; }
  Amount operator*(Amount other) const;  // rounded to 0.0001, ties to even
  Amount operator/(Amount other) const;  // rounded to 0.0001, ties to even; raises on zero
  Amount Abs() const;

  constexpr auto operator<=>(const Amount&) const = default;

  // Shortest plain decimal: "." separator, no thousands separator, no trailing zeros.
  std::string ToText() const;
  // Fixed number of decimals (0..4), halves away from zero, "." separator.
  std::string ToFixed(int decimals) const;
  // Whole units, the fraction dropped towards zero.
  int64_t Truncated() const { return raw_ / kScale; }

 private:
  constexpr explicit Amount(int64_t raw) : raw_(raw) {}
  int64_t raw_ = 0;
};

// Rounds to 0.01 with halves away from zero.
Amount RoundAmountToCents(Amount value);
// Rounds to 10^-decimals (0..4) with halves away from zero.
Amount RoundAmountHalfAwayFromZero(Amount value, int decimals);

}  // namespace dodu

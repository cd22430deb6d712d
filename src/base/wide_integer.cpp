#include "base/wide_integer.h"

namespace dodu {

UInt128 MultiplyWide(uint64_t a, uint64_t b) {
  const uint64_t a_low = a & 0xFFFFFFFFu, a_high = a >> 32;
  const uint64_t b_low = b & 0xFFFFFFFFu, b_high = b >> 32;
  const uint64_t low_low = a_low * b_low;
  const uint64_t high_low = a_high * b_low;
  const uint64_t low_high = a_low * b_high;
  const uint64_t high_high = a_high * b_high;
  const uint64_t middle = (low_low >> 32) + (high_low & 0xFFFFFFFFu) + (low_high & 0xFFFFFFFFu);
  UInt128 result;
  result.low = (middle << 32) | (low_low & 0xFFFFFFFFu);
  result.high = high_high + (high_low >> 32) + (low_high >> 32) + (middle >> 32);
  return result;
}

UInt128 DivideWide(UInt128 n, uint64_t d, uint64_t& remainder) {
  // Long division one bit at a time: amounts are few, and this stays obviously right.
  UInt128 quotient;
  uint64_t rest = 0;
  for (int bit = 127; bit >= 0; --bit) {
    const uint64_t next = bit >= 64 ? (n.high >> (bit - 64)) & 1u : (n.low >> bit) & 1u;
    const bool carry = (rest >> 63) != 0;
    rest = (rest << 1) | next;
    if (carry || rest >= d) {
      rest -= d;
      if (bit >= 64) quotient.high |= uint64_t{1} << (bit - 64);
      else quotient.low |= uint64_t{1} << bit;
    }
  }
  remainder = rest;
  return quotient;
}

}  // namespace dodu

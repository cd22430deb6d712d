#pragma once

#include <cstdint>

namespace dodu {

// An unsigned 128-bit value for the few products of two 64-bit amounts, on every target (32-bit
// compilers have no 128-bit integer type).
struct UInt128 {
  uint64_t high = 0;
  uint64_t low = 0;
};

UInt128 MultiplyWide(uint64_t a, uint64_t b);
// The quotient of n / d (d > 0) and its remainder.
UInt128 DivideWide(UInt128 n, uint64_t d, uint64_t& remainder);

}  // namespace dodu

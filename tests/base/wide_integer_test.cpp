#include "base/wide_integer.h"

#include <gtest/gtest.h>

#include <random>

namespace dodu {
namespace {

#ifdef __SIZEOF_INT128__
// The compiler's own 128-bit type, where it has one, is the reference.
TEST(WideIntegerTest, ProductsAndQuotientsMatchTheCompilersOwn128BitType) {
  std::mt19937_64 random(20261210);
  const uint64_t edges[] = {0, 1, 2, 9999, 10000, 0xFFFFFFFFu, 0x100000000u, (uint64_t{1} << 63) - 1,
                            uint64_t{1} << 63, ~uint64_t{0}};
  auto check = [](uint64_t a, uint64_t b, uint64_t d) {
    const UInt128 product = MultiplyWide(a, b);
    const unsigned __int128 expected = static_cast<unsigned __int128>(a) * b;
    ASSERT_EQ(product.high, static_cast<uint64_t>(expected >> 64)) << a << " * " << b;
    ASSERT_EQ(product.low, static_cast<uint64_t>(expected)) << a << " * " << b;
    uint64_t remainder = 0;
    const UInt128 quotient = DivideWide(product, d, remainder);
    const unsigned __int128 expected_quotient = expected / d;
    ASSERT_EQ(quotient.high, static_cast<uint64_t>(expected_quotient >> 64)) << a << " * " << b << " / " << d;
    ASSERT_EQ(quotient.low, static_cast<uint64_t>(expected_quotient)) << a << " * " << b << " / " << d;
    ASSERT_EQ(remainder, static_cast<uint64_t>(expected % d)) << a << " * " << b << " % " << d;
  };
  for (uint64_t a : edges)
    for (uint64_t b : edges)
      for (uint64_t d : edges)
        if (d != 0) check(a, b, d);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t d = random() >> (random() % 64);
    check(random() >> (random() % 64), random() >> (random() % 64), d == 0 ? 1 : d);
  }
}
#endif

}  // namespace
}  // namespace dodu

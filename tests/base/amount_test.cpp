#include <gtest/gtest.h>

#include "base/amount.h"

namespace dodu {
namespace {

TEST(AmountTest, ParsesAndPrints) {
  EXPECT_EQ(Amount::Parse("12.5").ToText(), "12.5");
}

}  // namespace
}  // namespace dodu

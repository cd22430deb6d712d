#include <gtest/gtest.h>

#include "io/spool_layout.h"

namespace dodu {
namespace {

struct LayoutCase {
  const char* name;
  kSpoolPrintArea area;
  int32_t bitmap_width, bitmap_height;
  double scale;
  bool stretched;
  int32_t left, top, width, height;
};

class SpoolLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(SpoolLayoutTest, ScalesFitsAndCentres) {
  const LayoutCase& c = GetParam();
  const kSpoolPlacement p = PlaceSpoolBitmap(c.area, c.bitmap_width, c.bitmap_height);
  EXPECT_DOUBLE_EQ(p.Scale(), c.scale);
  EXPECT_EQ(p.Stretched(), c.stretched);
  EXPECT_EQ(p.fLeft, c.left);
  EXPECT_EQ(p.fTop, c.top);
  EXPECT_EQ(p.fWidth, c.width);
  EXPECT_EQ(p.fHeight, c.height);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SpoolLayoutTest,
    ::testing::Values(
        // 600 dpi doubles a 300 dpi layout, centred in 4800 x 6600, plus the physical offsets.
        LayoutCase{"TwiceAt600Dpi", {4800, 6600, 100, 150, 600}, 600, 900, 2.0, true, 1800 + 100, 2400 + 150, 1200,
                   1800},
        // 203 dpi gives 676 pixels for 1000, wider than 576: the width decides, s = 0.576.
        LayoutCase{"FittedToTheWidthAt203Dpi", {576, 3000, 0, 0, 203}, 1000, 400, 0.576, true, 0, (3000 - 230) / 2, 576,
                   230},
        // Within the width but taller than the printable height: the height decides next.
        LayoutCase{"FittedToTheHeight", {576, 200, 0, 0, 203}, 500, 400, 0.5, true, (576 - 250) / 2, 0, 250, 200},
        // At 300 dpi the bitmap is drawn as it is; an odd margin is dropped toward zero.
        LayoutCase{"UnscaledAt300Dpi", {601, 1001, 7, 9, 300}, 300, 500, 1.0, false, 150 + 7, 250 + 9, 300, 500},
        // A bitmap exactly as wide as the area after fitting keeps s = 1: drawn unscaled.
        LayoutCase{"FittedToExactlyItsOwnWidth", {400, 1000, 0, 0, 600}, 400, 100, 1.0, false, 0, 450, 400, 100}),
    [](const ::testing::TestParamInfo<LayoutCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dodu

#include <gtest/gtest.h>

#include <limits>

#include "base/amount.h"
#include "base/error.h"
#include "base/format_settings.h"

namespace dodu {
namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

Amount A(const char* text) { return Amount::Parse(text); }

TEST(AmountParseTest, ReadsPlainDecimals) {
  struct Case {
    const char* text;
    int64_t raw;
  } cases[] = {
      {"12.5", 125000},      {"-3.25", -32500}, {"+1", 10000},      {".5", 5000},
      {"1.", 10000},         {"0", 0},          {"-0", 0},          {"0.0001", 1},
      {"007.10", 71000},     {"922337203685477.5807", kMax},        {"-922337203685477.5808", kMin},
  };
  for (const Case& c : cases) EXPECT_EQ(A(c.text).Raw(), c.raw) << c.text;
}

TEST(AmountParseTest, RoundsMoreThanFourDecimalsOnceTiesToEven) {
  struct Case {
    const char* text;
    int64_t raw;
  } cases[] = {
      {"0.00005", 0},   {"0.00015", 2},   {"0.00025", 2},  {"-0.00015", -2}, {"-0.00025", -2},
      {"0.000251", 3},  {"1.23456", 12346}, {"1.23449999", 12345},
      // A non-zero digit far beyond the tie still breaks it upwards.
      {"0.00005000000000000000000000000000000001", 1},
      {"0.00004999999999999999999999999999999999", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(A(c.text).Raw(), c.raw) << c.text;
}

TEST(AmountParseTest, RejectsMalformedAndOutOfRangeTexts) {
  for (const char* text : {"", "-", ".", "+.", "1,5", "1.2.3", " 1", "1 ", "1e5", "abc", "--1", "0x10",
                           "922337203685477.5808", "-922337203685477.5809", "99999999999999999999",
                           "9223372036854775808"}) {
    Amount out = Amount::FromRaw(77);
    EXPECT_FALSE(Amount::TryParse(text, out)) << text;
    EXPECT_EQ(out.Raw(), 77) << "left unchanged on failure: " << text;
    EXPECT_THROW(Amount::Parse(text), Error) << text;
  }
}

TEST(AmountParseTest, DecimalPointIsADotWhateverTheLocale) {
  const FormatSettings saved = GetFormatSettings();
  FormatSettings comma = saved;
  comma.decimalSeparator = ",";
  comma.thousandSeparator = ".";
  SetFormatSettings(comma);
  Amount out;
  EXPECT_TRUE(Amount::TryParse("1.5", out));
  EXPECT_EQ(out.Raw(), 15000);
  EXPECT_FALSE(Amount::TryParse("1,5", out));
  EXPECT_EQ(Amount::FromRaw(15000).ToText(), "1.5");
  SetFormatSettings(saved);
}

TEST(AmountArithmeticTest, ProductsAndQuotientsRoundTiesToEven) {
  struct Case {
    const char* a;
    const char* b;
    int64_t product;
  } products[] = {
      {"0.0001", "0.5", 0}, {"0.0003", "0.5", 2}, {"0.0005", "0.5", 2}, {"0.0007", "0.5", 4},
      {"-0.0003", "0.5", -2}, {"-0.0005", "0.5", -2}, {"3", "1.2345", 37035}, {"0.3333", "3", 9999},
  };
  for (const auto& c : products) EXPECT_EQ((A(c.a) * A(c.b)).Raw(), c.product) << c.a << " * " << c.b;

  struct Quotient {
    const char* a;
    const char* b;
    int64_t quotient;
  } quotients[] = {
      {"1", "3", 3333},       {"2", "3", 6667},      {"0.0001", "2", 0},  {"0.0003", "2", 2},
      {"0.0005", "2", 2},     {"-0.0003", "2", -2},  {"0.0003", "-2", -2}, {"-1", "-3", 3333},
      {"100", "0.0001", 1000000 * 10000LL},
  };
  for (const auto& c : quotients) EXPECT_EQ((A(c.a) / A(c.b)).Raw(), c.quotient) << c.a << " / " << c.b;
}

TEST(AmountArithmeticTest, SumsAreExactAndOverflowRaises) {
  EXPECT_EQ((A("0.1") + A("0.2")).Raw(), A("0.3").Raw());
  EXPECT_EQ((A("1") - A("1.0001")).Raw(), -1);
  const Amount max = Amount::FromRaw(kMax);
  const Amount min = Amount::FromRaw(kMin);
  const Amount tiny = Amount::FromRaw(1);
  EXPECT_THROW(max + tiny, Error);
  EXPECT_THROW(min - tiny, Error);
  EXPECT_THROW(-min, Error);
  EXPECT_THROW(min.Abs(), Error);
  EXPECT_THROW(max * A("2"), Error);
  EXPECT_THROW(max / A("0.5"), Error);
  EXPECT_THROW(A("1") / Amount(), Error);
  EXPECT_THROW(Amount::FromInteger(kMax / 1000), Error);
  Amount sum = max;
  EXPECT_THROW(sum += tiny, Error);
  EXPECT_EQ(sum.Raw(), kMax) << "a failed sum leaves the target as it was";
  EXPECT_EQ((max - max).Raw(), 0);
}

TEST(AmountRoundingTest, CentsRoundHalvesAwayFromZero) {
  struct Case {
    const char* value;
    const char* cents;
  } cases[] = {
      {"0.0050", "0.01"}, {"-0.0050", "-0.01"}, {"1.2349", "1.23"}, {"1.2350", "1.24"}, {"-1.2350", "-1.24"},
      {"1.2449", "1.24"}, {"0.0049", "0"},      {"-0.0049", "0"},   {"2.5", "2.5"},     {"-0.0150", "-0.02"},
  };
  for (const Case& c : cases) EXPECT_EQ(RoundAmountToCents(A(c.value)).ToText(), c.cents) << c.value;
  // The extremes round to the nearest representable cent instead of overflowing.
  EXPECT_EQ(RoundAmountToCents(Amount::FromRaw(kMax)).Raw(), kMax - 7);
  EXPECT_EQ(RoundAmountToCents(Amount::FromRaw(kMin)).Raw(), kMin + 8);
}

TEST(AmountTextTest, ShortestAndFixedForms) {
  struct Case {
    const char* value;
    const char* text;
    const char* fixed2;
  } cases[] = {
      {"12.5", "12.5", "12.50"},   {"10", "10", "10.00"},   {"0", "0", "0.00"},     {"-3.25", "-3.25", "-3.25"},
      {"0.0001", "0.0001", "0.00"}, {"-0.004", "-0.004", "0.00"}, {"1.005", "1.005", "1.01"},
      {"-1.005", "-1.005", "-1.01"}, {"100.1000", "100.1", "100.10"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(A(c.value).ToText(), c.text) << c.value;
    EXPECT_EQ(A(c.value).ToFixed(2), c.fixed2) << c.value;
  }
  EXPECT_EQ(Amount::FromRaw(kMin).ToText(), "-922337203685477.5808");
  EXPECT_EQ(A("1.5").ToFixed(0), "2");
  EXPECT_EQ(A("-2.5").ToFixed(0), "-3");
}

}  // namespace
}  // namespace dodu

#include <gtest/gtest.h>

#include "base/conversions.h"
#include "base/error.h"
#include "pt/signature_chain.h"

namespace dodu {
namespace {

const DateTime kBusinessDate = EncodeDate(2024, 2, 9);

TEST(SignatureChain, SignedTextOfTheFirstDocumentEndsWithTheEmptyPreviousSignature) {
  const DateTime entry = WholeSeconds(EncodeDateTime({2024, 2, 9, 10, 15, 30, 750}));
  EXPECT_EQ(BuildSignedText(kBusinessDate, entry, "FR FR2024A/0000042", Amount::Parse("12.3"), ""),
            "2024-02-09;2024-02-09T10:15:30;FR FR2024A/0000042;12.30;");
  EXPECT_EQ(BuildSignedText(kBusinessDate, entry, "FR FR2024A/0000043", Amount::Parse("1"), "ab+/=="),
            "2024-02-09;2024-02-09T10:15:30;FR FR2024A/0000043;1.00;ab+/==");
}

TEST(SignatureChain, GrossTotalIsTheAbsoluteValueInCents) {
  const std::pair<const char*, const char*> cases[] = {
      {"0.005", "0.01"},   {"-0.005", "0.01"},   {"0.0049", "0.00"},       {"1234.5", "1234.50"},
      {"-12.30", "12.30"}, {"0", "0.00"},         {"1234567.895", "1234567.90"}, {"-5", "5.00"},
  };
  const DateTime entry = EncodeDateTime({2024, 2, 9, 10, 0, 0, 0});
  for (const auto& [amount, text] : cases) {
    EXPECT_EQ(BuildSignedText(kBusinessDate, entry, "N", Amount::Parse(amount), "P"),
              std::string("2024-02-09;2024-02-09T10:00:00;N;") + text + ";P")
        << amount;
  }
}

TEST(SignatureChain, SystemEntryIsSignedAndStoredInWholeSeconds) {
  const DateTime entry = WholeSeconds(EncodeDateTime({2024, 2, 9, 10, 15, 59, 999}));
  EXPECT_EQ(entry, EncodeDateTime({2024, 2, 9, 10, 15, 59, 0}));
  EXPECT_EQ(DateTimeToXmlText(false, entry), "2024-02-09T10:15:59");
  EXPECT_EQ(SqlDateTimeText(false, entry), "'2024-02-09T10:15:59'");
  EXPECT_EQ(SqlDateTimeText(true, entry), "'2024-02-09T10:15:59.000'");
  EXPECT_EQ(GetField(BuildSignedText(kBusinessDate, entry, "N", Amount(), ""), 2, ';'), "2024-02-09T10:15:59");
}

TEST(SignatureChain, ShortHashTakesCharacters1_11_21_31) {
  const std::string signature = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  EXPECT_EQ(ShortHash(signature), "AKUe");
  EXPECT_THROW(ShortHash(signature.substr(0, 30)), Error);
}

}  // namespace
}  // namespace dodu

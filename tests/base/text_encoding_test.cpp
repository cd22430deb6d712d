#include <gtest/gtest.h>

#include "base/format_settings.h"
#include "base/text_encoding.h"

namespace dodu {
namespace {

TEST(TextEncodingTest, Utf8AndUtf16RoundTripIncludingSupplementaryCharacters) {
  const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a é € 😀 z
  const std::u16string units = Utf8ToUtf16(text);
  EXPECT_EQ(units, (std::u16string{u'a', 0x00E9, 0x20AC, 0xD83D, 0xDE00, u'z'}));
  EXPECT_EQ(Utf16ToUtf8(units), text);
  EXPECT_EQ(Utf8ToCodePoints(text), (std::u32string{U'a', 0xE9, 0x20AC, 0x1F600, U'z'}));
  EXPECT_EQ(CodePointsToUtf8(Utf8ToCodePoints(text)), text);
}

TEST(TextEncodingTest, MalformedInputBecomesReplacementCharacters) {
  const std::u16string replacement(1, 0xFFFD);
  EXPECT_EQ(Utf8ToUtf16("\xC3"), replacement);             // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), replacement);         // overlong "/"
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), replacement);     // encoded surrogate
  EXPECT_EQ(Utf8ToUtf16("\xF4\x90\x80\x80"), replacement); // above U+10FFFF
  EXPECT_EQ(Utf8ToUtf16("a\xFF" "b"), (std::u16string{u'a', 0xFFFD, u'b'}));
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, u'x'}), "\xEF\xBF\xBDx");  // unpaired high surrogate
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, 0xDE00)), "\xEF\xBF\xBD");
}

TEST(TextEncodingTest, Windows1252) {
  EXPECT_EQ(Utf8ToCp1252("\xC3\xA9"), "\xE9");        // é = 233
  EXPECT_EQ(Utf8ToCp1252("\xE2\x82\xAC"), "\x80");    // € = 0x80
  EXPECT_EQ(Utf8ToCp1252("\xC5\xA0"), "\x8A");        // Š
  EXPECT_EQ(Utf8ToCp1252("a\xE6\xBC\xA2z"), "a?z");  // 漢 has no byte
  EXPECT_EQ(Cp1252ToUtf8("\xE9\x80\x9F"), "\xC3\xA9\xE2\x82\xAC\xC5\xB8");
  // Every byte survives a round trip, the five the code page leaves undefined included.
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(byte)), byte) << b;
  }
}

TEST(TextEncodingTest, Utf16PrefixNeverSplitsACharacter) {
  const std::string text = "a\xF0\x9F\x98\x80" "b";  // a 😀 b: four UTF-16 units
  EXPECT_EQ(Utf16Prefix(text, 4), text);
  EXPECT_EQ(Utf16Prefix(text, 3), "a\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16Prefix(text, 2), "a");
  EXPECT_EQ(Utf16Prefix("\xC3\xA9\xC3\xA9\xC3\xA9", 2), "\xC3\xA9\xC3\xA9");
  EXPECT_EQ(Utf16Prefix("abc", 0), "");
}

TEST(FormatSettingsTest, PlainOrMissingLocalesGiveTheDefaults) {
  // C.UTF-8 is Debian's default in containers; its own date form would be mm/dd/yy.
  for (const char* locale : {"C", "POSIX", "", "C.UTF-8", "C.utf8", "xx_NOWHERE.UTF-8"}) {
    FormatSettings settings = ReadFormatSettingsFromLocale(locale, locale);
    EXPECT_EQ(settings.decimalSeparator, ".") << locale;
    EXPECT_EQ(settings.thousandSeparator, ",") << locale;
    EXPECT_EQ(settings.longTimeFormat, "hh:nn:ss") << locale;
    EXPECT_EQ(settings.dateSeparator, "/") << locale;
    EXPECT_EQ(settings.timeSeparator, ":") << locale;
    EXPECT_EQ(settings.shortDateFormat, "dd/mm/yyyy") << locale;
  }
}

}  // namespace
}  // namespace dodu

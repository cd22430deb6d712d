#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <limits>

#include "base/conversions.h"
#include "base/error.h"
#include "base/format_settings.h"
#include "base/temp_directory.h"
#include "platform/process.h"

namespace dodu {
namespace {

DateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return EncodeDateTime({y, mo, d, h, mi, s, ms});
}

std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "(no error)";
}

// Regional formats unlike the XML and SQL forms, to show that those never follow them.
class ForeignFormats : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = GetFormatSettings();
    FormatSettings foreign;
    foreign.decimalSeparator = ",";
    foreign.thousandSeparator = ".";
    foreign.dateSeparator = "/";
    foreign.timeSeparator = ".";
    foreign.shortDateFormat = "dd/mm/yyyy";
    foreign.longTimeFormat = "hh:nn:ss";
    SetFormatSettings(foreign);
  }
  void TearDown() override { SetFormatSettings(saved_); }
  FormatSettings saved_;
};

class CommandLine : public ::testing::Test {
 protected:
  void TearDown() override { OverrideCommandLineArguments(std::nullopt); }
};

TEST_F(ForeignFormats, XmlAndSqlTextsKeepTheirOwnSeparators) {
  const DateTime value = At(2024, 3, 5, 14, 30, 0, 123);
  EXPECT_EQ(DateToXmlText(value), "2024-03-05");
  EXPECT_EQ(DateToXmlText(DateTime()), "1899-12-30");
  EXPECT_EQ(DateTimeToXmlText(false, value), "2024-03-05T14:30:00");
  EXPECT_EQ(DateTimeToXmlText(true, value), "2024-03-05T14:30:00.123");
  EXPECT_EQ(SqlDateTimeText(false, value), "'2024-03-05T14:30:00'");
  EXPECT_EQ(SqlDateTimeText(true, value), "'2024-03-05T14:30:00.123'");
  EXPECT_EQ(SqlDateText(value), "'20240305'");
  EXPECT_EQ(SqlCurrencyText(Amount::Parse("-1234.5")), "-1234.5");
  EXPECT_EQ(CurrencyToXmlText(Amount::Parse("12.50")), "12.5");
  // The texts meant for people do follow them.
  EXPECT_EQ(DateToText(value), "05/03/2024");
  EXPECT_EQ(DateTimeToText(value), "05/03/2024 14.30.00");
  EXPECT_EQ(DateTimeToText(EncodeDate(2024, 3, 5)), "05/03/2024");
}

TEST_F(ForeignFormats, NumericTextFollowsTheSystemDecimalSeparator) {
  for (const char* text : {"12", "-1,5", "+0,25", " 7 ", "1e3", "2,5E-2", ",5"}) EXPECT_TRUE(IsNumericText(text)) << text;
  for (const char* text : {"", " ", "1.5", ",", "abc", "1e", "1,2,3", "12a"}) EXPECT_FALSE(IsNumericText(text)) << text;
}

TEST(ConversionsTest, AmountAndBooleanTexts) {
  EXPECT_EQ(CurrencyToXmlText(Amount::Parse("12.5")), "12.5");
  EXPECT_EQ(CurrencyToXmlText(Amount::Parse("10.0000")), "10");
  EXPECT_EQ(CurrencyToXmlText(Amount()), "0");
  EXPECT_EQ(CurrencyToXmlText(Amount::Parse("-3.25")), "-3.25");
  EXPECT_EQ(BoolToXmlText(true), "True");
  EXPECT_EQ(BoolToXmlText(false), "False");
  EXPECT_EQ(SqlIntegerText(-42), "-42");
  EXPECT_EQ(NullToDefault(std::optional<int>(), 7), 7);
  EXPECT_EQ(NullToDefault(std::optional<int>(3), 7), 3);
}

TEST(ConversionsTest, XmlTextToDateReadsFixedPositions) {
  EXPECT_EQ(XmlTextToDate("2024-03-05").value, EncodeDate(2024, 3, 5).value);
  EXPECT_EQ(XmlTextToDate("2024/03/05T10:11:12").value, EncodeDate(2024, 3, 5).value);
  for (const char* text : {"2024-02-30", "2024-3-5", "", "2024-03", "abcd-ef-gh", "2024-00-10", "2024-03-0x"})
    EXPECT_EQ(ErrorText([&] { XmlTextToDate(text); }), std::string("Date Format invalid: [") + text + "]");
}

TEST(ConversionsTest, XmlTextToDateTimeReadsFixedPositions) {
  const double expected = At(2024, 3, 5, 14, 30, 0).value;
  EXPECT_EQ(XmlTextToDateTime("2024-03-05T14:30:00").value, expected);
  EXPECT_EQ(XmlTextToDateTime("2024-03-05 14:30:00").value, expected);
  EXPECT_EQ(XmlTextToDateTime("2024-03-05T14:30:00.abc").value, expected);
  EXPECT_EQ(XmlTextToDateTime("2024-03-05T14:30:00.123").value, At(2024, 3, 5, 14, 30, 0, 123).value);
  EXPECT_EQ(XmlTextToDateTime("2024-03-05T14:30:00.123+01:00").value, At(2024, 3, 5, 14, 30, 0, 123).value);
  for (const char* text : {"2024-03-05", "2024-02-30T10:00:00", "2024-03-05T24:00:00", "2024-03-05T14:60:00",
                           "2024-03-05T14:30", "2024-03-05T1a:30:00", ""})
    EXPECT_EQ(ErrorText([&] { XmlTextToDateTime(text); }), std::string("DateTime Format invalid: [") + text + "]");
}

TEST(ConversionsTest, ZeroPaddedKeepsTheLastDigits) {
  EXPECT_EQ(ZeroPadded(42, 7), "0000042");
  EXPECT_EQ(ZeroPadded(123456789, 7), "3456789");
  EXPECT_EQ(ZeroPadded(0, 3), "000");
  EXPECT_EQ(ZeroPadded(42, 0), "");
  EXPECT_EQ(ZeroPadded(-42, 7), "-000042");
  EXPECT_EQ(ZeroPadded(std::numeric_limits<int64_t>::max(), 4), "5807");  // no amount range limit
  EXPECT_EQ(ZeroPadded(Amount::Parse("12.345"), 8, 2, ","), "00012,35");
  EXPECT_EQ(ZeroPadded(Amount::Parse("12.345"), 8, 2, ""), "00001235");
  EXPECT_EQ(ZeroPadded(Amount::Parse("12.3"), 6, 1, ".", true), "+012.3");
  EXPECT_EQ(ZeroPadded(Amount::Parse("-12.3"), 6, 1, ".", true), "-012.3");
  EXPECT_EQ(ZeroPadded(Amount::Parse("0"), 3, 0, ".", true), "+00");
}

TEST(ConversionsTest, GTINCheckDigit) {
  EXPECT_EQ(GTINCheckDigit("400638133393"), "1");
  EXPECT_EQ(GTINCheckDigit("978030640615"), "7");
  EXPECT_EQ(GTINCheckDigit("9638507"), "4");   // GTIN-8 96385074
  EXPECT_EQ(GTINCheckDigit("000000000000"), "0");  // a sum ending in 0
  for (const char* code : {"12a4", "", "-123", "1.5", "123456789012345"})
    EXPECT_EQ(ErrorText([&] { GTINCheckDigit(code); }),
              std::string("To calculate a GTIN Check Digit input string must be numeric [") + code + "]");
}

TEST(ConversionsTest, GetFieldCountsFromOne) {
  struct Case {
    const char* text;
    int number;
    char separator;
    bool to_end;
    const char* field;
  } cases[] = {
      {"$PTEXT=a=b", 2, '=', true, "a=b"}, {"$PTEXT=a=b", 2, '=', false, "a"}, {"a|b|c", 4, '|', false, ""},
      {"a|b|c", 3, '|', false, "c"},       {"a|b|c", 1, '|', false, "a"},      {"a||c", 2, '|', false, ""},
      {"a|b|c", 0, '|', false, ""},        {"", 1, '|', false, ""},            {"a|b|c", 2, '|', true, "b|c"},
      {"PROD", 1, '|', false, "PROD"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GetField(c.text, c.number, c.separator, c.to_end), c.field) << c.text << " field " << c.number;
}

TEST(ConversionsTest, SqlQuotedDoublesQuotes) {
  EXPECT_EQ(SqlQuoted("O'Brien"), "'O''Brien'");
  EXPECT_EQ(SqlQuoted(""), "''");
  EXPECT_EQ(SqlQuoted("''"), "''''''");
}

TEST(ConversionsTest, TimeOfDayInMilliseconds) {
  EXPECT_EQ(TimeOfDayMs(At(2024, 3, 5, 14, 30, 5, 123)), (14 * 3600 + 30 * 60 + 5) * 1000 + 123);
  EXPECT_EQ(TimeOfDayMs(EncodeDate(2024, 3, 5)), 0);
}

TEST_F(CommandLine, FindParamMatchesWholeNamesWithoutRegardToCase) {
  OverrideCommandLineArguments(std::vector<std::string>{"/BATCHX", "/batch", "/ENV:Prod|Extra", "/u=admin", "/LOC"});
  EXPECT_EQ(FindParam("/BATCH", true), "/batch");
  EXPECT_EQ(FindParam("/BATCH", false), "");
  EXPECT_EQ(FindParam("/ENV", true), "/ENV:Prod|Extra");
  EXPECT_EQ(GetParamValue("/ENV"), "Prod|Extra");
  EXPECT_EQ(GetParamValue("/U"), "admin");
  EXPECT_EQ(FindParam("/LOC", true), "/LOC");
  EXPECT_EQ(FindParam("/DEBUG", true), "");
  EXPECT_EQ(GetEnvironmentName("/nonexistent/vdz.ini"), "Prod");

  OverrideCommandLineArguments(std::vector<std::string>{"/BATCHX", "/BATCH2=1"});
  EXPECT_EQ(FindParam("/BATCH", true), "");
}

TEST_F(CommandLine, EnvironmentNameFromTheSettingsFile) {
  testing::TempDirectory dir;
  const std::string file = dir / "vdz.ini";
  std::ofstream(file) << "; settings\r\n[RelayDesk]\r\nA=1\r\n  [Parametri Generali]  \r\n[CLIPVAULT]\r\n [Prod] \r\n[Test]\r\n";
  OverrideCommandLineArguments(std::vector<std::string>{});
  EXPECT_EQ(GetEnvironmentName(file), "Prod");
  std::ofstream(file) << "[relaydesk]\n";
  EXPECT_EQ(GetEnvironmentName(file), "");
  EXPECT_EQ(GetEnvironmentName(dir / "missing.ini"), "");
  OverrideCommandLineArguments(std::vector<std::string>{"/env:Other"});
  EXPECT_EQ(GetEnvironmentName(file), "Other");
}

TEST(ConversionsTest, HostExecutableAndMachine) {
  testing::TempDirectory dir;
  {
    testing::ScopedEnvironment host("QV_HOST_DIR", dir.Path());
    EXPECT_EQ(ExePath(), dir.Path() + "/");
  }
  EXPECT_EQ(ExeBaseName(), "test_base");
  EXPECT_EQ(IniFileName(true), "test_base.ini");
  testing::ScopedEnvironment computer("COMPUTERNAME", "TILL01");
  testing::ScopedEnvironment user("USERNAME", "operator");
  EXPECT_EQ(ComputerName(), "TILL01");
  EXPECT_EQ(UserName(), "operator");
  EXPECT_EQ(IniFileName(false), "test_base_TILL01.ini");
  EXPECT_FALSE(LocalIPAddress().empty());
}

}  // namespace
}  // namespace dodu

#include <gtest/gtest.h>

#include <locale.h>

#include "base/format_settings.h"
#include "pt/day_report_text.h"
#include "pt/fiscal_processor_counters.h"

namespace dodu {
namespace {

FormatSettings Settings(const std::string& thousands, const std::string& decimal) {
  FormatSettings settings;
  settings.thousandSeparator = thousands;
  settings.decimalSeparator = decimal;
  settings.dateSeparator = "-";
  settings.timeSeparator = ".";
  return settings;
}

TEST(ReportNumberTextTest, EveryAmountWholeRoundedToCentsInTheLocaleForm) {
  struct Case {
    const char* value;
    int decimals;
    const char* english;
    const char* portuguese;
  } cases[] = {
      {"1234.5", 2, "1,234.50", "1.234,50"},
      {"0", 2, "0.00", "0,00"},
      {"-5", 2, "-5.00", "-5,00"},
      {"-0.004", 2, "0.00", "0,00"},  // rounds to zero: no minus sign
      {"0.005", 2, "0.01", "0,01"},    // halves away from zero
      {"-0.005", 2, "-0.01", "-0,01"},
      {"999.995", 2, "1,000.00", "1.000,00"},
      {"12345.675", 2, "12,345.68", "12.345,68"},
      {"123456.78", 2, "123,456.78", "123.456,78"},
      {"2345678.91", 2, "2,345,678.91", "2.345.678,91"},
      {"-98765432109.87", 2, "-98,765,432,109.87", "-98.765.432.109,87"},
      {"1234", 0, "1,234", "1.234"},
      {"999", 0, "999", "999"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReportNumberText(Amount::Parse(c.value), c.decimals, Settings(",", ".")), c.english) << c.value;
    EXPECT_EQ(ReportNumberText(Amount::Parse(c.value), c.decimals, Settings(".", ",")), c.portuguese) << c.value;
  }
}

// A pt_PT locale of the machine, or empty when none is installed.
std::string InstalledPortugueseLocale() {
  for (const char* name : {"pt_PT.UTF-8", "pt_PT.utf8", "pt_PT"}) {
    if (locale_t loc = newlocale(LC_NUMERIC_MASK | LC_TIME_MASK, name, static_cast<locale_t>(0))) {
      freelocale(loc);
      return name;
    }
  }
  return {};
}

// Label column of 34; value column of 10, which a wider value widens instead of being cut.
std::string ReportLine(const std::string& label, const std::string& value) {
  return label + std::string(34 - label.size(), ' ') + (value.size() < 10 ? std::string(10 - value.size(), ' ') : "") +
         value;
}

// The day's total in the X report and the grand total in the Z report, for amounts around the
// rounding, the thousands and past the width of the column, in the form a locale gives.
void ExpectReportAmounts(const FormatSettings& format, bool portuguese) {
  struct Case {
    const char* amount;
    const char* english;
    const char* portuguese;
  } cases[] = {
      {"0.005", "0.01", "0,01"},
      {"999.995", "1,000.00", "1.000,00"},
      {"123456.78", "123,456.78", "123.456,78"},
      {"2345678.91", "2,345,678.91", "2.345.678,91"},
      {"98765432109.87", "98,765,432,109.87", "98.765.432.109,87"},
  };
  const DateTime now = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});
  for (const Case& c : cases) {
    kFiscalProcessorCounters counters;
    counters.SetTillSerial("T01");
    counters.SetDailyTotal(Amount::Parse(c.amount));
    counters.SetGrandTotalTotal(Amount::Parse(c.amount));
    const std::string value = portuguese ? c.portuguese : c.english;
    const std::string x = BuildXReportText(counters, now, format);
    EXPECT_NE(x.find("\r\n" + ReportLine("Total do Dia", value) + "\r\n"), std::string::npos) << c.amount << "\n" << x;
    const std::string z = BuildZReportText(counters, now, format);
    EXPECT_NE(z.find("\r\n" + ReportLine("Total Geral", value) + "\r\n"), std::string::npos) << c.amount << "\n" << z;
  }
}

TEST(ReportAmountsTest, PlainCLocale) { ExpectReportAmounts(ReadFormatSettingsFromLocale("C", "C"), false); }

TEST(ReportAmountsTest, PortugueseLocale) {
  const std::string locale = InstalledPortugueseLocale();
  if (locale.empty()) GTEST_SKIP() << "no pt_PT locale installed (scripts/install-deps generates pt_PT.UTF-8)";
  const FormatSettings format = ReadFormatSettingsFromLocale(locale.c_str(), locale.c_str());
  ASSERT_EQ(format.decimalSeparator, ",");
  ExpectReportAmounts(format, true);
  const std::string x = BuildXReportText(kFiscalProcessorCounters(), EncodeDateTime({2024, 3, 5, 14, 7, 9, 0}), format);
  EXPECT_NE(x.find("\r\nData Registo 05/03/2024 14:07\r\n"), std::string::npos) << x;
}

TEST(DayReportTextTest, ColumnsAndTheLocaleDateTime) {
  kFiscalProcessorCounters counters;
  counters.SetTillSerial("T01");
  counters.SetCurrentZReportNo(12);
  counters.SetCurrentReceiptNo(1234);
  counters.SetDailyTotal(Amount::Parse("1234.5"));
  counters.SetDailySales(Amount::Parse("1234.5"));
  counters.SetGrandTotalTotal(Amount::Parse("99999.99"));
  const DateTime now = EncodeDateTime({2024, 3, 5, 14, 7, 9, 0});

  const std::string z = BuildZReportText(counters, now, Settings(",", "."));
  EXPECT_EQ(z.rfind("Z-REPORT # 0012\r\n\r\n" + std::string(44, '-') + "\r\n\r\nCaixa T01\r\nData Registo05-03-2024 14.07\r\n", 0),
            0u)
      << z;
  EXPECT_NE(z.find("\r\nTotal do Dia" + std::string(22, ' ') + "  1,234.50\r\n"), std::string::npos) << z;
  EXPECT_NE(z.find("\r\nTotal Geral" + std::string(23, ' ') + " 99,999.99\r\n"), std::string::npos) << z;
  // Labels with accents are padded by characters, not bytes.
  EXPECT_NE(z.find("\r\nTotal Geral Devolu\u00e7\u00f5es" + std::string(12, ' ') + "      0.00\r\n"), std::string::npos)
      << z;
  EXPECT_EQ(z.substr(z.size() - 46), "\r\nDocumentos Emitidos" + std::string(15, ' ') + "     1,234");

  const std::string x = BuildXReportText(counters, now, Settings(",", "."));
  EXPECT_EQ(x.rfind("X-REPORT\r\n" + std::string(44, '-') + "\r\n\r\nCaixa T01\r\nData Registo 05-03-2024 14.07\r\n", 0), 0u)
      << x;
  EXPECT_EQ(x.find("Total Geral"), std::string::npos);
}

}  // namespace
}  // namespace dodu

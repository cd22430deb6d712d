#include <gtest/gtest.h>

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

TEST(ReportNumberTextTest, SixSignificantDigitsThenTheLocaleForm) {
  struct Case {
    const char* value;
    int decimals;
    const char* english;
    const char* portuguese;
  } cases[] = {
      {"1234.5", 2, "1,234.50", "1.234,50"},
      {"0", 2, "0.00", "0,00"},
      {"-5", 2, "-5.00", "-5,00"},
      {"0.005", 2, "0.01", "0,01"},        // halves away from zero
      {"12345.675", 2, "12,345.70", "12.345,70"},  // six digits first: 12345.7
      {"123456.789", 2, "123,457.00", "123.457,00"},
      {"999999.5", 2, "1E+6", "1E+6"},
      {"1234567.5", 2, "1.23457E+6", "1,23457E+6"},
      {"-2500000", 2, "-2.5E+6", "-2,5E+6"},
      {"1234", 0, "1,234", "1.234"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReportNumberText(Amount::Parse(c.value), c.decimals, Settings(",", ".")), c.english) << c.value;
    EXPECT_EQ(ReportNumberText(Amount::Parse(c.value), c.decimals, Settings(".", ",")), c.portuguese) << c.value;
  }
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
  // 99999.99 has seven significant digits: it prints as 100,000.00.
  EXPECT_NE(z.find("\r\nTotal Geral" + std::string(23, ' ') + "100,000.00\r\n"), std::string::npos) << z;
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

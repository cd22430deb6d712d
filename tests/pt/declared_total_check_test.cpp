#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "base/temp_directory.h"
#include "io/connection.h"
#include "io/tcp_handler.h"
#include "platform/files.h"
#include "pt/declared_total_check.h"
#include "receipt/receipt.h"

namespace dodu {
namespace {

// A receipt declaring `total` whose tax lines have the given gross totals.
std::unique_ptr<kReceipt> ReceiptWith(const std::string& total, const std::vector<std::string>& tax_totals) {
  std::string taxes;
  for (const std::string& tax_total : tax_totals)
    taxes += "<Tax><Type>VAT</Type><Rate>23</Rate><TotalAmount>" + tax_total + "</TotalAmount></Tax>";
  const std::string xml = "<Receipt><Type>Sale</Type><TotalAmount>" + total + "</TotalAmount><Lines/><Taxes>" +
                          taxes + "</Taxes><Payments/></Receipt>";
  pugi::xml_document document;
  EXPECT_TRUE(document.load_string(xml.c_str()));
  auto receipt = std::make_unique<kReceipt>();
  receipt->Deserialize(document);
  return receipt;
}

std::optional<std::string> WarningFor(const std::string& total, const std::vector<std::string>& tax_totals) {
  return DeclaredTotalWarning(*ReceiptWith(total, tax_totals));
}

TEST(DeclaredTotalWarningTest, OnlyADifferenceAboveOneCentIsReported) {
  struct Case {
    const char* total;
    std::vector<std::string> taxTotals;
    bool warns;
  } cases[] = {
      {"12.30", {"12.30"}, false},
      {"17.00", {"6.36", "10.64"}, false},  // the sum of several rates
      {"12.31", {"12.30"}, false},          // one cent either way is rounding
      {"12.29", {"12.30"}, false},
      {"12.3101", {"12.30"}, true},
      {"12.32", {"12.30"}, true},
      {"12.28", {"12.30"}, true},
      {"-5.00", {"-5.00"}, false},  // a negative sale declares negative tax lines
      {"-5.00", {"5.00"}, true},
      {"12.30", {}, true},  // no tax line accounts for the total
      {"0", {}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WarningFor(c.total, c.taxTotals).has_value(), c.warns) << c.total;
  }
}

TEST(DeclaredTotalWarningTest, NamesBothTotalsAndTheDifference) {
  EXPECT_EQ(WarningFor("20.00", {"6.36", "10.64"}),
            "declared TotalAmount 20 differs from the sum of the tax lines' totals 17 by 3; the document is issued "
            "with the declared total");
}

// The processor's log gets one line for a mismatch and none for a receipt that adds up.
TEST(DeclaredTotalWarningTest, WritesOneLogLineForAMismatchOnly) {
  testing::TempDirectory directory;
  kConnection connection;
  auto handler = std::make_unique<kIOHandler_TCP>(&connection, directory.Path(), "DODU_PT_10_till");
  const std::string file = handler->GetLogFileName();
  LogDeclaredTotalWarning(*handler, *ReceiptWith("12.30", {"12.30"}));
  LogDeclaredTotalWarning(*handler, *ReceiptWith("20.00", {"6.36", "10.64"}));
  handler.reset();  // the log writer drains its queue
  std::vector<std::string> warnings;
  for (const std::string& line : ReadFileLines(file)) {
    if (line.find("WARNING") != std::string::npos) warnings.push_back(line);
  }
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find(" - WARNING:declared TotalAmount 20 differs from the sum of the tax lines' totals 17 by 3"),
            std::string::npos)
      << warnings[0];
}

}  // namespace
}  // namespace dodu

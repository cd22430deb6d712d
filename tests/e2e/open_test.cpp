// OPEN of the Portuguese processor through the loaded library.
#include <gtest/gtest.h>

#include <filesystem>
#include <pugixml.hpp>

#include "support/driver_library.h"
#include "support/file_wait.h"
#include "support/store_fixture.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

const char* const kUnknownCompanySale =
    "<Receipt><Type>Sale</Type><DateTime>2024-02-09T10:00:00</DateTime><CompanyTaxCode>PT999</CompanyTaxCode>"
    "<StoreCode>S01</StoreCode><TotalAmount>1</TotalAmount><Lines/><Taxes/><Payments/></Receipt>";

TEST(OpenTest, CreatesTheTillAndConnectsTheStore) {
  StoreFixture store;
  DriverLibrary driver;
  ExportResult open = driver.Open(Envelope(0, "T01"));
  ASSERT_EQ(open.code, 0) << open.error;
  EXPECT_EQ(open.handle, 1);
  EXPECT_TRUE(open.errorWasNull);

  const fs::path till = store.DataDir() / "T01";
  for (const char* directory : {"Queue", "Errors", "Processed", "Journal"})
    EXPECT_TRUE(fs::is_directory(till / directory)) << directory;

  pugi::xml_document counters;
  ASSERT_TRUE(counters.load_file((till / "counters.actual.fprc").c_str()));
  std::vector<std::string> names;
  for (pugi::xml_node child : counters.child("FPRCounters").children()) names.push_back(child.name());
  const std::vector<std::string> expected = {
      "TillSerial",      "CreatedAt",         "LastUpdatedAt",   "CurrentReceiptNo",  "CurrentZReportNo",
      "DailyTotal",      "DailySales",        "DailyRefunds",    "DailyVoids",        "DailyDiscounts",
      "GrandTotalTotal", "GrandTotalSales",   "GrandTotalRefunds", "GrandTotalVoids", "GrandTotalDiscounts",
      "TrainingMode",    "LastHash"};
  EXPECT_EQ(names, expected);
  pugi::xml_node root = counters.child("FPRCounters");
  EXPECT_STREQ(root.child_value("TillSerial"), "T01");
  EXPECT_STREQ(root.child_value("CurrentReceiptNo"), "0");
  EXPECT_STREQ(root.child_value("CurrentZReportNo"), "1");
  EXPECT_STREQ(root.child_value("DailyTotal"), "0");
  EXPECT_STREQ(root.child_value("TrainingMode"), "False");

  const fs::path log = FindFile(store.HostDir() / "LogFiles" / "FiscalPrinter", "DODU_PT_10_1_");
  ASSERT_FALSE(log.empty()) << "no processor log";
  const std::string text = WaitForFileContaining(log, "Assigned Handle: 1");
  const size_t begin = text.find(" - OPEN:BEGIN\r\n");
  const size_t end = text.find(" - OPEN:END\r\n");
  EXPECT_NE(begin, std::string::npos) << text;
  EXPECT_NE(end, std::string::npos) << text;
  EXPECT_LT(begin, end);
  EXPECT_NE(text.find(" - OPEN:Assigned Handle: 1\r\n"), std::string::npos);

  // The store answers: an unknown company is looked up and not found.
  ExportResult sale = driver.ProcessReceipt(Envelope(1, "T01", kUnknownCompanySale));
  EXPECT_EQ(sale.code, -1);
  EXPECT_EQ(sale.error, "Company PT999 not found");
}

TEST(OpenTest, AnswersWithoutSettingsFileAndTheDatabaseFailsLater) {
  StoreFixture store;
  fs::remove(store.WorkDir() / "qvSAFTPT.ini");
  DriverLibrary driver;
  ExportResult open = driver.Open(Envelope(0, "T01"));
  ASSERT_EQ(open.code, 0) << open.error;
  ASSERT_GT(open.handle, 0);
  ExportResult sale = driver.ProcessReceipt(Envelope(open.handle, "T01", kUnknownCompanySale));
  EXPECT_EQ(sale.code, -1);
  EXPECT_FALSE(sale.error.empty());
  EXPECT_EQ(sale.error.find("Company"), std::string::npos) << sale.error;
}

TEST(OpenTest, ReopeningKeepsTheHandleAndACountersFileOfAnotherTillIsRefused) {
  StoreFixture store;
  DriverLibrary driver;
  ExportResult first = driver.Open(Envelope(0, "T01"));
  ASSERT_EQ(first.code, 0) << first.error;
  ExportResult again = driver.Open(Envelope(first.handle, "T01"));
  EXPECT_EQ(again.code, 0) << again.error;
  EXPECT_EQ(again.handle, first.handle);

  // A till directory whose counters belong to another till must not be taken over.
  fs::create_directories(store.DataDir() / "T02");
  fs::copy_file(store.DataDir() / "T01" / "counters.actual.fprc", store.DataDir() / "T02" / "counters.actual.fprc");
  ExportResult other = driver.Open(Envelope(0, "T02"));
  EXPECT_EQ(other.code, -1);
  EXPECT_EQ(other.handle, 0);
  EXPECT_EQ(other.error, "Till Serial T02 is different from stored value: T01");
}

TEST(OpenTest, TheRequestsConnectionNeverReachesTheProcessor) {
  // Each of these would fail if its handler were made: a library that does not exist, a serial
  // line with 0 stop bits, a port name without a number. The processor always gets TCP.
  const std::string connections[] = {
      "<Connection><Type>DLL</Type><LibraryName>no-such-device.so</LibraryName></Connection>",
      "<Connection><Type>SERIAL</Type><SerialPort>COM9</SerialPort><StopBits>0</StopBits></Connection>",
      "<Connection><Type>SERIAL</Type><SerialPort>USB</SerialPort><StopBits>1</StopBits></Connection>",
      "<Connection><Type>HTTP</Type><URL>http://127.0.0.1:1/</URL></Connection>",
      "<Connection><Type>COM</Type></Connection>",
  };
  for (const std::string& connection : connections) {
    SCOPED_TRACE(connection);
    StoreFixture store;
    DriverLibrary driver;
    ExportResult open = driver.Open(Envelope(0, "T01", connection));
    EXPECT_EQ(open.code, 0) << open.error;
    EXPECT_GT(open.handle, 0);
  }
}

}  // namespace
}  // namespace dodu::testing

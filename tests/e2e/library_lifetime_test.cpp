// The library's life in a host process: unloading it, leaving the process with it loaded, and
// what many OPENs leave behind.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "support/driver_library.h"
#include "support/file_wait.h"
#include "support/process_resources.h"
#include "support/receipt_till.h"
#include "support/store_fixture.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;
using std::chrono::seconds;

// The bodies below run only as the child of the test after them: a till that opens, issues a
// document and then unloads the library, or leaves the process with the library loaded.
void OpenAndSell(DriverLibrary& driver) {
  ExportResult open = driver.Open(Envelope(0, "T01"));
  ASSERT_EQ(open.code, 0) << open.error;
  ExportResult sale = driver.ProcessReceipt(Envelope(open.handle, "T01", ReceiptRequest().Xml()));
  ASSERT_EQ(sale.code, 0) << sale.error;
}

TEST(LibraryLifetimeChild, OpensSellsAndUnloads) {
  if (std::getenv(kChildTestVariable) == nullptr) GTEST_SKIP() << "runs as the child of LibraryLifetime";
  DriverLibrary driver;
  OpenAndSell(driver);
  EXPECT_TRUE(driver.Unload());
}

TEST(LibraryLifetimeChild, OpensSellsAndExitsWithTheLibraryLoaded) {
  if (std::getenv(kChildTestVariable) == nullptr) GTEST_SKIP() << "runs as the child of LibraryLifetime";
  DriverLibrary driver;
  OpenAndSell(driver);
}

TEST(LibraryLifetime, UnloadAndExitAfterADocumentEndTheProcessCleanly) {
  StoreFixture store;
  store.AddCompanyAndBranch();
  store.AddSeries(kInvoiceSeries, kInvoiceValidation);
  int number = 0;
  for (const char* body : {"OpensSellsAndUnloads", "OpensSellsAndExitsWithTheLibraryLoaded"}) {
    const ProcessExit exit = RunTestInChildProcess(std::string("LibraryLifetimeChild.") + body);
    EXPECT_TRUE(exit.Succeeded()) << body << ": " << exit.text;
    // The child's document is in the store: it really opened and sold before it ended.
    EXPECT_EQ(store.Query("select count(*) as n from Receipts").at(0).at("n"), std::to_string(++number)) << body;
  }
}

TEST(LibraryLifetime, ThousandsOfOpensLeaveThreadsAndOpenFilesAsTheFirstOpenDid) {
  constexpr int kOpens = 2000;
  StoreFixture store;
  store.AddCompanyAndBranch();
  DriverLibrary driver;
  ExportResult first = driver.Open(Envelope(0, "T01"));
  ASSERT_EQ(first.code, 0) << first.error;
  // The first connection turns the fresh store to write-ahead logging; from the next one on the
  // store's log and shared-memory files are open beside it.
  ASSERT_EQ(driver.Open(Envelope(0, "T01")).code, 0);
  const ProcessResources after_first = ProcessResources::Now();

  for (int i = 0; i < kOpens; ++i) {
    ExportResult open = driver.Open(Envelope(0, "T01"));
    ASSERT_EQ(open.code, 0) << open.error;
    ASSERT_EQ(open.handle, first.handle + 2 + i);
  }
  // Failed OPENs: no till serial, and a till directory whose counters belong to another till.
  fs::create_directories(store.DataDir() / "T02");
  fs::copy_file(store.DataDir() / "T01" / "counters.actual.fprc", store.DataDir() / "T02" / "counters.actual.fprc");
  for (int i = 0; i < kOpens; ++i) {
    ExportResult open = driver.Open(Envelope(0, i % 2 == 0 ? "" : "T02"));
    ASSERT_EQ(open.code, -1);
    ASSERT_EQ(open.handle, 0);
    ASSERT_EQ(open.error, i % 2 == 0 ? "Invalid till serial" : "Till Serial T02 is different from stored value: T01");
  }

  ProcessResources now;
  EXPECT_TRUE(Eventually(
      [&] {
        now = ProcessResources::Now();
        return now.threads <= after_first.threads && now.openFiles <= after_first.openFiles;
      },
      seconds(20)))
      << "after the first OPEN: " << after_first.Text() << "; after " << 2 * kOpens << " more: " << now.Text();

  // The failed processors are gone from the table; their handle numbers stay used up.
  ExportResult failed = driver.ProcessGetStatus(Envelope(first.handle + kOpens + 2, "T01"));
  EXPECT_EQ(failed.code, -1);
  EXPECT_EQ(failed.error, "Processor Handle not found");
  ExportResult opened = driver.ProcessGetStatus(Envelope(first.handle + kOpens + 1, "T01"));
  EXPECT_EQ(opened.code, 0) << opened.error;
  ExportResult next = driver.Open(Envelope(0, "T01"));
  EXPECT_EQ(next.handle, first.handle + 2 * kOpens + 2);
}

TEST(LibraryLifetime, LogLinesAreInTheirFilesInOrderWhenTheExportReturns) {
  StoreFixture store;
  DriverLibrary driver;
  ExportResult open = driver.Open(Envelope(0, "T01"));
  ASSERT_EQ(open.code, 0) << open.error;
  const fs::path log = FindFile(store.HostDir() / "LogFiles" / "FiscalPrinter", "DODU_PT_10_1_");
  ASSERT_FALSE(log.empty());
  // Read at once, without waiting: the export has written its lines before it returned.
  EXPECT_NE(ReadWholeFile(log).find(" - OPEN:Assigned Handle: 1\r\n"), std::string::npos);
  for (int i = 1; i <= 20; ++i) {
    ASSERT_EQ(driver.ProcessXReport(Envelope(open.handle, "T01")).code, 0);
    const std::string text = ReadWholeFile(log);
    size_t count = 0;
    for (size_t at = text.find("PROCESSXREPORT:END"); at != std::string::npos; at = text.find("PROCESSXREPORT:END", at + 1))
      ++count;
    EXPECT_EQ(count, static_cast<size_t>(i));
    EXPECT_LT(text.rfind("PROCESSXREPORT:BEGIN"), text.rfind("PROCESSXREPORT:END"));
  }
}

}  // namespace
}  // namespace dodu::testing

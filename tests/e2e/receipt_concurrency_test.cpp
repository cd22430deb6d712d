// Two till processes numbering in one series of one embedded store at the same time.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

#include <pugixml.hpp>

#include "base/conversions.h"
#include "platform/files.h"
#include "pt/crypto_service.h"
#include "support/child_process.h"
#include "support/file_wait.h"
#include "support/receipt_till.h"

namespace dodu::testing {
namespace {

constexpr int kDocumentsPerTill = 50;
constexpr const char* kTestFilter = "--gtest_filter=ReceiptConcurrency.TwoProcessesNumberOneSeriesWithoutGapOrRepeat";

// The worker side: this test program started again for one till; it issues the documents and
// leaves the first failure in the report file.
int IssueDocuments(const std::string& till_serial, const std::string& report) {
  DriverLibrary driver;
  ExportResult open = driver.Open(Envelope(0, till_serial));
  std::string failure = open.code != 0 ? "OPEN: " + open.error : "";
  for (int i = 0; failure.empty() && i < kDocumentsPerTill; ++i) {
    ReceiptRequest request;
    request.tillCode = till_serial;
    ExportResult result = driver.ProcessReceipt(Envelope(open.handle, till_serial, request.Xml()));
    if (result.code != 0) failure = "document " + std::to_string(i + 1) + ": " + result.error;
  }
  std::ofstream(report) << (failure.empty() ? "done" : failure);
  return failure.empty() ? 0 : 1;
}

// Starts this test program as a worker for the till; the environment (store, directories) is
// this process's own.
std::unique_ptr<ChildProcess> StartWorker(const std::string& till_serial, const std::string& report) {
  return std::make_unique<ChildProcess>(
      ThisProgram(), std::vector<std::string>{kTestFilter},
      ChildProcess::Variables{{"DODU_RECEIPT_WORKER", till_serial}, {"DODU_RECEIPT_WORKER_REPORT", report}});
}

TEST(ReceiptConcurrency, TwoProcessesNumberOneSeriesWithoutGapOrRepeat) {
  if (const char* till_serial = std::getenv("DODU_RECEIPT_WORKER"))
    std::_Exit(IssueDocuments(till_serial, std::getenv("DODU_RECEIPT_WORKER_REPORT")));

  StoreFixture store;
  store.AddCompanyAndBranch();
  store.AddSeries(kInvoiceSeries, kInvoiceValidation);
  const std::vector<std::string> tills = {"T01", "T02"};
  std::vector<std::unique_ptr<ChildProcess>> workers;
  for (const std::string& till : tills) {
    workers.push_back(StartWorker(till, PathText(store.Root() / ("report-" + till))));
    ASSERT_TRUE(workers.back()->Started()) << workers.back()->Wait().text;
  }
  for (size_t i = 0; i < workers.size(); ++i) {
    const ProcessExit exit = workers[i]->Wait();
    EXPECT_TRUE(exit.Succeeded()) << tills[i] << ": " << exit.text << ": "
                                  << ReadWholeFile(store.Root() / ("report-" + tills[i]));
  }

  const std::vector<Row> rows = store.Query("select * from Receipts order by Serie, Number");
  ASSERT_EQ(rows.size(), 2u * kDocumentsPerTill);
  std::map<std::string, int> by_till;
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].at("Number"), std::to_string(i + 1));
    EXPECT_EQ(rows[i].at("FiscalId"), std::string(kInvoiceValidation) + "-" + ZeroPadded(static_cast<int64_t>(i + 1), 7));
    ++by_till[rows[i].at("TillCode")];
  }
  EXPECT_EQ(by_till, (std::map<std::string, int>{{"T01", kDocumentsPerTill}, {"T02", kDocumentsPerTill}}));
  ExpectVerifiedChains(rows, store.Root() / "openssl");

  const auto series = store.Query("select * from Series where Serie_Code='FR2024S01'");
  ASSERT_EQ(series.size(), 1u);
  EXPECT_EQ(series[0].at("Serie_LastNumber"), std::to_string(rows.size()));
  EXPECT_EQ(series[0].at("Serie_LastHash"), rows.back().at("Hash"));
  std::string check_text;
  ASSERT_TRUE(ReadCheckFile(store.CheckFile(kInvoiceSeries).string(), check_text));
  EXPECT_EQ(check_text, std::to_string(rows.size()));
  for (const std::string& till : tills) {
    pugi::xml_document counters;
    ASSERT_TRUE(counters.load_file((store.DataDir() / till / "counters.actual.fprc").c_str()));
    EXPECT_EQ(std::string(counters.child("FPRCounters").child_value("CurrentReceiptNo")),
              std::to_string(kDocumentsPerTill))
        << till;
  }
}

}  // namespace
}  // namespace dodu::testing

// Documents the processor refuses: nothing is numbered, stored, counted or locked for them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "base/conversions.h"
#include "platform/file_lock.h"
#include "pt/crypto_service.h"
#include "support/file_wait.h"
#include "support/receipt_till.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

DateTime At(const char* text) { return XmlTextToDateTime(text); }

TEST(ReceiptRefusals, SeriesChecksFailInsideTheNumberingAndChangeNothing) {
  struct Case {
    const char* what;
    std::function<void(ReceiptTill&)> prepare;
    std::string message;
  };
  const std::string later_than_document = "Invoice date " + DateTimeToText(At("2024-02-09T10:00:00")) +
                                          " is less than the date if last Invoice issued " +
                                          DateTimeToText(At("2024-02-09T10:00:01"));
  const Case cases[] = {
      {"closed", [](ReceiptTill& t) { t.Store().AddSeries(kInvoiceSeries, kInvoiceValidation, 0, "", "", true); },
       "Serie [FR2024S01] is Closed"},
      {"closed before the validation code is looked at",
       [](ReceiptTill& t) { t.Store().AddSeries(kInvoiceSeries, "", 0, "", "", true); }, "Serie [FR2024S01] is Closed"},
      {"without validation code", [](ReceiptTill& t) { t.Store().AddSeries(kInvoiceSeries, ""); },
       "Serie Validation Code from serie [FR2024S01] is missing."},
      {"not registered", [](ReceiptTill&) {}, "Serie Validation Code from serie [FR2024S01] is missing."},
      {"check file behind the database",
       [](ReceiptTill& t) {
         t.Store().AddSeries(kInvoiceSeries, kInvoiceValidation, 5);
         WriteCheckFile(t.Store().CheckFile(kInvoiceSeries).string(), "4");
       },
       "Last Number for Serie [FR2024S01] does not match [DB=5 CK=4]"},
      {"check file missing", [](ReceiptTill& t) { t.Store().AddSeries(kInvoiceSeries, kInvoiceValidation, 3); },
       "Last Number for Serie [FR2024S01] does not match [DB=3 CK=0]"},
      {"check file not a number",
       [](ReceiptTill& t) {
         t.Store().AddSeries(kInvoiceSeries, kInvoiceValidation, 3);
         WriteCheckFile(t.Store().CheckFile(kInvoiceSeries).string(), "3x");
       },
       "Last Number for Serie [FR2024S01] does not match [DB=3 CK=0]"},
      {"full",
       [](ReceiptTill& t) {
         t.Store().AddSeries(kInvoiceSeries, kInvoiceValidation, 9999999);
         WriteCheckFile(t.Store().CheckFile(kInvoiceSeries).string(), "9999999");
       },
       "Serie [FR2024S01] is full: register a new series"},
      {"business date before the one the series' last document was signed with",
       [](ReceiptTill& t) {
         t.Store().AddSeries(kInvoiceSeries, kInvoiceValidation, 1, "h1", "2024-02-09T09:00:00.000");
         t.Store().Execute("insert into Receipts (id,Serie,Number,Hash,HashedString) values ('r1','FR2024S01',1,'h1',"
                           "'2024-02-10;2024-02-09T09:00:00;FR FR2024S01/0000001;1.00;')");
         WriteCheckFile(t.Store().CheckFile(kInvoiceSeries).string(), "1");
       },
       "Invoice date " + DateTimeToText(At("2024-02-09T00:00:00")) +
           " is less than the date if last Invoice issued " + DateTimeToText(At("2024-02-10T00:00:00"))},
      {"dated one second before the series' last document",
       [](ReceiptTill& t) {
         t.Store().AddSeries(kInvoiceSeries, kInvoiceValidation, 0, "", "2024-02-09T10:00:01.000");
       },
       later_than_document},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReceiptTill till("T01", false);
    c.prepare(till);
    const TillSnapshot before(till);
    ExportResult result = till.Process(ReceiptRequest{});
    EXPECT_EQ(result.code, -1);
    EXPECT_EQ(result.error, c.message);
    EXPECT_TRUE(TillSnapshot(till) == before);
    EXPECT_NE(till.Log(c.message).find("-999: " + c.message), std::string::npos);
  }
}

// Requests that would block the series or the till for good are refused before anything is
// locked, numbered, stored or counted.
TEST(ReceiptRefusals, DocumentsThatWouldBlockASeriesOrATillAreRefusedFirst) {
  const std::string now_year = FormatDateTime("yyyy", Now());
  const std::string next_year = std::to_string(std::stoi(now_year) + 1) + "-01-02T00:00:00";
  struct Case {
    const char* what;
    std::function<void(ReceiptRequest&, ReceiptTill&)> prepare;
    std::string error_start;
  };
  const Case cases[] = {
      {"dated at the end of time", [](ReceiptRequest& r, ReceiptTill&) { r.dateTime = "9999-12-31T23:59:59"; },
       "Invoice date " + DateTimeToText(At("9999-12-31T23:59:59")) + " is later than the system date "},
      {"business date next year", [&](ReceiptRequest& r, ReceiptTill&) { r.businessDate = next_year; },
       "Invoice date " + DateTimeToText(At(next_year.c_str())) + " is later than the system date "},
      {"no date-time", [](ReceiptRequest& r, ReceiptTill&) { r.dateTime = ""; },
       "Invoice date is missing: the receipt has no DateTime"},
      {"a date-time that is none", [](ReceiptRequest& r, ReceiptTill&) { r.dateTime = "tomorrow"; },
       "Error in processing node DateTime as datetime."},
      {"a total no document has",
       [](ReceiptRequest& r, ReceiptTill&) { r.totalAmount = "922337203685477.00"; },
       "Total amount 922337203685477 is beyond the limit of 999999999.99 for one document"},
      {"a credit note total no document has",
       [](ReceiptRequest& r, ReceiptTill&) { r.totalAmount = "-1000000000"; },
       "Total amount -1000000000 is beyond the limit of 999999999.99 for one document"},
      {"a till whose grand total would overflow",
       [](ReceiptRequest&, ReceiptTill& t) {
         std::string counters = t.CountersText();
         const std::string from = "<GrandTotalSales>0</GrandTotalSales>";
         counters.replace(counters.find(from), from.size(), "<GrandTotalSales>922337203685470</GrandTotalSales>");
         std::ofstream(t.CountersFile(), std::ios::binary | std::ios::trunc) << counters;
       },
       "Total amount 12.3 cannot be counted: the till's totals would pass the largest amount they can hold"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ReceiptTill till;
    ReceiptRequest request;
    c.prepare(request, till);
    std::string xml = request.Xml();
    // An empty date-time stands for a receipt without the element.
    if (request.dateTime.empty()) xml.erase(xml.find("<DateTime></DateTime>"), std::string("<DateTime></DateTime>").size());
    const TillSnapshot before(till);
    ExportResult result = till.Process(xml);
    EXPECT_EQ(result.code, -1);
    EXPECT_EQ(result.error.substr(0, c.error_start.size()), c.error_start) << result.error;
    EXPECT_TRUE(TillSnapshot(till) == before);
    EXPECT_FALSE(fs::exists(till.Store().CheckFile(kInvoiceSeries)));
  }
}

TEST(ReceiptRefusals, DocumentAtTheSameInstantAsTheSeriesLastOnePasses) {
  ReceiptTill till("T01", false);
  till.Store().AddSeries(kInvoiceSeries, kInvoiceValidation, 0, "", "2024-02-09T10:00:00.000");
  ExportResult result = till.Process(ReceiptRequest{});
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(Answer(result.output).Value("Number"), "1");
}

TEST(ReceiptRefusals, UnknownCompanyOrBranch) {
  ReceiptTill till;
  struct Case {
    ReceiptRequest request;
    std::string message;
  };
  ReceiptRequest unknown_company, unknown_branch, void_of_unknown_company;
  unknown_company.companyTaxCode = "PT999";
  unknown_branch.storeCode = "S99";
  void_of_unknown_company = VoidOf("C1-S01", "1", "2024-02-09T10:00:00");
  void_of_unknown_company.companyTaxCode = "O'Neil";
  const Case cases[] = {{unknown_company, "Company PT999 not found"},
                        {unknown_branch, "Branch S99 not found"},
                        {void_of_unknown_company, "Company O'Neil not found"}};
  const TillSnapshot before(till);
  for (const Case& c : cases) {
    ExportResult result = till.Process(c.request);
    EXPECT_EQ(result.code, -1);
    EXPECT_EQ(result.error, c.message);
  }
  EXPECT_TRUE(TillSnapshot(till) == before);
  EXPECT_TRUE(FilesIn(till.Store().HostDir() / "PT_Check").empty()) << "nothing was locked";
}

TEST(ReceiptRefusals, SeriesCodeThatIsNoPlainFileNameIsRefusedBeforeAnythingIsLocked) {
  ReceiptTill till;
  for (const char* series_template : {"{{DocumentType}}/{{Store}}", "../{{Store}}", "..", "FR<1>", "FR\\A", "FR\tA",
                                      "FR|A"}) {
    SCOPED_TRACE(series_template);
    till.Store().Execute(std::string("update BranchRecord set InvoiceSerieTemplate='") + series_template + "'");
    const TillSnapshot before(till);
    ExportResult result = till.Process(ReceiptRequest{});
    EXPECT_EQ(result.code, -1);
    EXPECT_EQ(result.error, "Invalid characters in path");
    EXPECT_TRUE(TillSnapshot(till) == before);
    EXPECT_TRUE(FilesIn(till.Store().HostDir() / "PT_Check").empty()) << "nothing was locked";
  }
}

TEST(ReceiptRefusals, SeriesLockNotGrantedInTimeRefusesTheDocument) {
  ReceiptTill till;
  fs::create_directories(till.Store().HostDir() / "PT_Check");
  FileLock other_till;
  ASSERT_TRUE(other_till.Acquire((till.Store().HostDir() / "PT_Check" / "FR2024S01.series.lock").string(), 0));
  const TillSnapshot before(till);
  ExportResult result = till.Process(ReceiptRequest{});
  EXPECT_EQ(result.code, -1);
  EXPECT_NE(result.error.find("Serie [FR2024S01]"), std::string::npos) << result.error;
  EXPECT_NE(result.error.find("lock not granted within 5000 ms"), std::string::npos) << result.error;
  EXPECT_TRUE(TillSnapshot(till) == before);

  other_till.Release();
  ExportResult next = till.Process(ReceiptRequest{});
  ASSERT_EQ(next.code, 0) << next.error;
  EXPECT_EQ(Answer(next.output).Value("Number"), "1");
}

}  // namespace
}  // namespace dodu::testing

namespace dodu::testing {
namespace {

// A pending check file counts only when it was written with the key and the store holds its
// document: a stale one is dropped, a forged one refuses the series as a forged check file does.
TEST(ReceiptRefusals, PendingCheckFilesAreSettledAgainstTheStore) {
  ReceiptTill till;
  const fs::path pending = fs::path(till.Store().CheckFile(kInvoiceSeries).string() + ".pending");

  // Left by a till that died before its COMMIT: the store never got document 1.
  WriteCheckFile(pending.string(), "1");
  ExportResult first = till.Process(ReceiptRequest{});
  ASSERT_EQ(first.code, 0) << first.error;
  EXPECT_EQ(till.CheckText(kInvoiceSeries), "1");
  EXPECT_FALSE(fs::exists(pending));

  // Written without the key.
  std::ofstream(pending) << "bm90IHRoZSBrZXk=\n";
  const TillSnapshot before(till);
  ReceiptRequest second;
  second.dateTime = "2024-02-09T10:00:01";
  ExportResult forged = till.Process(second);
  EXPECT_EQ(forged.code, -1);
  EXPECT_EQ(forged.error.rfind("Check file " + pending.string() + " cannot be decrypted.", 0), 0u) << forged.error;
  EXPECT_TRUE(TillSnapshot(till) == before);
}

}  // namespace
}  // namespace dodu::testing

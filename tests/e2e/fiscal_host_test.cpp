// The host program as a user runs it: init, the demo day, the single commands and the chain check.
#include <sqlite3.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/temp_directory.h"
#include "platform/files.h"
#include "platform/local_time.h"
#include "support/child_process.h"
#include "support/file_wait.h"

namespace dodu::testing {
namespace {

// The tests run the host program built with this tree: fiscal-host, or fiscal-host.exe on Windows.
#ifdef DODU_FISCAL_HOST_PATH

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string output;  // standard output and standard error
};

// Runs fiscal-host with the library of this build (whatever $DODU_LIBRARY says).
ToolRun RunTool(const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {"--library", DODU_LIBRARY_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  ChildProcess tool(DODU_FISCAL_HOST_PATH, words, {}, true);
  const ProcessExit exit = tool.Wait();
  ToolRun run;
  run.output = tool.Output();
  run.status = exit.exited ? exit.code : -1;
  if (!tool.Started()) run.output = exit.text;
  return run;
}

std::string SeriesCode(const std::string& document_type) {
  const std::tm local = LocalTimeOf(std::time(nullptr));
  return document_type + std::to_string(local.tm_year + 1900) + "S01" + "01";
}

void Execute(const fs::path& database, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(PathText(database).c_str(), &db), SQLITE_OK);
  char* message = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  const std::string error = message != nullptr ? message : "";
  sqlite3_free(message);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << error;
}

std::string QueryOne(const fs::path& database, const std::string& sql) {
  sqlite3* db = nullptr;
  std::string value;
  if (sqlite3_open(PathText(database).c_str(), &db) == SQLITE_OK) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0) != nullptr) {
      value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    }
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  return value;
}

std::string ReadText(const fs::path& file) {
  std::ifstream in(file);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The modules of the first QR code drawn in a text (true: dark), read back from the half blocks:
// a full block is two light modules, the upper and lower half blocks one each, a blank none.
std::vector<std::vector<bool>> FirstDrawnQrCode(const std::string& text) {
  std::vector<std::vector<bool>> modules;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::vector<bool> top, bottom;
    bool drawn = !line.empty();
    for (size_t i = 0; drawn && i < line.size();) {
      if (line[i] == ' ') {
        top.push_back(true), bottom.push_back(true), i += 1;
      } else if (line.compare(i, 3, "\u2588") == 0) {
        top.push_back(false), bottom.push_back(false), i += 3;
      } else if (line.compare(i, 3, "\u2580") == 0) {
        top.push_back(false), bottom.push_back(true), i += 3;
      } else if (line.compare(i, 3, "\u2584") == 0) {
        top.push_back(true), bottom.push_back(false), i += 3;
      } else {
        drawn = false;
      }
    }
    if (drawn && top.size() >= 29) {
      modules.push_back(top);
      modules.push_back(bottom);
    } else if (!modules.empty()) {
      break;
    }
  }
  // An odd size leaves half of the last line below the code.
  if (!modules.empty() && modules.size() > modules.front().size()) modules.pop_back();
  return modules;
}

// A finder pattern (7 by 7: dark ring, light ring, dark 3 by 3 core) with its corner at row, column.
bool FinderPatternAt(const std::vector<std::vector<bool>>& m, size_t row, size_t column) {
  for (size_t r = 0; r < 7; ++r) {
    for (size_t c = 0; c < 7; ++c) {
      const bool ring = r == 0 || r == 6 || c == 0 || c == 6;
      const bool core = r >= 2 && r <= 4 && c >= 2 && c <= 4;
      if (m[row + r][column + c] != (ring || core)) return false;
    }
  }
  return true;
}

// One demo day, run once for the suite and copied for each test that breaks it.
class FiscalHostDay : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    sDay = new TempDirectory();
    sInit = RunTool({"init", Day()});
    sDemo = RunTool({"-C", Day(), "demo"});
  }
  static void TearDownTestSuite() {
    delete sDay;
    sDay = nullptr;
  }
  static std::string Day() { return *sDay / "day"; }

  // A copy of the finished day to break.
  fs::path CopyOfDay() {
    const fs::path copy = fs::path(fTemp.Path()) / "copy";
    fs::copy(Day(), copy, fs::copy_options::recursive);
    return copy;
  }

  static TempDirectory* sDay;
  static ToolRun sInit, sDemo;
  TempDirectory fTemp;
};

TempDirectory* FiscalHostDay::sDay = nullptr;
ToolRun FiscalHostDay::sInit;
ToolRun FiscalHostDay::sDemo;

TEST_F(FiscalHostDay, InitAndDemoDayRunAndTheChainVerifies) {
  ASSERT_EQ(sInit.status, 0) << sInit.output;
  EXPECT_NE(sInit.output.find("qvSAFTPT.ini"), std::string::npos) << sInit.output;
  EXPECT_EQ(ReadText(fs::path(Day()) / "qvSAFTPT.ini"), "[Database]\nEngine=SQLite\nDBName=store.db\n");
  ASSERT_EQ(sDemo.status, 0) << sDemo.output;

  // Every kind of document came out on paper, with its fiscal annotations and a drawn QR code.
  const std::vector<std::string> printed = {
      "FR " + SeriesCode("FR") + "/0000001", "ATCUD:AAJFJ2K6-0000001", "NC " + SeriesCode("NC") + "/0000001",
      "Nota de Crédito", "M07 = Isento artigo 9.º do CIVA", "Processado por programa certificado",
      "*** DOCUMENTO ANULADO ***", "REIMPRESSÃO", "X-REPORT", "Z-REPORT # 0001",
      "A:500100209*B:123456789*C:PT*D:NC*E:N*", "\u2580", "every one as expected"};
  for (const std::string& expected : printed) {
    EXPECT_NE(sDemo.output.find(expected), std::string::npos) << expected << "\n" << sDemo.output;
  }

  // The QR code is drawn whole: a symbol size of 21 + 4k modules inside a light quiet zone of four,
  // with its three finder patterns in place.
  const std::vector<std::vector<bool>> qr = FirstDrawnQrCode(sDemo.output);
  ASSERT_FALSE(qr.empty()) << sDemo.output;
  const size_t size = qr.size();
  ASSERT_EQ(qr.front().size(), size);
  const size_t symbol = size - 8;
  EXPECT_EQ((symbol - 21) % 4, 0u) << symbol;
  for (size_t i = 0; i < size; ++i) {
    for (size_t border : {size_t{0}, size_t{1}, size_t{2}, size_t{3}, size - 4, size - 3, size - 2, size - 1}) {
      EXPECT_FALSE(qr[i][border]) << "quiet zone, row " << i;
      EXPECT_FALSE(qr[border][i]) << "quiet zone, column " << i;
    }
  }
  EXPECT_TRUE(FinderPatternAt(qr, 4, 4));
  EXPECT_TRUE(FinderPatternAt(qr, 4, size - 11));
  EXPECT_TRUE(FinderPatternAt(qr, size - 11, 4));

  const fs::path store = fs::path(Day()) / "store.db";
  EXPECT_EQ(QueryOne(store, "select count(*) from Receipts where Serie='" + SeriesCode("FR") + "'"), "4");
  EXPECT_EQ(QueryOne(store, "select count(*) from Receipts where Serie='" + SeriesCode("NC") + "'"), "1");
  EXPECT_EQ(QueryOne(store, "select Number from Receipts where Status='A'"), "4");
  EXPECT_TRUE(fs::exists(fs::path(Day()) / "host" / "PT_Check" / (SeriesCode("FR") + ".b64")));
  EXPECT_TRUE(fs::exists(fs::path(Day()) / "data" / "T01" / "counters.previous.fprc"));

  const ToolRun verify = RunTool({"-C", Day(), "verify"});
  EXPECT_EQ(verify.status, 0) << verify.output;
  EXPECT_NE(verify.output.find(SeriesCode("FR") + "  4 document(s) (1 voided), numbers 1-4, chain intact"),
            std::string::npos)
      << verify.output;
  EXPECT_NE(verify.output.find(SeriesCode("NC") + "  1 document(s), numbers 1-1, chain intact, check file says 1"),
            std::string::npos)
      << verify.output;
  EXPECT_NE(verify.output.find("till T01  counters agree with the store"), std::string::npos) << verify.output;
}

// The counters file is compared with the store, and a file a dead till left pending is named.
TEST_F(FiscalHostDay, VerifyComparesTheCountersFileAndReportsPendingFiles) {
  const fs::path day = CopyOfDay();
  const fs::path till = day / "data" / "T01";

  std::ofstream(till / "counters.pending.00.fprc") << "left by a till that died";
  std::ofstream(day / "host" / "PT_Check" / (SeriesCode("FR") + ".b64.pending")) << "x";
  const ToolRun pending = RunTool({"-C", day.string(), "verify"});
  EXPECT_EQ(pending.status, 1);
  EXPECT_NE(pending.output.find("pending counters file counters.pending.00.fprc not settled yet"), std::string::npos)
      << pending.output;
  EXPECT_NE(pending.output.find("PT_Check  PENDING: " + SeriesCode("FR") + ".b64.pending"), std::string::npos)
      << pending.output;
  fs::remove(till / "counters.pending.00.fprc");
  fs::remove(day / "host" / "PT_Check" / (SeriesCode("FR") + ".b64.pending"));

  // A document counted that the store does not hold.
  std::string counters = ReadWholeFile(till / "counters.actual.fprc");
  const size_t at = counters.find("<CurrentReceiptNo>");
  ASSERT_NE(at, std::string::npos);
  counters.insert(at + std::string("<CurrentReceiptNo>").size(), "9");
  std::ofstream(till / "counters.actual.fprc", std::ios::binary | std::ios::trunc) << counters;
  const ToolRun miscounted = RunTool({"-C", day.string(), "verify"});
  EXPECT_EQ(miscounted.status, 1);
  EXPECT_NE(miscounted.output.find("till T01  BROKEN:"), std::string::npos) << miscounted.output;
  EXPECT_NE(miscounted.output.find("documents today, the store holds"), std::string::npos) << miscounted.output;
}

TEST(FiscalHostInit, MakesItsStoreInWriteAheadLogMode) {
  TempDirectory temp;
  const fs::path day = fs::path(temp.Path()) / "day";
  const ToolRun init = RunTool({"init", day.string()});
  ASSERT_EQ(init.status, 0) << init.output;
  EXPECT_EQ(QueryOne(day / "store.db", "pragma journal_mode"), "wal");
  EXPECT_EQ(QueryOne(day / "store.db", "select count(*) from Series"), "2");
}

TEST_F(FiscalHostDay, InitRefusesADirectoryThatHoldsAStore) {
  ASSERT_EQ(sInit.status, 0) << sInit.output;
  const fs::path store = fs::path(Day()) / "store.db";
  const auto size_before = fs::file_size(store);
  const ToolRun again = RunTool({"init", Day()});
  EXPECT_EQ(again.status, 2) << again.output;
  EXPECT_NE(again.output.find("already holds a store"), std::string::npos) << again.output;
  EXPECT_EQ(fs::file_size(store), size_before);

  // A store file alone is enough to refuse.
  const fs::path other = fs::path(fTemp.Path()) / "other";
  fs::create_directories(other);
  std::ofstream(other / "store.db") << "";
  EXPECT_EQ(RunTool({"init", other.string()}).status, 2);
  EXPECT_FALSE(fs::exists(other / "qvSAFTPT.ini"));
}

struct Tampering {
  const char* name;
  std::string (*sql)();               // run on a copy of the day's store
  std::vector<std::string> expected;  // texts verify must print
};

std::string FR() { return SeriesCode("FR"); }

TEST_F(FiscalHostDay, VerifyNamesEveryKindOfBreak) {
  ASSERT_EQ(sDemo.status, 0) << sDemo.output;
  const std::string fr = FR();
  const std::vector<Tampering> cases = {
      {"total", [] { return "update Receipts set Totalamount='99.99' where Serie='" + FR() + "' and Number=2"; },
       {fr + " number 2: its Totalamount 99.99 differs from the signed total"}},
      {"hash",
       [] {
         return "update Receipts set Hash=(select Hash from Receipts where Serie='" + FR() +
                "' and Number=1) where Serie='" + FR() + "' and Number=2";
       },
       {fr + " number 2: its Hash is no valid signature of its HashedString",
        fr + " number 3: its PreviousHash is not the Hash of number 2"}},
      {"gap", [] { return "delete from Receipts where Serie='" + FR() + "' and Number=3"; },
       {fr + " number 4: number 3 is missing before it"}},
      {"series row", [] { return "update Series set Serie_LastNumber=3 where Serie_Code='" + FR() + "'"; },
       {fr + ": the Series row says the last number is 3, the last stored document is number 4"}},
      {"signed text",
       [] {
         return "update Receipts set HashedString=replace(HashedString,'/0000001','/0000009') where Serie='" + FR() +
                "' and Number=1";
       },
       {fr + " number 1: its Hash is no valid signature", fr + " number 1: the signed invoice number"}},
  };
  for (const Tampering& tampering : cases) {
    SCOPED_TRACE(tampering.name);
    const fs::path copy = CopyOfDay();
    Execute(copy / "store.db", tampering.sql());
    const ToolRun verify = RunTool({"-C", copy.string(), "verify"});
    EXPECT_EQ(verify.status, 1) << verify.output;
    for (const std::string& expected : tampering.expected)
      EXPECT_NE(verify.output.find(expected), std::string::npos) << expected << "\n" << verify.output;
    // The untouched series stays intact.
    EXPECT_NE(verify.output.find(SeriesCode("NC") + "  1 document(s), numbers 1-1, chain intact"), std::string::npos)
        << verify.output;
    fs::remove_all(copy);
  }
}

TEST_F(FiscalHostDay, VerifyComparesTheCheckFileWithTheLastNumber) {
  ASSERT_EQ(sDemo.status, 0) << sDemo.output;
  const fs::path copy = CopyOfDay();
  const fs::path checks = copy / "host" / "PT_Check";
  // A genuine check file of another series: it opens with the key but names number 1.
  fs::copy_file(checks / (SeriesCode("NC") + ".b64"), checks / (FR() + ".b64"),
                fs::copy_options::overwrite_existing);
  ToolRun verify = RunTool({"-C", copy.string(), "verify"});
  EXPECT_EQ(verify.status, 1) << verify.output;
  EXPECT_NE(verify.output.find(FR() + ": its check file says 1, the last stored document is number 4"),
            std::string::npos)
      << verify.output;

  std::ofstream(checks / (FR() + ".b64")) << "bm90IGEgY2hlY2sgZmlsZQ==\n";
  verify = RunTool({"-C", copy.string(), "verify"});
  EXPECT_EQ(verify.status, 1) << verify.output;
  EXPECT_NE(verify.output.find("does not open with the public key"), std::string::npos) << verify.output;

  fs::remove(checks / (FR() + ".b64"));
  verify = RunTool({"-C", copy.string(), "verify"});
  EXPECT_EQ(verify.status, 1) << verify.output;
  EXPECT_NE(verify.output.find(FR() + ": its check file"), std::string::npos) << verify.output;
  EXPECT_NE(verify.output.find("is missing"), std::string::npos) << verify.output;
}

TEST_F(FiscalHostDay, ASecondDayOnTheSameStoreContinuesTheChain) {
  ASSERT_EQ(sDemo.status, 0) << sDemo.output;
  const fs::path copy = CopyOfDay();
  // Right after the first day: its documents are dated up to a few seconds ahead of the clock.
  const ToolRun demo = RunTool({"-C", copy.string(), "demo"});
  ASSERT_EQ(demo.status, 0) << demo.output;
  EXPECT_NE(demo.output.find("Z-REPORT # 0002"), std::string::npos) << demo.output;
  EXPECT_NE(demo.output.find("Ref. FR " + FR() + "/0000007"), std::string::npos) << demo.output;
  const ToolRun verify = RunTool({"-C", copy.string(), "verify"});
  EXPECT_EQ(verify.status, 0) << verify.output;
  EXPECT_NE(verify.output.find(FR() + "  8 document(s) (2 voided), numbers 1-8, chain intact, check file says 8"),
            std::string::npos)
      << verify.output;
}

// The single commands, each a process of its own that opens the till first.
TEST(FiscalHostCommands, OneExportPerCommand) {
  TempDirectory temp;
  const std::string dir = temp / "till";
  ASSERT_EQ(RunTool({"init", dir}).status, 0);

  const std::tm local = LocalTimeOf(std::time(nullptr));
  char date_time[32], date[16];
  std::strftime(date_time, sizeof date_time, "%Y-%m-%dT%H:%M:%S", &local);
  std::strftime(date, sizeof date, "%Y-%m-%d", &local);
  const std::string sale =
      std::string("<Receipt><Type>Sale</Type><BusinessDate>") + date + "T00:00:00</BusinessDate><DateTime>" +
      date_time +
      "</DateTime><CompanyTaxCode>500100209</CompanyTaxCode><StoreCode>S01</StoreCode><TillCode>01</TillCode>"
      "<CompanyCode>C01</CompanyCode><TotalAmount>12.30</TotalAmount><Lines><ProductSale><Description>Cafe"
      "</Description><Quantity>1</Quantity><Price>12.3</Price><Amount>12.3</Amount><TaxCode>2300</TaxCode>"
      "</ProductSale></Lines><Taxes><Tax><Type>VAT</Type><Code>2300</Code><Rate>23</Rate><TaxableAmount>10"
      "</TaxableAmount><TaxAmount>2.30</TaxAmount></Tax></Taxes><Payments><Payment><Type>cash</Type><Amount>12.3"
      "</Amount></Payment></Payments></Receipt>";
  std::ofstream(temp / "sale.xml") << sale;
  const std::string reference = std::string("<DeviceSerialNumber>C01-S01</DeviceSerialNumber><ReceiptNumber>1"
                                            "</ReceiptNumber><ReceiptDateTime>") +
                                date_time + "</ReceiptDateTime>";
  std::ofstream(temp / "reprint.xml") << "<ReceiptReference><ReceiptType>Sale</ReceiptType>" << reference
                                      << "</ReceiptReference>";
  // A whole envelope, with a handle of another process: the tool puts its own in.
  std::ofstream(temp / "void.xml")
      << "<ReceiptPrinterManager><Driver>DODU_PT_10</Driver><Handle>77</Handle><Parameters><Processor>DODU_PT_10"
         "</Processor><FPTillSerial>T01</FPTillSerial></Parameters><Receipt><Type>Void</Type><CompanyTaxCode>"
         "500100209</CompanyTaxCode><StoreCode>S01</StoreCode><OperatorCode>OP9</OperatorCode><References>"
         "<OriginalReceipt>"
      << reference << "</OriginalReceipt></References><Lines/><Taxes/><Payments/></Receipt></ReceiptPrinterManager>";

  ToolRun run = RunTool({"-C", dir, "open"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output, "1\n");

  run = RunTool({"-C", dir, "receipt", temp / "sale.xml"});
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("<InvoiceNumber>FR " + FR() + "/0000001</InvoiceNumber>"), std::string::npos)
      << run.output;

  run = RunTool({"-C", dir, "reprint", temp / "reprint.xml"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("<IsReprint>True</IsReprint>"), std::string::npos) << run.output;

  run = RunTool({"-C", dir, "void", temp / "void.xml"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("<Type>Void</Type>"), std::string::npos) << run.output;
  run = RunTool({"-C", dir, "void", temp / "void.xml"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("Receipt already voided"), std::string::npos) << run.output;
  // Voiding with a sale would issue a document: refused before the library sees it.
  run = RunTool({"-C", dir, "void", temp / "sale.xml"});
  EXPECT_EQ(run.status, 2) << run.output;

  run = RunTool({"-C", dir, "status"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("<DayOpened>True</DayOpened>"), std::string::npos) << run.output;
  run = RunTool({"-C", dir, "x"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("<DayReceiptsNumber>1</DayReceiptsNumber>"), std::string::npos) << run.output;
  run = RunTool({"-C", dir, "z"});
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find("<ReportNumber>1</ReportNumber>"), std::string::npos) << run.output;
  run = RunTool({"-C", dir, "z"});
  EXPECT_NE(run.output.find("<ReportNumber>2</ReportNumber>"), std::string::npos) << run.output;

  run = RunTool({"-C", dir, "verify"});
  EXPECT_EQ(run.status, 0) << run.output;

  // A request the library refuses: its error text and a failure status.
  std::ofstream(temp / "bad.xml") << "<Receipt><Type>Sale</Type></Receipt>";
  run = RunTool({"-C", dir, "receipt", temp / "bad.xml"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("PROCESSRECEIPT failed (code -1): Unable to find Lines node"), std::string::npos)
      << run.output;
}

TEST(FiscalHostCommands, CommandLineErrors) {
  TempDirectory temp;
  ToolRun run = RunTool({});
  EXPECT_EQ(run.status, 0);
  EXPECT_NE(run.output.find("Usage: fiscal-host"), std::string::npos) << run.output;
  EXPECT_EQ(RunTool({"frobnicate"}).status, 2);
  EXPECT_EQ(RunTool({"--colour", "x"}).status, 2);
  EXPECT_EQ(RunTool({"init"}).status, 2);
  EXPECT_EQ(RunTool({"-C", temp.Path(), "receipt"}).status, 2);

  run = RunTool({"-C", temp.Path(), "x"});
  EXPECT_EQ(run.status, 1) << run.output;
  EXPECT_NE(run.output.find("holds no store"), std::string::npos) << run.output;
}

#endif

}  // namespace
}  // namespace dodu::testing

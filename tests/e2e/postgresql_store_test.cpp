// Tills on a PostgreSQL server store, each its own process with its own working directory: the
// demo day through the host program, four tills numbering at once, and tills that die or wait
// while another holds a series.
#include <gtest/gtest.h>

// The tests run the host program built with this tree; the server runs on Linux only.
#if defined(DODU_FISCAL_HOST_PATH) && !defined(_WIN32)

#include <signal.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <thread>

#include "base/ascii_text.h"
#include "base/conversions.h"
#include "db/db_connection.h"
#include "db/vendizio_dataset.h"
#include "db/vendizio_proxy.h"
#include "platform/files.h"
#include "platform/process.h"
#include "pt/crypto_service.h"
#include "pt/store_statements.h"
#include "support/child_process.h"
#include "support/driver_library.h"
#include "support/file_wait.h"
#include "support/postgres_cluster.h"
#include "support/receipt_requests.h"
#include "support/temporary_directory.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string output;
};

ToolRun RunTool(const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {"--library", DODU_LIBRARY_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  ChildProcess tool(DODU_FISCAL_HOST_PATH, words, {}, true);
  const ProcessExit exit = tool.Wait();
  ToolRun run;
  run.output = tool.Started() ? tool.Output() : exit.text;
  run.status = exit.exited ? exit.code : -1;
  return run;
}

using Rows = std::vector<std::map<std::string, std::string>>;

// Rows of a query on the server, column names in lower case.
Rows Query(const std::string& connection_string, const std::string& sql) {
  std::unique_ptr<DbConnection> connection = CreateDbConnection(dbe_ODBC, connection_string);
  connection->Open();
  const tQV_ResultSet result = connection->Run(sql, {}, 60);
  Rows rows;
  for (const auto& cells : result.rows) {
    std::map<std::string, std::string> row;
    for (size_t k = 0; k < cells.CellCount(); ++k)
      row[AsciiLower(result.columns.at(cells.ColumnOf(k)))] = cells.CellAt(k).text;
    rows.push_back(std::move(row));
  }
  return rows;
}

// A working directory of one till on the server store, laid out as `fiscal-host init` lays it out.
struct TillDirectory {
  fs::path root;
  std::string serial, tillCode;
  fs::path Host() const { return root / "host"; }
  fs::path Data() const { return root / "data"; }

  TillDirectory(const fs::path& parent, std::string till_serial, std::string till_code,
                const std::string& connection_string)
      : root(parent / till_serial), serial(std::move(till_serial)), tillCode(std::move(till_code)) {
    fs::create_directories(Host());
    fs::create_directories(Data());
    std::ofstream(root / "qvSAFTPT.ini") << "[Database]\nEngine=ODBC\nConnectionString=" << connection_string
                                         << "\n";
  }
  // The check files in a directory that several machines share: [CheckFiles] Directory=.
  void ShareCheckFiles(const fs::path& directory) const {
    std::ofstream(Host() / "QVPA_PT_10.ini") << "[CheckFiles]\nDirectory=" << PathText(directory) << "\n";
  }
  ChildProcess::Variables Environment() const {
    return {{"QV_HOST_DIR", PathText(Host())}, {"QV_FPR_DB", PathText(Data())},
            {"DODU_PG_WORKER_DIR", PathText(root)}, {"DODU_PG_WORKER_SERIAL", serial},
            {"DODU_PG_WORKER_TILL_CODE", tillCode}};
  }
};

// The store's company, branch and registered series (the test tills' request values).
void AddIssuer(PostgresCluster& cluster, const std::string& database, const std::string& series_template,
               const std::vector<std::string>& series) {
  cluster.Execute(database,
                  "insert into CompanyRecord values ('PT500100200','Corvane Retail, Lda','Rua Augusta 100','Lisboa',"
                  "'1100-053')");
  cluster.Execute(database, "insert into BranchRecord values ('S01','Loja Baixa','Rua do Ouro 20','Lisboa','1100-060',"
                            "'FR','" + series_template + "','NC','" + series_template + "')");
  for (const std::string& code : series)
    cluster.Execute(database, "insert into Series (Id,Serie_Code,Serie_LastNumber,Serie_LastHash,Serie_Validation_Code,"
                              "Serie_Closed) values (gen_random_uuid(),'" + code + "',0,'','V" + code + "',0)");
}

// ---- the worker side: this test program started again as one till -------------------------

constexpr const char* kWorkerVariable = "DODU_PG_WORKER";

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Issues DODU_PG_WORKER_DOCUMENTS sales (at most 60), dated one second apart from the full hour
// DODU_PG_WORKER_HOUR of 2024-02-09, and
// reports "stored <n> refused <m>" (refusals by the date-order rule only) or the first failure.
int IssueDocuments() {
  const std::string serial = Variable("DODU_PG_WORKER_SERIAL");
  const int documents = std::stoi(Variable("DODU_PG_WORKER_DOCUMENTS"));
  const std::string hour = Variable("DODU_PG_WORKER_HOUR");
  DriverLibrary driver;
  const ExportResult open = driver.Open(Envelope(0, serial));
  std::string failure = open.code != 0 ? "OPEN: " + open.error : "";
  int stored = 0, refused = 0;
  for (int i = 0; failure.empty() && i < documents; ++i) {
    ReceiptRequest request;
    request.tillCode = Variable("DODU_PG_WORKER_TILL_CODE");
    request.dateTime = "2024-02-09T" + hour + ":00:" + ZeroPadded(i, 2);
    const ExportResult result = driver.ProcessReceipt(Envelope(open.handle, serial, request.Xml()));
    if (result.code == 0) {
      ++stored;
    } else if (result.error.find("is less than the date if last Invoice issued") != std::string::npos) {
      ++refused;
    } else {
      failure = "document " + std::to_string(i + 1) + ": " + result.error;
    }
  }
  std::ofstream(Variable("DODU_PG_WORKER_REPORT"))
      << (failure.empty() ? "stored " + std::to_string(stored) + " refused " + std::to_string(refused) : failure);
  return failure.empty() ? 0 : 1;
}

// Takes the series lock as a till's processor does, says so with its process id, and holds it
// until it is killed (a minute at most, so a failed test cannot leave it behind).
int HoldSeries() {
  tQV_VendizioProxy proxy;
  proxy.SetEngine(dbe_ODBC);
  proxy.SetOdbcConnectionString(Variable("DODU_PG_CONNECTION"));
  if (!proxy.Connect()) return 2;
  std::unique_ptr<StoreStatements> store = CreateStoreStatements(proxy, "");
  if (!store->LockSeries(Variable("DODU_PG_WORKER_SERIES"))) return 3;
  std::ofstream(Variable("DODU_PG_WORKER_REPORT")) << CurrentProcessId() << "\n";
  std::this_thread::sleep_for(std::chrono::seconds(60));
  return 4;
}

int RunWorker() {
  fs::current_path(Variable("DODU_PG_WORKER_DIR"));
  return Variable(kWorkerVariable) == "hold" ? HoldSeries() : IssueDocuments();
}

#define DODU_RUN_AS_WORKER_WHEN_ASKED() \
  if (std::getenv(kWorkerVariable) != nullptr) std::_Exit(RunWorker())

std::unique_ptr<ChildProcess> StartWorker(const std::string& test_name, ChildProcess::Variables variables) {
  variables.emplace_back("DODU_PG_WORKER_TEST", test_name);
  return std::make_unique<ChildProcess>(
      ThisProgram(), std::vector<std::string>{"--gtest_filter=PostgresqlStore." + test_name}, variables);
}

// Numbers 1..n once each, in a series of the server store; its Series row names the last.
void ExpectWholeSeries(const std::string& connection, const std::string& series, size_t expected_count) {
  const Rows rows = Query(connection, "select Number from Receipts where Serie='" + series + "' order by Number");
  ASSERT_EQ(rows.size(), expected_count) << series;
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].at("number"), std::to_string(i + 1)) << series;
  const Rows row = Query(connection, "select Serie_LastNumber from Series where Serie_Code='" + series + "'");
  ASSERT_EQ(row.size(), 1u);
  EXPECT_EQ(row[0].at("serie_lastnumber"), std::to_string(expected_count)) << series;
}

std::string CheckNumber(const fs::path& file) {
  std::string text;
  return ReadCheckFile(PathText(file), text) ? text : "no check file " + PathText(file);
}

// ---- the tests ------------------------------------------------------------------------------

// The host program's whole day (sales, credit note, void, reprint, X and Z, status) on a server
// store set up by `init --store`, answering as on the embedded store; verify finds it intact.
TEST(PostgresqlStore, DemoDayAnswersAsOnTheEmbeddedStoreAndVerifies) {
  DODU_POSTGRES_CLUSTER_OR_SKIP(cluster);
  const std::string database = cluster.CreateDatabase("demo");
  const fs::path temp = MakeTemporaryDirectory("dodu-pg-demo-");
  const std::string server_dir = PathText(temp / "server"), embedded_dir = PathText(temp / "embedded");

  const ToolRun init = RunTool({"init", server_dir, "--store",
                                "postgresql://postgres@127.0.0.1:" + std::to_string(cluster.Port()) + "/" + database});
  ASSERT_EQ(init.status, 0) << init.output;
  EXPECT_EQ(ReadWholeFile(fs::path(server_dir) / "qvSAFTPT.ini").rfind("[Database]\nEngine=ODBC\nConnectionString=", 0),
            0u);
  // A second till directory on the same server keeps what the first one made.
  const ToolRun second_init = RunTool({"init", PathText(temp / "second"), "--store",
                                       "postgresql://postgres@127.0.0.1:" + std::to_string(cluster.Port()) + "/" +
                                           database});
  ASSERT_EQ(second_init.status, 0) << second_init.output;
  ASSERT_EQ(RunTool({"init", embedded_dir}).status, 0);

  const ToolRun server_day = RunTool({"-C", server_dir, "demo"});
  const ToolRun embedded_day = RunTool({"-C", embedded_dir, "demo"});
  ASSERT_EQ(server_day.status, 0) << server_day.output;
  ASSERT_EQ(embedded_day.status, 0) << embedded_day.output;
  for (const char* expected : {"every one as expected", "*** DOCUMENTO ANULADO ***", "REIMPRESSÃO", "X-REPORT",
                               "Z-REPORT # 0001", "Nota de Crédito"})
    EXPECT_NE(server_day.output.find(expected), std::string::npos) << expected << "\n" << server_day.output;

  // The same documents, kinds, totals and states in both stores.
  const std::string sql =
      "select Serie,Number,DocumentType,Totalamount,Status,FiscalId from Receipts order by Serie,Number";
  const Rows server_rows = Query(cluster.ConnectionString(database), sql);
  std::vector<std::string> server, embedded;
  for (const auto& row : server_rows)
    server.push_back(row.at("serie") + " " + row.at("number") + " " + row.at("documenttype") + " " +
                     Amount::Parse(row.at("totalamount")).ToFixed(2) + " " + row.at("status") + " " +
                     row.at("fiscalid"));
  ChildProcess sqlite("sqlite3", {PathText(fs::path(embedded_dir) / "store.db"), sql}, {}, true);
  ASSERT_TRUE(sqlite.Wait().Succeeded()) << sqlite.Output();
  std::istringstream lines(sqlite.Output());
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> f;
    for (size_t start = 0, bar;; start = bar + 1) {
      bar = line.find('|', start);
      f.push_back(line.substr(start, bar - start));
      if (bar == std::string::npos) break;
    }
    ASSERT_EQ(f.size(), 6u) << line;
    embedded.push_back(f[0] + " " + f[1] + " " + f[2] + " " + Amount::Parse(f[3]).ToFixed(2) + " " + f[4] + " " + f[5]);
  }
  EXPECT_EQ(server, embedded);
  EXPECT_EQ(server.size(), 5u);

  const ToolRun verify = RunTool({"-C", server_dir, "verify"});
  EXPECT_EQ(verify.status, 0) << verify.output;
  EXPECT_NE(verify.output.find("4 document(s) (1 voided), numbers 1-4, chain intact, check file says 4"),
            std::string::npos)
      << verify.output;
  EXPECT_NE(verify.output.find("till T01  counters agree with the store (totals only: a server store)"),
            std::string::npos)
      << verify.output;
  std::error_code ignored;
  fs::remove_all(temp, ignored);
}

// Four tills on four working directories and one server: first each in its own series, then all
// four in one series with one shared check-file directory.
TEST(PostgresqlStore, FourTillsNumberAtOnceInOwnSeriesThenInOneSharedSeries) {
  DODU_RUN_AS_WORKER_WHEN_ASKED();
  DODU_POSTGRES_CLUSTER_OR_SKIP(cluster);
  constexpr int kDocuments = 25;
  const std::string database = cluster.CreateStore("fourtills");
  const std::string connection = cluster.ConnectionString(database);
  AddIssuer(cluster, database, "{{DocumentType}}{{YYYY}}{{Store}}{{Till}}",
            {"FR2024S0101", "FR2024S0102", "FR2024S0103", "FR2024S0104", "FR2024S01"});
  const fs::path temp = MakeTemporaryDirectory("dodu-pg-tills-");
  std::vector<TillDirectory> tills;
  for (int i = 1; i <= 4; ++i)
    tills.emplace_back(temp, "T0" + std::to_string(i), "0" + std::to_string(i), connection);

  const auto run_round = [&](const char* hour, std::map<std::string, int>& refused) {
    std::vector<std::unique_ptr<ChildProcess>> workers;
    for (const TillDirectory& till : tills) {
      ChildProcess::Variables variables = till.Environment();
      variables.insert(variables.end(), {{kWorkerVariable, "documents"},
                                         {"DODU_PG_WORKER_DOCUMENTS", std::to_string(kDocuments)},
                                         {"DODU_PG_WORKER_HOUR", hour},
                                         {"DODU_PG_WORKER_REPORT", PathText(till.root / "report")}});
      workers.push_back(StartWorker("FourTillsNumberAtOnceInOwnSeriesThenInOneSharedSeries", variables));
    }
    for (size_t i = 0; i < workers.size(); ++i) {
      const ProcessExit exit = workers[i]->Wait();
      const std::string report = ReadWholeFile(tills[i].root / "report");
      EXPECT_TRUE(exit.Succeeded()) << tills[i].serial << ": " << exit.text << ": " << report;
      int stored = 0, not_stored = 0;
      EXPECT_EQ(std::sscanf(report.c_str(), "stored %d refused %d", &stored, &not_stored), 2) << report;
      EXPECT_EQ(stored + not_stored, kDocuments) << report;
      refused[tills[i].serial] = not_stored;
    }
  };

  std::map<std::string, int> refused;
  run_round("10", refused);
  for (const TillDirectory& till : tills) {
    EXPECT_EQ(refused[till.serial], 0) << "a till alone in its series is never refused";
    const std::string series = "FR2024S01" + till.tillCode;
    ExpectWholeSeries(connection, series, kDocuments);
    EXPECT_EQ(CheckNumber(till.Host() / "PT_Check" / (series + ".b64")), std::to_string(kDocuments));
  }

  // All four in one series, the check file in one directory they share.
  cluster.Execute(database, "update BranchRecord set InvoiceSerieTemplate='{{DocumentType}}{{YYYY}}{{Store}}'");
  const fs::path shared = temp / "shared-check-files";
  fs::create_directories(shared);
  for (const TillDirectory& till : tills) till.ShareCheckFiles(shared);
  run_round("11", refused);
  int stored = 0;
  for (const TillDirectory& till : tills) stored += kDocuments - refused[till.serial];
  // A refused document left nothing: the numbers run on without a gap.
  ExpectWholeSeries(connection, "FR2024S01", static_cast<size_t>(stored));
  EXPECT_EQ(CheckNumber(shared / "FR2024S01.b64"), std::to_string(stored));
  const Rows by_till = Query(connection, "select TillCode,count(*) as n from Receipts where Serie='FR2024S01' "
                                         "group by TillCode order by TillCode");
  EXPECT_EQ(by_till.size(), 4u);
  // Each till counted exactly its stored documents: a refused one is not counted either.
  for (const TillDirectory& till : tills) {
    const Rows stored_by_till =
        Query(connection, "select count(*) as n from Receipts where TillCode='" + till.tillCode + "'");
    const std::string counters = ReadWholeFile(till.Data() / till.serial / "counters.actual.fprc");
    EXPECT_NE(counters.find("<CurrentReceiptNo>" + stored_by_till.at(0).at("n") + "</CurrentReceiptNo>"),
              std::string::npos)
        << till.serial << ": " << counters;
  }

  for (const TillDirectory& till : tills) {
    const ToolRun verify = RunTool({"-C", PathText(till.root), "verify"});
    EXPECT_EQ(verify.status, 0) << verify.output;
    EXPECT_NE(verify.output.find("FR2024S01  " + std::to_string(stored) + " document(s), numbers 1-" +
                                 std::to_string(stored) + ", chain intact, check file says " + std::to_string(stored)),
              std::string::npos)
        << verify.output;
    EXPECT_NE(verify.output.find("FR2024S01" + till.tillCode + "  " + std::to_string(kDocuments) +
                                 " document(s), numbers 1-" + std::to_string(kDocuments) + ", chain intact"),
              std::string::npos)
        << verify.output;
  }
  std::error_code ignored;
  fs::remove_all(temp, ignored);
}

// A till killed while it holds a series lets it go: the next till's document goes through. A
// till that waits past the lock timeout refuses its document and stores nothing.
TEST(PostgresqlStore, AKilledHolderLetsTheSeriesGoAndAWaiterPastTheTimeoutStoresNothing) {
  DODU_RUN_AS_WORKER_WHEN_ASKED();
  DODU_POSTGRES_CLUSTER_OR_SKIP(cluster);
  const std::string database = cluster.CreateStore("killed");
  const std::string connection = cluster.ConnectionString(database);
  AddIssuer(cluster, database, "{{DocumentType}}{{YYYY}}{{Store}}{{Till}}", {"FR2024S0101"});
  const fs::path temp = MakeTemporaryDirectory("dodu-pg-killed-");
  const TillDirectory till(temp, "T01", "01", connection);
  const TillDirectory holder(temp, "T02", "01", connection);
  const fs::path request = temp / "sale.xml";

  const auto sale_at = [&](const char* date_time) {
    ReceiptRequest sale;
    sale.dateTime = date_time;
    std::ofstream(request) << sale.Xml();
    return RunTool({"-C", PathText(till.root), "--till", "T01", "receipt", PathText(request)});
  };
  const auto hold = [&]() {
    ChildProcess::Variables variables = holder.Environment();
    variables.insert(variables.end(), {{kWorkerVariable, "hold"},
                                       {"DODU_PG_CONNECTION", connection},
                                       {"DODU_PG_WORKER_SERIES", "FR2024S0101"},
                                       {"DODU_PG_WORKER_REPORT", PathText(holder.root / "holding")}});
    fs::remove(holder.root / "holding");
    auto worker = StartWorker("AKilledHolderLetsTheSeriesGoAndAWaiterPastTheTimeoutStoresNothing", variables);
    const std::string pid = WaitForFileContaining(holder.root / "holding", "\n");
    EXPECT_FALSE(pid.empty()) << "the holder did not take the series";
    return std::make_pair(std::move(worker), pid.empty() ? 0 : std::stoi(pid));
  };

  ASSERT_EQ(sale_at("2024-02-09T10:00:00").status, 0);

  // Killed while holding: the series is free as soon as the server notices the session's end.
  {
    auto [worker, pid] = hold();
    ASSERT_GT(pid, 1);  // never a broadcast kill
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    EXPECT_FALSE(worker->Wait().exited);
    const ToolRun next = sale_at("2024-02-09T10:00:01");
    EXPECT_EQ(next.status, 0) << next.output;
  }
  ExpectWholeSeries(connection, "FR2024S0101", 2);

  // A holder that stays: the till waits for the lock timeout, then refuses, storing nothing.
  {
    const Rows receipts_before = Query(connection, "select * from Receipts order by Number");
    const Rows series_before = Query(connection, "select * from Series");
    const std::string counters_before = ReadWholeFile(till.Data() / "T01" / "counters.actual.fprc");
    const std::string check_before = ReadWholeFile(till.Host() / "PT_Check" / "FR2024S0101.b64");
    auto [worker, pid] = hold();
    ASSERT_GT(pid, 1);  // never a broadcast kill
    const ToolRun refused = sale_at("2024-02-09T10:00:02");
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.output.find("lock not granted within 5000 ms"), std::string::npos) << refused.output;
    EXPECT_EQ(Query(connection, "select * from Receipts order by Number"), receipts_before);
    EXPECT_EQ(Query(connection, "select * from Series"), series_before);
    EXPECT_EQ(ReadWholeFile(till.Data() / "T01" / "counters.actual.fprc"), counters_before);
    EXPECT_EQ(ReadWholeFile(till.Host() / "PT_Check" / "FR2024S0101.b64"), check_before);
    ASSERT_EQ(kill(pid, SIGKILL), 0);
    worker->Wait();
  }
  EXPECT_EQ(sale_at("2024-02-09T10:00:03").status, 0);
  ExpectWholeSeries(connection, "FR2024S0101", 3);
  const ToolRun verify = RunTool({"-C", PathText(till.root), "verify"});
  EXPECT_EQ(verify.status, 0) << verify.output;
  std::error_code ignored;
  fs::remove_all(temp, ignored);
}

}  // namespace
}  // namespace dodu::testing

#endif

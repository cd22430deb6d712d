// A till killed at any instant of a document, a void or a Z report goes on selling, and its
// files agree with the store. Each operation is run in a child process that dies by SIGKILL
// before its 1st, 2nd, 3rd ... write, sync, truncation, rename or unlink on the store's files,
// until one run completes; after every kill a new process opens the till and issues the next
// document, which must be accepted. Then the store, the check files and the counters file are
// compared.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/amount.h"
#include "pt/crypto_service.h"
#include "support/receipt_requests.h"
#include "support/receipt_till.h"
#include "support/signature_verification.h"
#include "support/store_fixture.h"

extern char** environ;

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

struct ChildRun {
  bool killed = false;
  int code = -1;  // the export's answer when not killed
  std::string error, output;
};

class CrashSafetyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_.AddCompanyAndBranch();
    store_.AddSeries(kInvoiceSeries, kInvoiceValidation);
    store_.AddSeries(kCreditNoteSeries, kCreditNoteValidation);
  }

  // A document dated one second after the previous one, so no series refuses it by its date.
  ReceiptRequest Next(ReceiptRequest request) {
    ++seconds_;
    char time[32];
    std::snprintf(time, sizeof time, "2024-02-09T%02d:%02d:%02d", 8 + seconds_ / 3600, seconds_ / 60 % 60,
                  seconds_ % 60);
    request.dateTime = time;
    return request;
  }

  ChildRun Run(const std::string& operation, long kill_at, const std::string& receipt_xml = "") {
    const fs::path request = store_.Root() / "request.xml";
    const fs::path output = store_.Root() / "child.out";
    std::ofstream(request, std::ios::binary) << receipt_xml;
    const std::string kill = std::to_string(kill_at);
    std::vector<std::string> args = {DODU_CRASH_TILL_PATH, operation, kill, request.string()};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    waitpid(pid, &status, 0);
    ChildRun run;
    if (WIFSIGNALED(status)) {
      EXPECT_EQ(WTERMSIG(status), SIGKILL) << operation << " at " << kill_at;
      run.killed = true;
      return run;
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << operation << " exit " << status;
    std::ifstream in(output);
    std::string code;
    std::getline(in, code);
    std::getline(in, run.error);
    std::ostringstream rest;
    rest << in.rdbuf();
    run.output = rest.str();
    run.code = code.empty() ? -1 : std::stoi(code);
    return run;
  }

  // Issues a document that must be accepted; answers its number and date-time.
  std::pair<std::string, std::string> Issue(const ReceiptRequest& request, const std::string& why) {
    const ReceiptRequest dated = Next(request);
    const ChildRun run = Run("receipt", 0, dated.Xml());
    EXPECT_EQ(run.code, 0) << why << ": " << run.error;
    if (run.code != 0) return {};
    Answer answer(run.output);
    return {answer.Value("Number"), answer.Value("DateTime")};
  }

  // Kills the operation before each of its counted I/O operations in turn until a run completes;
  // after each kill the next sale must be accepted. Answers the number of kills.
  template <typename MakeRequest, typename Completed>
  int KillEverywhere(const std::string& what, const std::string& operation, MakeRequest make_request,
                     Completed completed) {
    int kills = 0;
    for (long n = 1;; ++n) {
      const std::string request = make_request();
      const ChildRun run = Run(operation, n, request);
      if (!run.killed) {
        completed(run);
        return kills;
      }
      ++kills;
      Issue(ReceiptRequest(), what + " killed before I/O operation " + std::to_string(n));
      if (::testing::Test::HasFatalFailure() || n > 200) {
        ADD_FAILURE() << what << " never completed";
        return kills;
      }
    }
  }

  std::vector<Row> Rows(const std::string& where = "1=1") const {
    return store_.Query("select * from Receipts where " + where + " order by Serie, Number");
  }

  // Numbers 1..n in each series, each document chained to the one before, every signature good
  // for openssl, and the check file and Series row at the last document.
  void ExpectSeriesIntact() const {
    std::map<std::string, std::vector<Row>> by_series;
    for (const Row& row : Rows()) by_series[row.at("Serie")].push_back(row);
    for (const auto& [code, rows] : by_series) {
      std::string previous;
      for (size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(row.at("Number"), std::to_string(i + 1)) << code;
        EXPECT_EQ(row.at("PreviousHash"), previous) << code << " " << row.at("Number");
        std::string why;
        EXPECT_TRUE(OpenSslVerifies(row.at("HashedString"), row.at("Hash"), store_.Root(), why))
            << code << " " << row.at("Number") << ": " << why;
        previous = row.at("Hash");
      }
      const auto series = store_.Query("select * from Series where Serie_Code='" + code + "'");
      ASSERT_EQ(series.size(), 1u);
      EXPECT_EQ(series[0].at("Serie_LastNumber"), std::to_string(rows.size())) << code;
      EXPECT_EQ(series[0].at("Serie_LastHash"), previous) << code;
      std::string check;
      ASSERT_TRUE(ReadCheckFile(store_.CheckFile(code).string(), check)) << code;
      EXPECT_EQ(check, std::to_string(rows.size())) << code;
    }
  }

  std::map<std::string, std::string> Counters() const {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file((store_.DataDir() / "T01" / "counters.actual.fprc").c_str()));
    std::map<std::string, std::string> values;
    for (pugi::xml_node element : document.child("FPRCounters").children()) values[element.name()] = element.text().get();
    return values;
  }

  static Amount Sum(const std::vector<Row>& rows, const std::string& type, const std::string& status = "") {
    Amount sum;
    for (const Row& row : rows)
      if (row.at("DocumentType") == type && (status.empty() || row.at("Status") == status))
        sum += Amount::Parse(row.at("Totalamount"));
    return sum;
  }

  // The counters file says what the stored documents of the till add up to. All voids of the test
  // are made by this till on documents of its first day.
  void ExpectCountersAgreeWithStore() const {
    const std::map<std::string, std::string> c = Counters();
    const std::vector<Row> all = Rows();
    const std::vector<Row> day = Rows("ZReportNumber=" + c.at("CurrentZReportNo"));
    EXPECT_EQ(c.at("CurrentReceiptNo"), std::to_string(day.size()));
    const Amount daily_sales = Sum(day, "FR"), daily_refunds = Sum(day, "NC", "N"), daily_voids = Sum(day, "FR", "A");
    EXPECT_EQ(Amount::Parse(c.at("DailySales")), daily_sales);
    EXPECT_EQ(Amount::Parse(c.at("DailyRefunds")), daily_refunds);
    EXPECT_EQ(Amount::Parse(c.at("DailyVoids")), daily_voids);
    EXPECT_EQ(Amount::Parse(c.at("DailyTotal")), daily_sales - daily_refunds - daily_voids);
    const Amount sales = Sum(all, "FR"), refunds = Sum(all, "NC", "N"), voids = Sum(all, "FR", "A");
    EXPECT_EQ(Amount::Parse(c.at("GrandTotalSales")), sales);
    EXPECT_EQ(Amount::Parse(c.at("GrandTotalRefunds")), refunds);
    EXPECT_EQ(Amount::Parse(c.at("GrandTotalVoids")), voids);
    EXPECT_EQ(Amount::Parse(c.at("GrandTotalTotal")), sales - refunds - voids);
  }

  // Files a killed write or an unsettled document would leave.
  std::vector<std::string> Litter() const {
    std::vector<std::string> found;
    for (const auto& entry : fs::recursive_directory_iterator(store_.Root())) {
      const std::string name = entry.path().filename().string();
      if (name.find(".tmp.") != std::string::npos || name.find("pending") != std::string::npos)
        found.push_back(entry.path().string());
    }
    return found;
  }

  StoreFixture store_;
  int seconds_ = 0;
};

TEST_F(CrashSafetyTest, KilledAtEveryWriteTheTillGoesOnAndItsFilesAgreeWithTheStore) {
  int kills = 0;
  auto expect_accepted = [](const std::string& what) {
    return [what](const ChildRun& run) { EXPECT_EQ(run.code, 0) << what << ": " << run.error; };
  };

  kills += KillEverywhere("sale", "receipt", [&] { return Next(ReceiptRequest()).Xml(); }, expect_accepted("sale"));

  const ReceiptRequest negative = NegativeSale();
  kills += KillEverywhere("negative sale", "receipt", [&] { return Next(negative).Xml(); },
                          expect_accepted("negative sale"));

  kills += KillEverywhere(
      "credit note", "receipt",
      [&] {
        const auto [number, date_time] = Issue(ReceiptRequest(), "original of a credit note");
        ReceiptRequest refund;
        refund.type = "Refund";
        refund.references = OriginalReceipt("C1-S01", number, date_time);
        return Next(refund).Xml();
      },
      expect_accepted("credit note"));

  for (const bool credit_note : {false, true}) {
    const std::string what = credit_note ? "void of a credit note" : "void of a sale";
    kills += KillEverywhere(
        what, "receipt",
        [&] {
          const auto [number, date_time] = Issue(credit_note ? negative : ReceiptRequest(), "document to void");
          return VoidOf("C1-S01", number, date_time).Xml();
        },
        expect_accepted(what));
  }
  ExpectCountersAgreeWithStore();

  std::set<std::string> answered_z;
  int z_kills = 0;
  for (int round = 0; round < 2; ++round) {
    z_kills += KillEverywhere("Z report", "z", [] { return std::string(); }, [&](const ChildRun& run) {
      EXPECT_EQ(run.code, 0) << run.error;
      pugi::xml_document result;
      EXPECT_TRUE(result.load_string(run.output.c_str())) << run.output;
      const std::string number = result.document_element().child_value("ReportNumber");
      EXPECT_FALSE(number.empty()) << run.output;
      EXPECT_TRUE(answered_z.insert(number).second) << "day " << number << " closed twice";
    });
  }
  kills += z_kills;

  // The last documents settle both series' files.
  Issue(ReceiptRequest(), "last sale");
  Issue(negative, "last credit note");
  // A last OPEN clears what killed writes left.
  EXPECT_EQ(Run("open", 0).code, 0);

  ExpectSeriesIntact();
  ExpectCountersAgreeWithStore();
  const int closed = std::stoi(Counters().at("CurrentZReportNo")) - 1;
  EXPECT_GE(closed, static_cast<int>(answered_z.size()));
  EXPECT_LE(closed, static_cast<int>(answered_z.size()) + z_kills);
  std::set<std::string> copies;
  for (const auto& entry : fs::recursive_directory_iterator(store_.DataDir() / "T01" / "Processed"))
    if (entry.is_regular_file()) {
      EXPECT_TRUE(copies.insert(entry.path().filename().string()).second);
    }
  EXPECT_EQ(copies.size(), static_cast<size_t>(closed));
  EXPECT_EQ(Litter(), std::vector<std::string>());
  RecordProperty("kills", kills);
  std::cout << kills << " kills, " << Rows().size() << " documents stored\n";
}

}  // namespace
}  // namespace dodu::testing

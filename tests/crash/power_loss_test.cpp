// A till whose power is cut at any instant comes back selling, and keeps every document whose
// answer reached the caller. A till process runs a few operations with every file operation on
// its files recorded (crash_till sequence, CRASH_TRACE_DIR); for every point of that record the
// disk a power cut would leave is rebuilt under the strict rule and under ext4's ordered rule
// (power_cut.h), and a new till process on it must open, sell, issue a credit note and close the
// day, after which the series, the check files and the counters agree with the store.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
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
#include "crash/power_cut.h"
#include "pt/crypto_service.h"
#include "support/receipt_requests.h"
#include "support/receipt_till.h"
#include "support/store_fixture.h"
#include "support/temporary_directory.h"

extern char** environ;

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

struct StepAnswer {
  int code = -1;
  std::string error, output;
};

// A till run: the answers of its steps, or why it did not get that far.
struct TillRun {
  bool ran = false;
  std::string failure;
  std::vector<StepAnswer> answers;
};

// Runs crash_till's sequence on the till whose files are under root (root/work, root/host,
// root/fpr as the store fixture lays them out).
TillRun RunTill(const fs::path& root, const std::vector<std::string>& steps, const fs::path& scratch,
                const std::map<std::string, std::string>& extra_environment = {}) {
  const fs::path answers = scratch / "answers";
  fs::remove_all(answers);
  fs::create_directories(answers);
  std::vector<std::string> args = {DODU_CRASH_TILL_PATH, "sequence", answers.string()};
  args.insert(args.end(), steps.begin(), steps.end());
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::map<std::string, std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    const size_t equals = entry.find('=');
    if (equals != std::string::npos) environment[entry.substr(0, equals)] = entry.substr(equals + 1);
  }
  environment.erase("CRASH_TRACE_DIR");
  environment.erase("CRASH_DROP_SYNCS");
  environment["QV_HOST_DIR"] = (root / "host").string();
  environment["QV_FPR_DB"] = (root / "fpr").string();
  for (const auto& [name, value] : extra_environment) environment[name] = value;
  std::vector<std::string> entries;
  for (const auto& [name, value] : environment) entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (std::string& entry : entries) envp.push_back(entry.data());
  envp.push_back(nullptr);

  const fs::path output = scratch / "till.out";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addchdir_np(&actions, (root / "work").c_str());
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  TillRun run;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    run.failure = "cannot start the till";
    return run;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    run.failure = "till exit status " + std::to_string(status) + ": " + ReadAll(output);
    return run;
  }
  run.ran = true;
  for (size_t i = 0; i < steps.size(); ++i) {
    std::istringstream in(ReadAll(answers / (std::to_string(i) + ".txt")));
    StepAnswer answer;
    std::string code;
    std::getline(in, code);
    std::getline(in, answer.error);
    std::ostringstream rest;
    rest << in.rdbuf();
    answer.output = rest.str();
    answer.code = code.empty() ? -1 : std::stoi(code);
    run.answers.push_back(answer);
  }
  return run;
}

using Rows = std::vector<std::map<std::string, std::string>>;

Rows Query(const fs::path& database, const std::string& sql) {
  sqlite3* db = nullptr;
  Rows rows;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + database.string());
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    const std::string reason = sqlite3_errmsg(db);
    sqlite3_close(db);
    throw std::runtime_error(reason + ": " + sql);
  }
  while (sqlite3_step(statement) == SQLITE_ROW) {
    std::map<std::string, std::string> row;
    for (int c = 0; c < sqlite3_column_count(statement); ++c) {
      const unsigned char* text = sqlite3_column_text(statement, c);
      row[sqlite3_column_name(statement, c)] = text != nullptr ? reinterpret_cast<const char*>(text) : "";
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

// What a traced step was, so that its answer can be looked for after the cut.
struct Step {
  enum class Kind { kDocument, kVoid, kZ } kind = Kind::kDocument;
  std::string argument;       // for crash_till: receipt:<file> or z
  std::string voidedNumber;   // kVoid: the number of the voided sale
};

// One operation recorded and cut everywhere.
struct Scenario {
  std::string name;
  std::vector<std::string> setup;  // steps run before, whose files are all on disk
  std::vector<Step> traced;
};

struct Outcome {
  size_t points = 0;
  std::map<CutRule, size_t> states, breaks;
  std::vector<std::string> examples;  // the first few breaks, for the failure message
};

class PowerLossTest : public ::testing::Test {
 protected:
  PowerLossTest() : scratch_(MakeTemporaryDirectory("dodu-power-loss-")) {
    store_.AddCompanyAndBranch();
    store_.AddSeries(kInvoiceSeries, kInvoiceValidation);
    store_.AddSeries(kCreditNoteSeries, kCreditNoteValidation);
  }
  ~PowerLossTest() override {
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }

  // A request file for crash_till, each dated one second after the one before.
  std::string RequestStep(ReceiptRequest request) {
    ++seconds_;
    char time[32];
    std::snprintf(time, sizeof time, "2024-02-09T%02d:%02d:%02d", 8 + seconds_ / 3600, seconds_ / 60 % 60,
                  seconds_ % 60);
    request.dateTime = time;
    const fs::path file = scratch_ / ("request-" + std::to_string(seconds_) + ".xml");
    std::ofstream(file, std::ios::binary) << request.Xml();
    return "receipt:" + file.string();
  }

  // Runs steps on the fixture's till; each must be accepted. Answers their outputs.
  std::vector<StepAnswer> PlayBefore(const std::vector<std::string>& steps) {
    const TillRun run = RunTill(store_.Root(), steps, scratch_);
    EXPECT_TRUE(run.ran) << run.failure;
    for (const StepAnswer& answer : run.answers) EXPECT_EQ(answer.code, 0) << answer.error;
    return run.answers;
  }

  // The files now under the fixture's root, taken as on disk (the logs left out).
  DiskBefore Snapshot() const {
    DiskBefore before;
    before.directories.insert("");
    const std::string root = store_.Root().string();
    for (auto it = fs::recursive_directory_iterator(store_.Root()); it != fs::recursive_directory_iterator(); ++it) {
      const std::string relative = it->path().string().substr(root.size() + 1);
      if (it->path().filename() == "LogFiles") {
        it.disable_recursion_pending();
        continue;
      }
      if (it->is_directory()) {
        before.directories.insert(relative);
      } else if (it->is_regular_file()) {
        struct stat info {};
        stat(it->path().c_str(), &info);
        before.files[relative] = {static_cast<uint64_t>(info.st_ino), ReadAll(it->path())};
      }
    }
    return before;
  }

  // Lays the state out as a till's root of its own; its settings name its own store.
  void Materialize(const DiskState& state, const fs::path& root) const {
    fs::remove_all(root);
    fs::create_directories(root);
    for (const std::string& directory : state.directories)
      if (!directory.empty()) fs::create_directories(root / directory);
    for (const auto& [path, content] : state.files) {
      std::string text = content;
      if (path == "work/qvSAFTPT.ini") {
        const std::string old_root = store_.Root().string();
        for (size_t at = text.find(old_root); at != std::string::npos; at = text.find(old_root, at))
          text.replace(at, old_root.size(), root.string());
      }
      std::ofstream(root / path, std::ios::binary) << text;
    }
  }

  // What is wrong with the till found after the cut; empty when nothing is.
  std::string Check(const DiskState& state, const std::vector<FileEvent>& events, size_t cut,
                    const std::vector<Step>& steps, const std::vector<StepAnswer>& traced_answers) {
    const fs::path root = scratch_ / "state";
    Materialize(state, root);
    // A new till after the cut: it opens, sells, issues a credit note and closes the day.
    ReceiptRequest sale, negative = NegativeSale();
    sale.dateTime = negative.dateTime = "2024-02-09T20:00:00";
    const fs::path sale_file = scratch_ / "replay-sale.xml", negative_file = scratch_ / "replay-negative.xml";
    std::ofstream(sale_file, std::ios::binary) << sale.Xml();
    negative.dateTime = "2024-02-09T20:00:01";
    std::ofstream(negative_file, std::ios::binary) << negative.Xml();
    const TillRun run =
        RunTill(root, {"receipt:" + sale_file.string(), "receipt:" + negative_file.string(), "z"}, scratch_);
    if (!run.ran) return run.failure;
    for (size_t i = 0; i < run.answers.size(); ++i)
      if (run.answers[i].code != 0) return "step " + std::to_string(i) + " after the cut refused: " + run.answers[i].error;

    std::ostringstream wrong;
    const fs::path store = root / "work" / "store.db";
    // Every series numbered 1..n, each document chained to the one before, the Series row and
    // the check file at the last one.
    std::map<std::string, Rows> by_series;
    const Rows all = Query(store, "select * from Receipts order by Serie, Number");
    for (const auto& row : all) by_series[row.at("Serie")].push_back(row);
    for (const auto& [code, rows] : by_series) {
      std::string previous;
      for (size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].at("Number") != std::to_string(i + 1)) wrong << code << " has number " << rows[i].at("Number") << " at " << i + 1 << "; ";
        if (rows[i].at("PreviousHash") != previous) wrong << code << " " << i + 1 << " not chained; ";
        previous = rows[i].at("Hash");
      }
      const Rows series = Query(store, "select * from Series where Serie_Code='" + code + "'");
      if (series.size() != 1 || series[0].at("Serie_LastNumber") != std::to_string(rows.size()) ||
          series[0].at("Serie_LastHash") != previous)
        wrong << "Series row of " << code << " not at its last document; ";
      std::string check;
      try {
        if (!ReadCheckFile((root / "host" / "PT_Check" / (code + ".b64")).string(), check) ||
            check != std::to_string(rows.size()))
          wrong << "check file of " << code << " says '" << check << "' for " << rows.size() << " documents; ";
      } catch (const std::exception& e) {
        wrong << e.what() << "; ";
      }
    }
    // The counters: the day just closed, the grand totals those of the store.
    pugi::xml_document counters;
    if (!counters.load_file((root / "fpr" / "T01" / "counters.actual.fprc").c_str())) {
      wrong << "no counters file; ";
    } else {
      const pugi::xml_node c = counters.child("FPRCounters");
      Amount sales, refunds, voids;
      for (const auto& row : all) {
        const Amount total = Amount::Parse(row.at("Totalamount"));
        if (row.at("DocumentType") == "FR") sales += total;
        if (row.at("DocumentType") == "FR" && row.at("Status") == "A") voids += total;
        if (row.at("DocumentType") == "NC" && row.at("Status") == "N") refunds += total;
      }
      if (std::string(c.child_value("CurrentReceiptNo")) != "0") wrong << "day not closed; ";
      if (Amount::Parse(c.child_value("GrandTotalSales")) != sales || Amount::Parse(c.child_value("GrandTotalRefunds")) != refunds ||
          Amount::Parse(c.child_value("GrandTotalVoids")) != voids)
        wrong << "grand totals disagree with the store; ";
      // Every day whose Z was answered stays closed, with its processed copy.
      for (size_t i = 0; i < cut; ++i) {
        if (events[i].kind != FileEvent::Kind::kAck || events[i].ackCode != 0) continue;
        const Step& step = steps[static_cast<size_t>(events[i].ack)];
        const std::string& output = traced_answers[static_cast<size_t>(events[i].ack)].output;
        if (step.kind == Step::Kind::kZ) {
          pugi::xml_document answer;
          answer.load_string(output.c_str());
          const int number = std::atoi(answer.document_element().child_value("ReportNumber"));
          if (std::atoi(c.child_value("CurrentZReportNo")) < number + 2) wrong << "answered Z " << number << " undone; ";
          char copy[32];
          std::snprintf(copy, sizeof copy, "%04d-9999.fprd", number);
          bool found = false;
          for (const auto& entry : fs::recursive_directory_iterator(root / "fpr" / "T01" / "Processed"))
            found = found || entry.path().filename() == copy;
          if (!found) wrong << "answered Z " << number << " lost its copy; ";
        }
      }
    }
    // Every document whose answer reached the caller is there as answered.
    for (size_t i = 0; i < cut; ++i) {
      if (events[i].kind != FileEvent::Kind::kAck || events[i].ackCode != 0) continue;
      const Step& step = steps[static_cast<size_t>(events[i].ack)];
      const std::string& output = traced_answers[static_cast<size_t>(events[i].ack)].output;
      if (step.kind == Step::Kind::kDocument) {
        const Answer answer(output);
        const Rows found =
            Query(store, "select * from Receipts where ReceiptNumber='" + answer.Value("InvoiceNumber") + "'");
        // A till that lost the document re-issues its number within the same second with the same
        // signature, so the row's own date-time tells the answered document from the new one.
        if (found.size() != 1 || output.find(ShortHashOf(found[0].at("Hash"))) == std::string::npos ||
            found[0].at("ReceiptDatetime").rfind(answer.Value("DateTime"), 0) != 0)
          wrong << "answered document " << answer.Value("InvoiceNumber") << " lost; ";
      } else if (step.kind == Step::Kind::kVoid) {
        const Rows found = Query(store, "select * from Receipts where Serie='" + std::string(kInvoiceSeries) +
                                            "' and Number=" + step.voidedNumber + " and Status='A'");
        if (found.empty()) wrong << "answered void of " << step.voidedNumber << " undone; ";
      }
    }
    // Nothing left behind by interrupted writes or unsettled documents.
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
      const std::string name = entry.path().filename().string();
      if (name.find(".tmp.") != std::string::npos || name.find("pending") != std::string::npos)
        wrong << "litter " << entry.path().lexically_relative(root).string() << "; ";
    }
    return wrong.str();
  }

  // Records the scenario's operations, then replays every distinct state a cut can leave.
  Outcome CutEverywhere(const Scenario& scenario, const std::map<std::string, std::string>& till_environment = {},
                        size_t max_examples = 5) {
    Outcome outcome;
    if (!scenario.setup.empty()) PlayBefore(scenario.setup);
    ::sync();  // what came before the traced process is on disk
    const DiskBefore before = Snapshot();
    const fs::path trace = scratch_ / ("trace-" + scenario.name);
    fs::create_directories(trace);
    std::vector<std::string> arguments;
    for (const Step& step : scenario.traced) arguments.push_back(step.argument);
    std::map<std::string, std::string> environment = till_environment;
    environment["CRASH_TRACE_DIR"] = trace.string();
    const TillRun traced = RunTill(store_.Root(), arguments, scratch_, environment);
    EXPECT_TRUE(traced.ran) << scenario.name << ": " << traced.failure;
    if (!traced.ran) return outcome;
    for (const StepAnswer& answer : traced.answers) EXPECT_EQ(answer.code, 0) << scenario.name << ": " << answer.error;
    const std::vector<FileEvent> events = ReadTrace(trace.string(), store_.Root().string());
    // What each step cost in syncs (the first one includes OPEN).
    int file_syncs = 0, directory_syncs = 0;
    for (const FileEvent& e : events) {
      if (e.kind == FileEvent::Kind::kSync) ++file_syncs;
      if (e.kind == FileEvent::Kind::kDirSync) ++directory_syncs;
      if (e.kind != FileEvent::Kind::kAck) continue;
      std::cout << scenario.name << ", step " << e.ack << ": " << file_syncs << " file syncs, " << directory_syncs
                << " directory syncs\n";
      file_syncs = directory_syncs = 0;
    }

    for (const CutRule rule : {CutRule::kStrict, CutRule::kOrdered}) {
      std::set<uint64_t> seen;
      for (size_t cut = 0; cut <= events.size(); ++cut) {
        if (cut < events.size() && events[cut].kind == FileEvent::Kind::kAck) continue;  // not a file operation
        if (rule == CutRule::kStrict) ++outcome.points;
        const DiskState state = StateAfterCut(before, events, cut, rule);
        // Acknowledgements matter too: the same files after more answers is another check.
        uint64_t key = state.Digest();
        for (size_t i = 0; i < cut; ++i)
          if (events[i].kind == FileEvent::Kind::kAck) key = key * 31 + static_cast<uint64_t>(events[i].ack) + 1;
        if (!seen.insert(key).second) continue;
        ++outcome.states[rule];
        const std::string wrong = Check(state, events, cut, scenario.traced, traced.answers);
        if (!wrong.empty()) {
          ++outcome.breaks[rule];
          if (outcome.examples.size() < max_examples)
            outcome.examples.push_back(std::string(CutRuleName(rule)) + " cut before event " + std::to_string(cut) + " of " +
                                       std::to_string(events.size()) + ": " + wrong);
        }
      }
    }
    return outcome;
  }

  static void Report(const std::string& name, Outcome outcome, double seconds) {
    std::cout << name << ": " << outcome.points << " points; distinct states strict " << outcome.states[CutRule::kStrict]
              << ", ordered " << outcome.states[CutRule::kOrdered] << "; breaks strict " << outcome.breaks[CutRule::kStrict]
              << ", ordered " << outcome.breaks[CutRule::kOrdered] << "; " << seconds << " s\n";
  }

  void ExpectNoBreaks(const Scenario& scenario) {
    const auto start = std::chrono::steady_clock::now();
    Outcome outcome = CutEverywhere(scenario);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(outcome.points, 0u);
    EXPECT_EQ(outcome.breaks[CutRule::kStrict], 0u);
    EXPECT_EQ(outcome.breaks[CutRule::kOrdered], 0u);
    for (const std::string& example : outcome.examples) ADD_FAILURE() << scenario.name << ": " << example;
    Report(scenario.name, outcome, seconds);
    RecordProperty("points", static_cast<int>(outcome.points));
  }

  StoreFixture store_;
  fs::path scratch_;
  int seconds_ = 0;
};

TEST_F(PowerLossTest, FirstOpenAndSaleOfANewTill) {
  ExpectNoBreaks({"first OPEN and sale", {}, {{Step::Kind::kDocument, RequestStep(ReceiptRequest()), ""}}});
}

TEST_F(PowerLossTest, SaleCreditNoteAndVoid) {
  const std::vector<StepAnswer> originals = PlayBefore({RequestStep(ReceiptRequest()), RequestStep(ReceiptRequest())});
  ASSERT_EQ(originals.size(), 2u);
  const Answer refunded(originals[0].output), voided(originals[1].output);
  ReceiptRequest refund;
  refund.type = "Refund";
  refund.references = OriginalReceipt("C1-S01", refunded.Value("Number"), refunded.Value("DateTime"));
  ExpectNoBreaks({"sale, credit note and void",
                  {},
                  {{Step::Kind::kDocument, RequestStep(ReceiptRequest()), ""},
                   {Step::Kind::kDocument, RequestStep(refund), ""},
                   {Step::Kind::kVoid, RequestStep(VoidOf("C1-S01", voided.Value("Number"), voided.Value("DateTime"))),
                    voided.Value("Number")}}});
}

TEST_F(PowerLossTest, ZReportThatMakesItsDayFolderThenASale) {
  PlayBefore({RequestStep(ReceiptRequest())});
  ExpectNoBreaks({"Z making its day folder, then a sale",
                  {},
                  {{Step::Kind::kZ, "z", ""}, {Step::Kind::kDocument, RequestStep(ReceiptRequest()), ""}}});
}

// The test is only worth its points if a till that skips its syncs fails it: crash_till's
// CRASH_DROP_SYNCS turns syncs into no-ops, as a build without them would. Without the library's
// directory syncs (SQLite keeps its own) a cut can leave the store holding the first document
// while the new directories, and the check file and counters in them, are gone: the series is
// dead.
TEST_F(PowerLossTest, ATillWithoutItsDirectorySyncsBreaksUnderTheStrictRule) {
  Outcome outcome = CutEverywhere({"first OPEN and sale without directory syncs",
                                         {},
                                         {{Step::Kind::kDocument, RequestStep(ReceiptRequest()), ""}}},
                                        {{"CRASH_DROP_SYNCS", "library-directories"}}, 1000);
  EXPECT_GT(outcome.breaks[CutRule::kStrict], 0u);
  const auto dead = std::find_if(outcome.examples.begin(), outcome.examples.end(), [](const std::string& example) {
    return example.find("does not match") != std::string::npos;
  });
  ASSERT_NE(dead, outcome.examples.end()) << "no cut left a dead series";
  std::cout << "as expected: " << *dead << "\n";
  Report("without directory syncs", outcome, 0);
}

TEST_F(PowerLossTest, ATillWithoutAnySyncLosesAnsweredDocumentsUnderBothRules) {
  Outcome outcome = CutEverywhere(
      {"sale without syncs", {RequestStep(ReceiptRequest())}, {{Step::Kind::kDocument, RequestStep(ReceiptRequest()), ""}}},
      {{"CRASH_DROP_SYNCS", "all"}}, 1);
  EXPECT_GT(outcome.breaks[CutRule::kStrict], 0u);
  EXPECT_GT(outcome.breaks[CutRule::kOrdered], 0u);
  for (const std::string& example : outcome.examples) std::cout << "as expected: " << example << "\n";
  Report("without any sync", outcome, 0);
}

}  // namespace
}  // namespace dodu::testing

#include "played_day.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "support/child_process.h"
#include "support/temporary_directory.h"

namespace dodu::testing {

namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory() : fPath(MakeTemporaryDirectory("saft-test-")) {}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;  // a test's scratch left behind is not the test's verdict
  fs::remove_all(fPath, ignored);
}

ToolRun RunFiscalHost(const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {"--library", DODU_LIBRARY_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  ChildProcess tool(DODU_FISCAL_HOST_PATH, words, {}, true);
  const ProcessExit exit = tool.Wait();
  ToolRun run;
  run.output = tool.Started() ? tool.Output() : exit.text;
  run.status = exit.exited ? exit.code : -1;
  return run;
}

const PlayedDay& ThePlayedDay() {
  static ScratchDirectory scratch;
  static const PlayedDay day = [] {
    PlayedDay played;
    played.directory = scratch.Path() / "day";
    const ToolRun init = RunFiscalHost({"init", played.directory.string()});
    if (init.status != 0) throw std::runtime_error("fiscal-host init failed: " + init.output);
    const ToolRun demo = RunFiscalHost({"-C", played.directory.string(), "demo"});
    if (demo.status != 0) throw std::runtime_error("fiscal-host demo failed: " + demo.output);
    const auto rows = QueryStore(played.directory / "store.db", "select HashedString from Receipts limit 1");
    if (rows.empty()) throw std::runtime_error("the demo stored no document");
    played.date = rows.front().at("HashedString").substr(0, 10);
    return played;
  }();
  return day;
}

std::vector<std::map<std::string, std::string>> QueryStore(const fs::path& database, const std::string& sql) {
  sqlite3* db = nullptr;
  std::vector<std::map<std::string, std::string>> rows;
  if (sqlite3_open_v2(database.string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + database.string());
  }
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    const std::string message = sqlite3_errmsg(db);
    sqlite3_close(db);
    throw std::runtime_error(message + ": " + sql);
  }
  while (sqlite3_step(statement) == SQLITE_ROW) {
    std::map<std::string, std::string> row;
    for (int i = 0; i < sqlite3_column_count(statement); ++i) {
      const unsigned char* text = sqlite3_column_text(statement, i);
      row[sqlite3_column_name(statement, i)] = text != nullptr ? reinterpret_cast<const char*>(text) : "";
    }
    rows.push_back(std::move(row));
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

std::string ReadFileText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace dodu::testing

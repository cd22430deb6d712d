#include "support/store_fixture.h"

#include <sqlite3.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>
#include <sstream>

#include "platform/files.h"
#include "platform/process.h"
#include "support/environment.h"
#include "support/temporary_directory.h"

namespace dodu::testing {

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

}  // namespace

StoreFixture::StoreFixture() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info != nullptr ? std::string(info->test_suite_name()) + "_" + info->name() : "store";
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  // A directory of its own for every fixture: the library keeps the stores of earlier ones open
  // for the life of the process, and Windows removes no open file.
  fRoot = MakeTemporaryDirectory("dodu_" + std::to_string(CurrentProcessId()) + "_" + name + "_");
  fs::create_directories(HostDir());
  fs::create_directories(DataDir());
  fs::create_directories(WorkDir());
  for (const auto& [key, value] :
       {std::pair<std::string, std::string>{"QV_HOST_DIR", HostDir().string()}, {"QV_FPR_DB", DataDir().string()}}) {
    fPreviousEnvironment[key] = EnvironmentValue(key);
    SetEnvironment(key, value);
  }
  fPreviousDirectory = fs::current_path();
  fs::current_path(WorkDir());
  std::ofstream(WorkDir() / "qvSAFTPT.ini") << "[Database]\nEngine=SQLite\nDBName=" << PathText(DatabaseFile())
                                              << "\n";
  Execute(ReadText(fs::path(DODU_SOURCE_DIR) / "schema" / "sqlite.sql"));
}

StoreFixture::~StoreFixture() {
  // The library's processors live on and write their last log lines from a background thread;
  // give those lines time to land before the directory goes, or the writer brings it back.
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  fs::current_path(fPreviousDirectory);
  for (const auto& [key, value] : fPreviousEnvironment) {
    if (value) SetEnvironment(key, *value);
    else UnsetEnvironment(key);
  }
  std::error_code ignored;
  fs::remove_all(fRoot, ignored);
}

void StoreFixture::Execute(const std::string& sql) const {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(PathText(DatabaseFile()).c_str(), &db), SQLITE_OK);
  sqlite3_busy_timeout(db, 10000);
  char* message = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  std::string error = message != nullptr ? message : "";
  sqlite3_free(message);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << error << "\n" << sql;
}

std::vector<std::map<std::string, std::string>> StoreFixture::Query(const std::string& sql) const {
  std::vector<std::map<std::string, std::string>> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open(PathText(DatabaseFile()).c_str(), &db) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << DatabaseFile();
    return rows;
  }
  sqlite3_busy_timeout(db, 10000);
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sqlite3_errmsg(db) << "\n" << sql;
    sqlite3_close(db);
    return rows;
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

void StoreFixture::AddCompanyAndBranch() const {
  Execute(
      "insert into CompanyRecord values ('PT500100200','Corvane Retail, Lda','Rua Augusta 100','Lisboa','1100-053');"
      "insert into BranchRecord values ('S01','Loja Baixa','Rua do Ouro 20','Lisboa','1100-060',"
      "'FR','{{DocumentType}}{{YYYY}}{{Store}}','NC','{{DocumentType}}{{YYYY}}{{Store}}');");
}

void StoreFixture::AddSeries(const std::string& code, const std::string& validation_code, int last_number,
                             const std::string& last_hash, const std::string& last_date, bool closed) const {
  Execute("insert into Series values (" + Quoted("id-" + code) + "," + Quoted(code) + "," +
          std::to_string(last_number) + "," + Quoted(last_hash) + "," +
          (last_date.empty() ? std::string("null") : Quoted(last_date)) + "," + Quoted(validation_code) + "," +
          (closed ? "1" : "0") + ");");
}

}  // namespace dodu::testing

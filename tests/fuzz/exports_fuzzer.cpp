// Drives the six exports against an embedded store, as a till would, with arbitrary requests.
// The till is opened once; each input then chooses an export with its first byte and is sent
// either inside a valid envelope of that till ('0'..'5': OPEN, PROCESSRECEIPT,
// PROCESSREPRINTRECEIPT, PROCESSZREPORT, PROCESSXREPORT, PROCESSGETSTATUS) or as the whole
// request text ('p'..'u', the same order). Any crash, sanitizer report or escaped exception is a
// finding, and so is a broken store: every few dozen inputs each series' numbers must be 1..n
// without a duplicate, and Serie_LastNumber must be the highest of them.
#include <sqlite3.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "base/application.h"
#include "dodu_pt_10.h"

namespace dodu {
void RegisterPortugueseProcessor();
}

namespace {

namespace fs = std::filesystem;

constexpr int kCheckEvery = 32;
const char* const kTill = "T01";

fs::path gRoot;
int32_t gHandle = 0;

[[noreturn]] void Finding(const std::string& what) {
  std::fprintf(stderr, "exports_fuzzer: %s\n", what.c_str());
  std::abort();
}

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void Execute(sqlite3* db, const std::string& sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message != nullptr ? message : "?";
    sqlite3_free(message);
    Finding("store set-up failed: " + text);
  }
}

void CreateStore(const fs::path& file) {
  sqlite3* db = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) Finding("cannot create " + file.string());
  Execute(db, ReadText(fs::path(DODU_SOURCE_DIR) / "schema" / "sqlite.sql"));
  Execute(db,
          "insert into CompanyRecord values ('PT500100200','Corvane Retail, Lda','Rua Augusta 100','Lisboa',"
          "'1100-053');"
          "insert into BranchRecord values ('S01','Loja Baixa','Rua do Ouro 20','Lisboa','1100-060',"
          "'FR','{{DocumentType}}{{YYYY}}{{Store}}','NC','{{DocumentType}}{{YYYY}}{{Store}}');"
          "insert into Series values ('id-fr','FR2024S01',0,'',null,'AAJFJ2K6',0);"
          "insert into Series values ('id-nc','NC2024S01',0,'',null,'BBKGK3L7',0);");
  sqlite3_close(db);
}

std::string Envelope(int32_t handle, const std::string& documents) {
  return "<ReceiptPrinterManager><Type>FP</Type><Driver>DODU_PT_10</Driver><Method>Process</Method>"
         "<LogId>1</LogId><Handle>" +
         std::to_string(handle) + "</Handle><Parameters><Processor>DODU_PT_10</Processor><FPTillSerial>" + kTill +
         "</FPTillSerial></Parameters>" + documents + "</ReceiptPrinterManager>";
}

BSTR NewString(const std::string& utf8) {
  // The requests are ASCII or arbitrary bytes; each byte becomes one code unit, as a till that
  // converts Latin-1 would send it.
  std::u16string units(utf8.begin(), utf8.end());
  for (size_t i = 0; i < utf8.size(); ++i) units[i] = static_cast<unsigned char>(utf8[i]);
  return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(units.data()), static_cast<uint32_t>(units.size()));
}

int32_t Call(int which, const std::string& request) {
  BSTR text = NewString(request);
  BSTR result = nullptr;
  BSTR error = nullptr;
  int32_t code = -1;
  int32_t handle = 0;
  switch (which) {
    case 0: code = OPEN(text, &handle, &error); break;
    case 1: code = PROCESSRECEIPT(text, &result, &error); break;
    case 2: code = PROCESSREPRINTRECEIPT(text, &result, &error); break;
    case 3: code = PROCESSZREPORT(text, &result, &error); break;
    case 4: code = PROCESSXREPORT(text, &result, &error); break;
    default: code = PROCESSGETSTATUS(text, &result, &error); break;
  }
  if (code != 0 && code != -1) Finding("an export answered " + std::to_string(code));
  if (std::getenv("EXPORTS_FUZZER_VERBOSE") != nullptr) {
    // Replaying a corpus with this set shows what each input got (UTF-16 folded to bytes).
    std::string text;
    for (uint32_t i = 0; error != nullptr && i < SysStringLen(error); ++i) text += static_cast<char>(error[i]);
    std::fprintf(stderr, "export %d: %d %s\n", which, code, text.c_str());
  }
  if (code == -1 && error == nullptr) Finding("a failed export gave no error text");
  SysFreeString(text);
  SysFreeString(result);
  SysFreeString(error);
  return which == 0 ? handle : code;
}

// Each series' numbers are 1..n without a duplicate, and its last number is the highest.
void CheckNumbering() {
  sqlite3* db = nullptr;
  if (sqlite3_open((gRoot / "work" / "store.db").c_str(), &db) != SQLITE_OK) Finding("cannot open the store");
  sqlite3_busy_timeout(db, 10000);
  std::map<std::string, std::multiset<int64_t>> numbers;
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, "select Serie, Number from Receipts", -1, &statement, nullptr);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const unsigned char* code = sqlite3_column_text(statement, 0);
    numbers[code != nullptr ? reinterpret_cast<const char*>(code) : ""].insert(sqlite3_column_int64(statement, 1));
  }
  sqlite3_finalize(statement);
  std::map<std::string, int64_t> last;
  sqlite3_prepare_v2(db, "select Serie_Code, Serie_LastNumber from Series", -1, &statement, nullptr);
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const unsigned char* code = sqlite3_column_text(statement, 0);
    last[code != nullptr ? reinterpret_cast<const char*>(code) : ""] = sqlite3_column_int64(statement, 1);
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  for (const auto& [code, set] : numbers) {
    int64_t expected = 1;
    for (int64_t number : set) {
      if (number != expected) Finding("series " + code + ": number " + std::to_string(number) + " where " +
                                      std::to_string(expected) + " belongs (a gap or a duplicate)");
      ++expected;
    }
    auto row = last.find(code);
    if (row == last.end()) Finding("series " + code + " has documents but no Series row");
    if (row->second != static_cast<int64_t>(set.size()))
      Finding("series " + code + ": Serie_LastNumber " + std::to_string(row->second) + ", highest number " +
              std::to_string(set.size()));
  }
  for (const auto& [code, number] : last) {
    if (number != 0 && numbers.find(code) == numbers.end())
      Finding("series " + code + ": Serie_LastNumber " + std::to_string(number) + " without documents");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  gRoot = fs::temp_directory_path() / ("dodu_exports_fuzzer_" + std::to_string(getpid()));
  fs::remove_all(gRoot);
  for (const char* directory : {"host", "fpr", "work"}) fs::create_directories(gRoot / directory);
  setenv("QV_HOST_DIR", (gRoot / "host").c_str(), 1);
  setenv("QV_FPR_DB", (gRoot / "fpr").c_str(), 1);
  fs::current_path(gRoot / "work");
  std::ofstream(gRoot / "work" / "qvSAFTPT.ini") << "[Database]\nEngine=SQLite\nDBName=store.db\n";
  CreateStore(gRoot / "work" / "store.db");
  dodu::CreateApplication();
  dodu::RegisterPortugueseProcessor();
  gHandle = Call(0, Envelope(0, ""));
  if (gHandle <= 0) Finding("the till did not open");
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(gRoot, ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static int inputs = 0;
  if (size == 0) return 0;
  const int selector = data[0];
  const int which = (selector & 0x0F) % 6;
  const bool whole = (selector & 0x40) != 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  Call(which, whole ? text : Envelope(gHandle, text));
  if (++inputs % kCheckEvery == 0) CheckNumbering();
  return 0;
}

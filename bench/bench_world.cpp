#include "bench_world.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "db/db_connection.h"
#include "db/vendizio_dataset.h"
#include "fiscal_requests.h"
#include "pt/crypto_service.h"

namespace dodu::bench {

namespace fs = std::filesystem;

namespace {

using Database = std::unique_ptr<sqlite3, decltype(&sqlite3_close)>;

Database OpenDatabase(const fs::path& aFile) {
  sqlite3* db = nullptr;
  if (sqlite3_open(aFile.c_str(), &db) != SQLITE_OK) {
    std::string reason = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_close(db);
    throw std::runtime_error("cannot open " + aFile.string() + ": " + reason);
  }
  sqlite3_busy_timeout(db, 10000);
  return Database(db, &sqlite3_close);
}

void Check(sqlite3* aDb, int aCode) {
  if (aCode != SQLITE_OK && aCode != SQLITE_DONE && aCode != SQLITE_ROW)
    throw std::runtime_error(std::string("store: ") + sqlite3_errmsg(aDb));
}

std::string Quoted(const std::string& aText) { return "'" + aText + "'"; }

std::string ReadText(const fs::path& aFile) {
  std::ifstream in(aFile);
  if (!in) throw std::runtime_error("cannot read " + aFile.string());
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// A signature-like base64 text of 172 characters.
std::string FakeSignature(int aNumber) {
  std::string text = std::to_string(aNumber);
  while (text.size() < 171) text += "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[text.size() % 64];
  return text + "=";
}

// A stored receipt as the library answers it, padded with lines to the size of a real one.
std::string StoredReceiptText(int aNumber, const std::string& aDateTime, size_t aBytes) {
  std::string text = "<?xml version=\"1.0\"?>\n<ReceiptPrinterManager><Receipt><Type>Sale</Type><DateTime>" +
                     aDateTime + "</DateTime><Number>" + std::to_string(aNumber) + "</Number><Lines>";
  const std::string line =
      "<ProductSale><Description>Artigo</Description><Quantity>1</Quantity><Price>1.00</Price><Amount>1.00</Amount>"
      "<TaxCode>2300</TaxCode></ProductSale>";
  const std::string end = "</Lines></Receipt></ReceiptPrinterManager>\n";
  while (text.size() + line.size() + end.size() <= aBytes) text += line;
  return text + end;
}

// The server store's statements, one at a time as the ODBC driver takes them.
void RunOnServer(const std::string& aServer, const std::vector<std::string>& aStatements) {
  std::unique_ptr<DbConnection> connection = CreateDbConnection(dbe_ODBC, aServer);
  connection->Open();
  for (const std::string& statement : aStatements) connection->Run(statement, {}, 600);
}

// The statements of a schema file: each ends with ";" at the end of a line.
std::vector<std::string> SchemaStatements(const std::string& aText) {
  std::vector<std::string> statements;
  std::istringstream in(aText);
  std::string statement;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("--", 0) == 0) continue;
    statement += line + "\n";
    if (!line.empty() && line.back() == ';') {
      statements.push_back(statement);
      statement.clear();
    }
  }
  return statements;
}

}  // namespace

void ExecuteSql(const fs::path& aFile, const std::string& aSql) {
  Database db = OpenDatabase(aFile);
  char* message = nullptr;
  if (sqlite3_exec(db.get(), aSql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
    std::string reason = message != nullptr ? message : sqlite3_errmsg(db.get());
    sqlite3_free(message);
    throw std::runtime_error("store " + aFile.string() + ": " + reason);
  }
}

BenchWorld::BenchWorld(fs::path aRoot, int aBranches, std::string aServer)
    : fRoot(std::move(aRoot)), fServer(std::move(aServer)) {
  fs::remove_all(fRoot);
  fs::create_directories(HostDir() / "PT_Check");
  fs::create_directories(DataDir());
  fs::create_directories(WorkDir());
  if (!fServer.empty()) {
    std::ofstream(WorkDir() / "qvSAFTPT.ini") << "[Database]\nEngine=ODBC\nConnectionString=" << fServer << "\n";
    std::vector<std::string> statements = {"drop table if exists Receipts, Series, BranchRecord, CompanyRecord"};
    for (const std::string& statement :
         SchemaStatements(ReadText(fs::path(DODU_SOURCE_DIR) / "schema" / "postgresql.sql")))
      statements.push_back(statement);
    statements.push_back("insert into CompanyRecord values ('" + std::string(kCompanyTaxCode) +
                         "','Corvane Retail, Lda','Rua Augusta 100','Lisboa','1100-053')");
    for (int i = 1; i <= aBranches; ++i) {
      const std::string store = StoreCode(i);
      statements.push_back("insert into BranchRecord values (" + Quoted(store) +
                           ",'Loja','Rua do Ouro 20','Lisboa','1100-060','FR','{{DocumentType}}{{YYYY}}{{Store}}',"
                           "'NC','{{DocumentType}}{{YYYY}}{{Store}}')");
      for (const std::string& series : {InvoiceSeries(store), CreditNoteSeries(store)})
        statements.push_back("insert into Series values (gen_random_uuid()," + Quoted(series) + ",0,'',null," +
                             Quoted("V" + series) + ",0)");
    }
    RunOnServer(fServer, statements);
    return;
  }
  std::ofstream(WorkDir() / "qvSAFTPT.ini") << "[Database]\nEngine=SQLite\nDBName=" << StoreFile().string() << "\n";
  std::string rows = "insert into CompanyRecord values ('" + std::string(kCompanyTaxCode) +
                     "','Corvane Retail, Lda','Rua Augusta 100','Lisboa','1100-053');";
  for (int i = 1; i <= aBranches; ++i) {
    const std::string store = StoreCode(i);
    rows += "insert into BranchRecord values (" + Quoted(store) +
            ",'Loja','Rua do Ouro 20','Lisboa','1100-060','FR','{{DocumentType}}{{YYYY}}{{Store}}','NC',"
            "'{{DocumentType}}{{YYYY}}{{Store}}');";
    for (const std::string& series : {InvoiceSeries(store), CreditNoteSeries(store)})
      rows += "insert into Series values (" + Quoted("id-" + series) + "," + Quoted(series) + ",0,'',null," +
              Quoted("V" + series) + ",0);";
  }
  // Made as a host's set-up makes a store; the library puts it in write-ahead-log mode itself.
  ExecuteSql(StoreFile(), ReadText(fs::path(DODU_SOURCE_DIR) / "schema" / "sqlite.sql") + "begin;" + rows + "commit;");
}

void BenchWorld::Enter() const {
  setenv("QV_HOST_DIR", HostDir().c_str(), 1);
  setenv("QV_FPR_DB", DataDir().c_str(), 1);
  fs::current_path(WorkDir());
}

void BenchWorld::Prefill(const std::string& aStoreCode, int aCount, size_t aReceiptBytes) const {
  Database db = OpenDatabase(StoreFile());
  // Nothing here needs to survive a crash, so the fill skips the syncs.
  Check(db.get(), sqlite3_exec(db.get(), "pragma synchronous=OFF; begin", nullptr, nullptr, nullptr));
  sqlite3_stmt* raw = nullptr;
  Check(db.get(),
        sqlite3_prepare_v2(db.get(),
                           "insert into Receipts (id,Serie,StoreCode,TillCode,Number,ZReportNumber,DeviceSerial,"
                           "ReceiptNumber,ReceiptDatetime,Totalamount,SystemEntryDateTime,Status,DocumentType,"
                           "ReceiptOperator,PreviousHash,Hash,HashedString,LastReceiptStatusOperator,"
                           "LastStatusDateTime,SourceBilling,ManualDocumentNumber,FiscalId,Receipt) "
                           "values (?1,?2,?3,'01',?4,1,?5,?6,?7,'27.45',?7,'N','FR','OP1',?8,?9,?10,'OP1',?7,'','',"
                           "?11,?12)",
                           -1, &raw, nullptr));
  std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> insert(raw, &sqlite3_finalize);
  const std::string series = InvoiceSeries(aStoreCode);
  const std::string serial = DeviceSerial(aStoreCode);
  std::string date;
  for (int number = 1; number <= aCount; ++number) {
    date = PrefilledDateTime(number) + ".000";
    const std::string receipt = StoredReceiptText(number, PrefilledDateTime(number), aReceiptBytes);
    char invoice[64];
    std::snprintf(invoice, sizeof invoice, "FR %s/%07d", series.c_str(), number);
    const std::string id = "prefill-" + std::to_string(number);
    const std::string previous = number > 1 ? FakeSignature(number - 1) : "";
    const std::string hash = FakeSignature(number);
    const std::string hashed = date.substr(0, 10) + ";" + date + ";" + invoice + ";27.45;" + previous;
    const std::string atcud = "V" + series + "-" + std::to_string(number);
    sqlite3_stmt* s = insert.get();
    sqlite3_bind_text(s, 1, id.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 2, series.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 3, aStoreCode.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_int(s, 4, number);
    sqlite3_bind_text(s, 5, serial.c_str(), -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 6, invoice, -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 7, date.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 8, previous.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 9, hash.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 10, hashed.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 11, atcud.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(s, 12, receipt.c_str(), static_cast<int>(receipt.size()), SQLITE_STATIC);
    Check(db.get(), sqlite3_step(s));
    sqlite3_reset(s);
  }
  insert.reset();
  Check(db.get(), sqlite3_exec(db.get(),
                               ("update Series set Serie_LastNumber=" + std::to_string(aCount) + ",Serie_LastHash=" +
                                Quoted(FakeSignature(aCount)) + ",Serie_LastDate=" + Quoted(date) +
                                " where Serie_Code=" + Quoted(series) + ";commit")
                                   .c_str(),
                               nullptr, nullptr, nullptr));
  WriteCheckFile(CheckFile(series).string(), std::to_string(aCount));
}

std::string BenchWorld::PrefilledDateTime(int aNumber) {
  // Every prefilled document lies in January, before the run's business day; 100 000 of them
  // take about 28 hours, one a second.
  const int day = 1 + aNumber / 86400, second = aNumber % 86400;
  char text[32];
  std::snprintf(text, sizeof text, "%04d-01-%02dT%02d:%02d:%02d", kBusinessYear, day, second / 3600,
                (second / 60) % 60, second % 60);
  return text;
}

size_t BenchWorld::LargestReceiptRowBytes() const {
  if (!fServer.empty()) {
    std::unique_ptr<DbConnection> connection = CreateDbConnection(dbe_ODBC, fServer);
    connection->Open();
    tQV_VendizioDataset row(connection->Run(
        "select max(octet_length(Receipt)+octet_length(HashedString)+octet_length(Hash)+octet_length(PreviousHash)+"
        "200) as n from Receipts",
        {}, 600));
    return static_cast<size_t>(row.FieldByName("n").AsInteger());
  }
  Database db = OpenDatabase(StoreFile());
  sqlite3_stmt* raw = nullptr;
  Check(db.get(), sqlite3_prepare_v2(db.get(),
                                     "select max(length(id)+length(Serie)+length(StoreCode)+length(TillCode)+8+8+"
                                     "length(DeviceSerial)+length(ReceiptNumber)+length(ReceiptDatetime)+"
                                     "length(Totalamount)+length(SystemEntryDateTime)+length(Status)+"
                                     "length(DocumentType)+length(ReceiptOperator)+length(PreviousHash)+length(Hash)+"
                                     "length(HashedString)+length(LastReceiptStatusOperator)+"
                                     "length(LastStatusDateTime)+length(SourceBilling)+"
                                     "length(ManualDocumentNumber)+length(FiscalId)+length(Receipt)) from Receipts",
                                     -1, &raw, nullptr));
  std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> query(raw, &sqlite3_finalize);
  if (sqlite3_step(raw) != SQLITE_ROW) return 0;
  return static_cast<size_t>(sqlite3_column_int64(raw, 0));
}

}  // namespace dodu::bench

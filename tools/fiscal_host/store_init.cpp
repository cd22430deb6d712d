#include "fiscal_host/store_init.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "db/connection_string.h"
#include "fiscal_host/demo_company.h"
#include "fiscal_host/embedded_texts.h"
#include "fiscal_host/local_clock.h"
#include "fiscal_host/server_store.h"
#include "fiscal_host/sqlite_file.h"

namespace dodu::host {

namespace fs = std::filesystem;

namespace {

std::string DemoRows(int year) {
  const std::string invoice_series = DemoSeriesCode(kInvoiceDocumentType, year);
  const std::string credit_note_series = DemoSeriesCode(kCreditNoteDocumentType, year);
  return "insert into CompanyRecord (Company_VatId,Company_BusinessName,Company_AddressDetail,Company_City,"
         "Company_PostalCode) values (" +
         SqlText(kCompanyTaxCode) + "," + SqlText(kCompanyName) + ",'Rua Augusta 100','Lisboa','1100-053');" +
         "insert into BranchRecord (Branch_Code,Branch_Name,Branch_AddressDetail,Branch_City,Branch_PostalCode,"
         "InvoiceDocumentType,InvoiceSerieTemplate,CreditNoteDocumentType,CreditNoteSerieTemplate) values (" +
         SqlText(kStoreCode) + ",'Loja Baixa','Rua do Ouro 20','Lisboa','1100-060'," + SqlText(kInvoiceDocumentType) +
         "," + SqlText(kSeriesTemplate) + "," + SqlText(kCreditNoteDocumentType) + "," + SqlText(kSeriesTemplate) +
         ");" +
         "insert into Series (Id,Serie_Code,Serie_LastNumber,Serie_LastHash,Serie_LastDate,Serie_Validation_Code,"
         "Serie_Closed) values (" +
         SqlText("series-" + invoice_series) + "," + SqlText(invoice_series) + ",0,'',null," +
         SqlText(kInvoiceValidationCode) + ",0),(" + SqlText("series-" + credit_note_series) + "," +
         SqlText(credit_note_series) + ",0,'',null," + SqlText(kCreditNoteValidationCode) + ",0);";
}

// The same rows on a server store shared by several directories: rows already there stay.
std::string ServerDemoRows(int year) {
  const std::string invoice_series = DemoSeriesCode(kInvoiceDocumentType, year);
  const std::string credit_note_series = DemoSeriesCode(kCreditNoteDocumentType, year);
  return "insert into CompanyRecord (Company_VatId,Company_BusinessName,Company_AddressDetail,Company_City,"
         "Company_PostalCode) values (" +
         SqlText(kCompanyTaxCode) + "," + SqlText(kCompanyName) +
         ",'Rua Augusta 100','Lisboa','1100-053') on conflict do nothing;\n" +
         "insert into BranchRecord (Branch_Code,Branch_Name,Branch_AddressDetail,Branch_City,Branch_PostalCode,"
         "InvoiceDocumentType,InvoiceSerieTemplate,CreditNoteDocumentType,CreditNoteSerieTemplate) values (" +
         SqlText(kStoreCode) + ",'Loja Baixa','Rua do Ouro 20','Lisboa','1100-060'," + SqlText(kInvoiceDocumentType) +
         "," + SqlText(kSeriesTemplate) + "," + SqlText(kCreditNoteDocumentType) + "," + SqlText(kSeriesTemplate) +
         ") on conflict do nothing;\n" +
         "insert into Series (Id,Serie_Code,Serie_LastNumber,Serie_LastHash,Serie_LastDate,Serie_Validation_Code,"
         "Serie_Closed) values (gen_random_uuid()," +
         SqlText(invoice_series) + ",0,'',null," + SqlText(kInvoiceValidationCode) + ",0),(gen_random_uuid()," +
         SqlText(credit_note_series) + ",0,'',null," + SqlText(kCreditNoteValidationCode) +
         ",0) on conflict do nothing;\n";
}

// The statements of a script, one per ";" that ends a line: the driver runs one at a time.
std::vector<std::string> Statements(const std::string& script) {
  std::vector<std::string> statements;
  std::string current;
  size_t start = 0;
  while (start < script.size()) {
    size_t end = script.find('\n', start);
    if (end == std::string::npos) end = script.size();
    const std::string line = script.substr(start, end - start);
    start = end + 1;
    if (line.rfind("--", 0) == 0) continue;
    current += line + "\n";
    const size_t last = line.find_last_not_of(" \t\r");
    if (last != std::string::npos && line[last] == ';') {
      statements.push_back(current);
      current.clear();
    }
  }
  if (current.find_first_not_of(" \t\r\n") != std::string::npos) statements.push_back(current);
  return statements;
}

// Each level made here is private to the owner whatever the umask: the store and the logs below
// hold customers' names and tax numbers. A level that exists is left as it is.
void CreateDirectory(const fs::path& path) {
  fs::path level;
  for (const fs::path& part : path) {
    level /= part;
    std::error_code error;
    // A drive ("Z:") or the root is there already; Windows does not call a bare drive a directory.
    if (!level.has_relative_path() || fs::is_directory(level, error)) continue;
    if (fs::create_directory(level, error)) fs::permissions(level, fs::perms::owner_all, fs::perm_options::replace, error);
    if (error) throw std::runtime_error("cannot create " + level.string() + ": " + error.message());
  }
}

// An empty file readable and writable by the owner only, whatever the umask. SQLite gives a
// store's -wal and -shm files the mode of the store's own file.
void CreatePrivateFile(const fs::path& path) {
  std::ofstream(path, std::ios::binary).close();
  std::error_code error;
  fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::replace, error);
  if (error || !fs::is_regular_file(path))
    throw std::runtime_error("cannot create " + path.string() + (error ? ": " + error.message() : std::string()));
}

}  // namespace

static void InitServerStore(const WorkDirectory& directory, const std::string& server, std::ostream& out) {
  const std::string connection = ServerConnectionString(server);
  const int year = YearOf(Now());
  {
    ServerStore store(connection);
    // In one transaction: a directory that fails leaves the server as it was.
    store.Execute("begin");
    for (const std::string& statement : Statements(EmbeddedServerSchema())) store.Execute(statement);
    for (const std::string& statement : Statements(ServerDemoRows(year))) store.Execute(statement);
    store.Execute("commit");
  }
  CreatePrivateFile(directory.SettingsFile());  // holds the server's password
  std::ofstream settings(directory.SettingsFile());
  settings << "[Database]\nEngine=ODBC\nConnectionString=" << connection << "\n";
  settings.close();
  if (!settings) throw std::runtime_error("cannot write " + directory.SettingsFile().string());

  const std::string root = directory.Root().string();
  out << "Created the working directory " << root << " on a server store:\n"
      << "  server store   the driver's tables, company " << kCompanyTaxCode << " (" << kCompanyName << "),\n"
      << "                 branch " << kStoreCode << " (Loja Baixa; series template " << kSeriesTemplate << "),\n"
      << "                 series " << DemoSeriesCode(kInvoiceDocumentType, year) << " and "
      << DemoSeriesCode(kCreditNoteDocumentType, year) << " (made where missing; what was there is kept)\n"
      << "  qvSAFTPT.ini   Engine=ODBC, ConnectionString=" << MaskedConnectionString(connection) << "\n"
      << "  host/          the host directory (QV_HOST_DIR): LogFiles/ and the series check files in PT_Check/\n"
      << "  data/          the fiscal data directory (QV_FPR_DB): one directory per till serial\n"
      << "Next: fiscal-host -C " << root << " demo\n";
}

void InitWorkDirectory(const WorkDirectory& directory, const std::string& server, std::ostream& out) {
  if (directory.HoldsStore()) {
    throw InitRefused(directory.Root().string() + " already holds a store (" +
                      (fs::exists(directory.SettingsFile()) ? directory.SettingsFile() : directory.DefaultStoreFile())
                          .string() +
                      "); init leaves it alone. Choose a new directory.");
  }
  CreateDirectory(directory.Root());
  CreateDirectory(directory.HostDir());
  CreateDirectory(directory.DataDir());
  if (!server.empty()) {
    InitServerStore(directory, server, out);
    return;
  }

  const int year = YearOf(Now());
  const fs::path store_file = directory.DefaultStoreFile();
  try {
    CreatePrivateFile(store_file);
    CreatePrivateFile(directory.SettingsFile());  // may hold the store's password
    SqliteFile store(store_file, SqliteFile::Mode::kCreate);
    // The mode the library keeps its store in: a commit syncs the log once, as durably as a
    // rollback journal that syncs several times.
    const std::vector<SqliteFile::Row> mode = store.Query("pragma journal_mode=wal");
    if (mode.empty() || mode.front().begin()->second != "wal")
      throw std::runtime_error("the store " + store_file.string() + " cannot use write-ahead logging");
    store.Execute(EmbeddedStoreSchema());
    store.Execute("begin;" + DemoRows(year) + "commit;");
    std::ofstream settings(directory.SettingsFile());
    settings << "[Database]\nEngine=SQLite\nDBName=" << WorkDirectory::kStoreFileName << "\n";
    settings.close();
    if (!settings) throw std::runtime_error("cannot write " + directory.SettingsFile().string());
  } catch (...) {
    std::error_code ignored;
    fs::remove(store_file, ignored);
    fs::remove(directory.SettingsFile(), ignored);
    throw;
  }

  const std::string root = directory.Root().string();
  out << "Created the working directory " << root << ":\n"
      << "  store.db       SQLite store with the schema of the driver's tables, holding\n"
      << "                 company " << kCompanyTaxCode << " (" << kCompanyName << "),\n"
      << "                 branch " << kStoreCode << " (Loja Baixa; series template " << kSeriesTemplate << "),\n"
      << "                 series " << DemoSeriesCode(kInvoiceDocumentType, year) << " (invoices, validation code "
      << kInvoiceValidationCode << ")\n"
      << "                 and " << DemoSeriesCode(kCreditNoteDocumentType, year)
      << " (credit notes, validation code " << kCreditNoteValidationCode << ")\n"
      << "  qvSAFTPT.ini   Engine=SQLite, DBName=" << WorkDirectory::kStoreFileName << "\n"
      << "  host/          the host directory (QV_HOST_DIR): LogFiles/ and the series check files in PT_Check/\n"
      << "  data/          the fiscal data directory (QV_FPR_DB): one directory per till serial\n"
      << "Next: fiscal-host -C " << root << " demo\n";
}

}  // namespace dodu::host

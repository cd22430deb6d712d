#include "pt/fiscal_processor_pt.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include <pugixml.hpp>

#include "base/application.h"
#include "base/ascii_text.h"
#include "base/conversions.h"
#include "base/no_destructor.h"
#include "base/error.h"
#include "db/db_connection.h"
#include "db/vendizio_proxy.h"
#include "driver/fiscal_processor_handler.h"
#include "driver/processor_tables.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "pt/document_series.h"
#include "pt/fiscal_annotations.h"
#include "pt/receipt_document.h"
#include "pt/store_statements.h"

namespace dodu {

namespace {

// A plain pointer, not a static object: the proxy closes its connection through objects that
// static destruction may already have ended, so it is released explicitly at library unload
// (ReleaseProcessDatabaseProxy) and otherwise left to the end of the process.
std::unique_ptr<tQV_VendizioProxy>& ProxyHolder() {
  static NoDestructor<std::unique_ptr<tQV_VendizioProxy>> proxy;
  return *proxy;
}

// The value of the first name=value line whose name matches, without regard to case.
std::string SettingOf(const std::vector<std::string>& lines, const std::string& name) {
  for (const std::string& line : lines) {
    size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (AsciiLower(Trimmed(line.substr(0, equals))) == AsciiLower(name)) return line.substr(equals + 1);
  }
  return {};
}

}  // namespace

tQV_VendizioProxy& ProcessDatabaseProxy() {
  std::unique_ptr<tQV_VendizioProxy>& proxy = ProxyHolder();
  // Before any Open the proxy is unconnected, and every statement says so.
  if (!proxy) proxy = std::make_unique<tQV_VendizioProxy>();
  return *proxy;
}

void ReleaseProcessDatabaseProxy() { ProxyHolder().reset(); }

void RegisterPortugueseProcessor() {
  RegisterFiscalProcessorClass(kPortugueseDriverName, [](const kFiscalProcessorHandler& aHandler) {
    return std::unique_ptr<kFiscalProcessor>(new kFiscalProcessor_PT(aHandler));
  });
}

kFiscalProcessor_PT::kFiscalProcessor_PT(const kFiscalProcessorHandler& aHandler)
    : kFiscalProcessor(aHandler), fFPCounters(std::make_unique<kFiscalProcessorCounters>()) {}

kFiscalProcessor_PT::~kFiscalProcessor_PT() = default;

bool kFiscalProcessor_PT::Open(kFiscalProcessorHandler& aHandler) {
  kFiscalProcessor::Open(aHandler);
  fIOHandler->WriteLog(let_info, "OPEN", "BEGIN");
  fFPCounters->Init(fCountersActualFileName, aHandler.fTillSerial);
  Init();
  RecoverTillFiles();
  fIOHandler->WriteLog(let_info, "OPEN", "END");
  return true;
}

// A till that died mid-write left temporary files and maybe pending ones: the first are removed,
// the second settled when the store can be asked (otherwise the next operation does it).
void kFiscalProcessor_PT::RecoverTillFiles() {
  const int removed = RemoveStaleTemporaryFiles(DirectoryOf(fCountersActualFileName)) +
                      RemoveStaleTemporaryFiles(CheckFileDirectory());
  if (removed > 0)
    fIOHandler->WriteLog(let_info, "OPEN", std::to_string(removed) + " temporary files of interrupted writes removed");
  try {
    SettleCounters();
  } catch (const std::exception& e) {
    fIOHandler->WriteLog(let_error, "OPEN", std::string("Pending counters not settled yet: ") + e.what());
  }
}

void kFiscalProcessor_PT::Init() {
  LoadIniSection(JoinPath(ExePath(), "QVPA_PT_10.ini"), "ReceiptSubTypes", fReceiptSubTypes);
  ConnectDatabase();
}

bool kFiscalProcessor_PT::ConnectDatabase() {
  // The old proxy goes with its connection: an open connection per OPEN would pile up otherwise.
  std::unique_ptr<tQV_VendizioProxy>& holder = ProxyHolder();
  holder = std::make_unique<tQV_VendizioProxy>();
  tQV_VendizioProxy& proxy = *holder;
  proxy.SetApplicationName("DODO-DE Vuzuvedav");
  const std::string settings_file = "qvSAFTPT.ini";
  if (!FileExists(settings_file)) return proxy.Init(false);
  const std::vector<std::string> lines = ReadFileLines(settings_file);
  proxy.SetEngine(DbEngineFromText(SettingOf(lines, "Engine")));
  proxy.SetDataSource(SettingOf(lines, "DataSource"));
  proxy.SetDbName(SettingOf(lines, "DBName"));
  proxy.SetDBUserName(SettingOf(lines, "DBUserName"));
  proxy.SetDBUserPwd(SettingOf(lines, "DbUserPwd"));
  // A complete ODBC connection string (a PostgreSQL server store, for one) takes the place of
  // the SQL Server settings above; the engine learns the server's kind from the driver.
  const std::string connection_string = Trimmed(SettingOf(lines, "ConnectionString"));
  if (proxy.Engine() == dbe_ODBC && !connection_string.empty()) proxy.SetOdbcConnectionString(connection_string);
  bool connected = proxy.Connect();
  if (!connected) fIOHandler->WriteLog(let_error, "OPEN", "Database not connected: " + proxy.ConnectionError());
  return connected;
}

// ---- status and the small device operations ---------------------------------------------------

bool kFiscalProcessor_PT::ReadStatus(bool& aDayOpened, DateTime& aDateTime, bool& aTrainingMode,
                                     std::string& aFirmwareVersion, std::string& aSerialNumber,
                                     std::string& aFiscalMode) {
  SettleCounters();
  fFPCounters->Refresh();
  aDayOpened = fFPCounters->CurrentReceiptNo() != 0;
  aDateTime = Now();
  tQV_ApplicationInfo loaded;
  if (gApplication == nullptr) loaded.Load();
  aFirmwareVersion = (gApplication != nullptr ? gApplication->Info() : loaded).Version();
  aTrainingMode = fFPCounters->TrainingMode();
  aFiscalMode = "RT";
  aSerialNumber = fFPCounters->TillSerial();
  fIOHandler->Debug(let_info, "FiscalMode=" + aFiscalMode);
  fIOHandler->Debug(let_info, "TrainingMode=" + BoolToXmlText(aTrainingMode));
  fIOHandler->Debug(let_info, "SerialNumber=" + aSerialNumber);
  return true;
}

bool kFiscalProcessor_PT::GetDateTime(DateTime& aDateTime) {
  aDateTime = Now();
  return true;
}

bool kFiscalProcessor_PT::SetTrainingMode() {
  SettleCounters();
  fFPCounters->Refresh();
  fFPCounters->SetTrainingMode(true);
  fFPCounters->Save();
  return true;
}

bool kFiscalProcessor_PT::IsDayOpened() {
  SettleCounters();
  fFPCounters->Refresh();
  return fFPCounters->CurrentReceiptNo() != 0;
}

bool kFiscalProcessor_PT::ProcessGetStatus(kFiscalProcessorHandler&) {
  fIOHandler->WriteLog(let_info, "GETSTATUS", "BEGIN");
  qvProcessorStatus status;
  bool result = ReadStatus(status.DayOpened, status.DateTime, status.TrainingMode, status.FirmwareVersion,
                           status.SerialNumber, status.FiscalMode);
  fStatus = status;
  fIOHandler->WriteLog(let_info, "GETSTATUS", "END");
  return result;
}

bool kFiscalProcessor_PT::ProcessReprintReceipt(kFiscalProcessorHandler& aHandler) {
  const kReceiptReference& reference = aHandler.fReceiptReference;
  std::unique_ptr<StoreStatements> store = CreateStoreStatements(ProcessDatabaseProxy(), CheckFileDirectory());
  // The reference's type says which kind of document it means: a sale type an invoice, a refund
  // a credit note.
  ReferenceHint hint;
  if (reference.fReceiptType == rt_Refund) hint.documentCode = "NC";
  else if (reference.fReceiptType == rt_Sale || reference.fReceiptType == rt_InvoiceSale ||
           reference.fReceiptType == rt_InvoiceSaleFromReceipt)
    hint.documentCode = "FR";
  FoundReceipt row = store->FindStoredReceipt(reference.fDeviceSerialNumber, reference.fReceiptNumber,
                                              reference.fReceiptDateTime, hint);
  fXmlOutput = row.receipt;
  if (!row.found) {
    fIOHandler->SetCustomError(-54, "Receipt not found");
    return false;
  }
  ReceiptDocument document(fXmlOutput, "stored receipt");
  SetChildValue(document.Receipt(), "IsReprint", "True", true);
  fXmlOutput = document.Text();
  return true;
}

}  // namespace dodu

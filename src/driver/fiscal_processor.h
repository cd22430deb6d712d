#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "driver/fiscal_printer_defs.h"
#include "io/io_handler.h"
#include "receipt/request_documents.h"

namespace dodu {

class kFiscalProcessorHandler;

// The abstract fiscal processor: one per opened till, registered by handle, alive until the
// process ends. A driver supplies the device-level operations and the five processing operations.
class kFiscalProcessor {
 public:
  // Creates the tables and the I/O handler (with its log file) from the request envelope.
  explicit kFiscalProcessor(const kFiscalProcessorHandler& aHandler);
  virtual ~kFiscalProcessor();
  kFiscalProcessor(const kFiscalProcessor&) = delete;
  kFiscalProcessor& operator=(const kFiscalProcessor&) = delete;

  // Device-level operations.
  virtual bool MakeReady() = 0;
  virtual bool ReadStatus(bool& aDayOpened, DateTime& aDateTime, bool& aTrainingMode, std::string& aFirmwareVersion,
                          std::string& aSerialNumber, std::string& aFiscalMode) = 0;
  virtual bool GetDateTime(DateTime& aDateTime) = 0;
  virtual bool SetDateTime(DateTime aDateTime) = 0;
  virtual bool SetTrainingMode() = 0;
  virtual bool ReadVatTable() = 0;
  virtual bool WriteVatTable(const kVatTable& aTable) = 0;
  virtual bool ReadEATable() = 0;
  virtual bool WriteEATable(const kEconomicActivityTable& aTable) = 0;
  virtual bool ReadDeptTable() = 0;
  virtual bool WriteDeptTable(const kDeptTable& aTable) = 0;
  virtual bool OpenDrawer(int32_t aDrawerNumber) = 0;
  virtual bool EJReportZReports(qvEJReportDestination aDestination, std::string& aText, DateTime aStartDate,
                                DateTime aEndDate) = 0;
  virtual bool EJReportFiscalReceipts(qvEJReportDestination aDestination, int32_t aStartNumber, DateTime aStartDate,
                                      DateTime aEndDate, int32_t aEndNumber, std::string& aText) = 0;
  virtual bool EJReportNonFiscalReceipts(qvEJReportDestination aDestination, int32_t aStartNumber,
                                         DateTime aStartDate, DateTime aEndDate, int32_t aEndNumber,
                                         std::string& aText) = 0;
  virtual bool EJReportCreditNotes(qvEJReportDestination aDestination, int32_t aStartNumber, DateTime aStartDate,
                                   DateTime aEndDate, int32_t aEndNumber, std::string& aText) = 0;
  virtual bool EJReportInvoices(qvEJReportDestination aDestination, int32_t aStartNumber, DateTime aStartDate,
                                DateTime aEndDate, int32_t aEndNumber, std::string& aText) = 0;
  virtual bool ExportEJFiles(qvEJFilesRequestType aRequestType, const std::string& aOutputDir, DateTime aStartDate,
                             DateTime aEndDate, int32_t& aFilesCount) = 0;
  virtual bool IsReady() = 0;
  virtual bool IsDayOpened() = 0;
  virtual bool ReadLotteryReceiptStatus(const kReceiptReference& aReference) = 0;
  virtual bool ReservedCheck() = 0;

  virtual void Init() = 0;
  // Sets up the till's directories and counters file names; drivers call it first.
  virtual bool Open(kFiscalProcessorHandler& aHandler);
  virtual bool ProcessReceipt(kFiscalProcessorHandler& aHandler) = 0;
  virtual bool ProcessReprintReceipt(kFiscalProcessorHandler& aHandler) = 0;
  virtual bool ProcessZReport(kFiscalProcessorHandler& aHandler) = 0;
  virtual bool ProcessXReport(kFiscalProcessorHandler& aHandler) = 0;
  virtual bool ProcessGetStatus(kFiscalProcessorHandler& aHandler) = 0;

  // "Version 2.04 - 26/02/2024", the date in the system's short date format.
  static std::string GetDriverVersion();
  // Reads the lines of one [section] of an INI-style file; false when the file does not exist.
  static bool LoadIniSection(const std::string& aFileName, const std::string& aSectionName,
                             std::vector<std::string>& aList);

  void Pub_OpenDrawer(const kFiscalProcessorHandler& aHandler, _int_OPENDR_result& aResult);
  void Pub_SetDateTime(const kFiscalProcessorHandler& aHandler, _int_SETDATETIME_result& aResult);
  void Pub_Close(const kFiscalProcessorHandler& aHandler, _int_CLOSE_result& aResult);
  void Pub_EJReport(const kFiscalProcessorHandler& aHandler, _int_EJREPORT_result& aResult);
  void Pub_GetVatTable(const kFiscalProcessorHandler& aHandler, _int_GETVATTABLE_result& aResult);
  void Pub_SetVatTable(const kFiscalProcessorHandler& aHandler, _int_SETVATTABLE_result& aResult);
  void Pub_GetDeptTable(const kFiscalProcessorHandler& aHandler, _int_GETDEPTTABLE_result& aResult);
  void Pub_SetDeptTable(const kFiscalProcessorHandler& aHandler, _int_SETDEPTTABLE_result& aResult);
  void Pub_GetLotteryReceiptStatus(const kFiscalProcessorHandler& aHandler,
                                   _int_GETLOTTERYRCPTSTATUS_result& aResult);
  void Pub_GetEJFiles(const kFiscalProcessorHandler& aHandler, _int_GETEJFILES_result& aResult);

  kIOHandler& IOHandler() { return *fIOHandler; }

  int32_t fHandle = 0;
  std::string fXmlOutput;
  qvFiscalCounters fZReportValues;
  qvProcessorStatus fStatus;
  std::unique_ptr<kIOHandler> fIOHandler;
  bool fOpened = false;
  std::string fDirErrors, fDirJournal, fDirProcessed, fDirQueue;
  std::string fCountersActualFileName, fCountersPreviousFileName;
  std::string fFiscalMode, fSerialNumber;
  std::unique_ptr<kVatTable> fVatTable;
  std::unique_ptr<kDeptTable> fDeptTable;
  std::unique_ptr<kEconomicActivityTable> fEATable;
  int32_t fLineLength = 0, fDisplayLineCount = 0, fDisplayLineLength = 0;
  qvFiscalCounters fCounters;
  qvLotteryReceiptStatus fLotteryReceiptStatus;
  int32_t fEJFilesCount = 0;

 private:
  // The common frame of the Pub_ operations: the log line, the result's error state.
  template <typename Result, typename Work, typename Fill>
  void RunPub(const char* aName, Result& aResult, Work work, Fill fill);
};

// The directory the till directories live under: $QV_FPR_DB, else the system's default
// (/var/lib/QV_FPR_DB/, or C:\QV_FPR_DB\ on Windows).
std::string FiscalDataBaseDirectory();

}  // namespace dodu

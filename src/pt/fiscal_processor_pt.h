#pragma once

#include <memory>
#include <string>
#include <vector>

#include "driver/fiscal_processor.h"
#include "pt/fiscal_processor_counters.h"

namespace dodu {

class tQV_VendizioProxy;
class StoreStatements;

// The driver name the Portuguese processor is registered under.
inline constexpr const char* kPortugueseDriverName = "DODU_PT_10";

// The Portuguese fiscal processor: numbers, signs and stores documents in the store database and
// writes the texts the tax rules require into the receipt; keeps the till's day in its counters
// file.
class kFiscalProcessor_PT : public kFiscalProcessor {
 public:
  explicit kFiscalProcessor_PT(const kFiscalProcessorHandler& aHandler);
  ~kFiscalProcessor_PT() override;

  bool MakeReady() override { return true; }
  bool ReadStatus(bool& aDayOpened, DateTime& aDateTime, bool& aTrainingMode, std::string& aFirmwareVersion,
                  std::string& aSerialNumber, std::string& aFiscalMode) override;
  bool GetDateTime(DateTime& aDateTime) override;
  bool SetDateTime(DateTime) override { return true; }
  bool SetTrainingMode() override;
  bool ReadVatTable() override { return true; }
  bool WriteVatTable(const kVatTable&) override { return true; }
  bool ReadEATable() override { return true; }
  bool WriteEATable(const kEconomicActivityTable&) override { return true; }
  bool ReadDeptTable() override { return true; }
  bool WriteDeptTable(const kDeptTable&) override { return true; }
  bool OpenDrawer(int32_t) override { return true; }
  bool EJReportZReports(qvEJReportDestination, std::string&, DateTime, DateTime) override { return true; }
  bool EJReportFiscalReceipts(qvEJReportDestination, int32_t, DateTime, DateTime, int32_t, std::string&) override {
    return true;
  }
  bool EJReportNonFiscalReceipts(qvEJReportDestination, int32_t, DateTime, DateTime, int32_t,
                                 std::string&) override {
    return true;
  }
  bool EJReportCreditNotes(qvEJReportDestination, int32_t, DateTime, DateTime, int32_t, std::string&) override {
    return true;
  }
  bool EJReportInvoices(qvEJReportDestination, int32_t, DateTime, DateTime, int32_t, std::string&) override {
    return true;
  }
  bool ExportEJFiles(qvEJFilesRequestType, const std::string&, DateTime, DateTime, int32_t& aFilesCount) override {
    aFilesCount = 0;
    return false;
  }
  bool IsReady() override { return true; }
  bool IsDayOpened() override;
  bool ReadLotteryReceiptStatus(const kReceiptReference&) override { return false; }
  bool ReservedCheck() override { return true; }

  // Reads the receipt sub types and connects the database through a new process-wide proxy
  // (the previous one is released). A failed connection is logged; the first statement of a
  // later operation reports it.
  void Init() override;
  bool Open(kFiscalProcessorHandler& aHandler) override;
  bool ProcessReceipt(kFiscalProcessorHandler& aHandler) override;
  bool ProcessReprintReceipt(kFiscalProcessorHandler& aHandler) override;
  bool ProcessZReport(kFiscalProcessorHandler& aHandler) override;
  bool ProcessXReport(kFiscalProcessorHandler& aHandler) override;
  bool ProcessGetStatus(kFiscalProcessorHandler& aHandler) override;

  const std::vector<std::string>& ReceiptSubTypes() const { return fReceiptSubTypes; }
  kFiscalProcessorCounters& FPCounters() { return *fFPCounters; }
  const std::string& ShortHashOfLastDocument() const { return fShortHash; }
  const std::string& ATCUDOfLastDocument() const { return fATCUD; }

 private:
  bool ConnectDatabase();
  bool ProcessVoid(kReceipt& aReceipt, StoreStatements& aStore);
  void SettleCounters();
  void RecoverTillFiles();
  void PutSideFilesInPlace(const std::string& aPendingCounters, const std::string& aCheckFile);
  void SettleSideFilesAfterFailure(StoreStatements& aStore, const std::string& aSeriesCode,
                                   const std::string& aCheckFile);
  void FillCounters(const std::string& aReportText);

  std::vector<std::string> fReceiptSubTypes;
  std::unique_ptr<kFiscalProcessorCounters> fFPCounters;
  std::string fShortHash;
  std::string fATCUD;
};

// The one database proxy of the process, shared by every processor and replaced at each Open.
tQV_VendizioProxy& ProcessDatabaseProxy();
// Disconnects and releases the proxy (library unload, after the processors are gone).
void ReleaseProcessDatabaseProxy();

void RegisterPortugueseProcessor();

}  // namespace dodu

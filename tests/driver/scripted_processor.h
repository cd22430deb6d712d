#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "driver/fiscal_processor.h"
#include "driver/fiscal_processor_handler.h"

namespace dodu::testing {

// How one scripted operation ends.
enum class Outcome {
  kSucceed,
  kFail,          // SetCustomError with the step's code and message, answer false
  kFailSilently,  // answer false without touching the error state
  kThrow,         // raise an Error with the step's message
};

struct Step {
  Outcome outcome = Outcome::kSucceed;
  int32_t code = 0;
  std::string message;
};

// What every processor of the scripted driver does and what it saw; the test owns it.
struct ProcessorScript {
  std::map<std::string, Step> steps;  // by operation name ("Open", "ProcessZReport", ...)
  qvFiscalCounters counters;          // left in fCounters by a successful Z or X report
  qvProcessorStatus status;           // left in fStatus by a successful status call
  std::string xmlOutput;              // left in fXmlOutput by receipt and reprint

  // Device-level state for the Pub_ operations.
  DateTime clock;
  std::vector<DateTime> setDateTimeCalls;
  std::vector<std::unique_ptr<kVat>> vats;
  std::vector<std::unique_ptr<kEconomicActivity>> activities;
  std::vector<std::unique_ptr<kDepartment>> departments;

  // Every operation called, in order, as "Name:handle", and whether the processor's I/O handler
  // held an error when the operation began.
  std::vector<std::string> calls;
  std::vector<bool> errorAtEntry;
};

// A fiscal processor whose every operation follows a ProcessorScript.
class kScriptedProcessor : public kFiscalProcessor {
 public:
  kScriptedProcessor(const kFiscalProcessorHandler& aHandler, ProcessorScript& aScript);

  bool MakeReady() override { return Run("MakeReady"); }
  bool ReadStatus(bool&, DateTime&, bool&, std::string&, std::string&, std::string&) override {
    return Run("ReadStatus");
  }
  bool GetDateTime(DateTime& aDateTime) override;
  bool SetDateTime(DateTime aDateTime) override;
  bool SetTrainingMode() override { return Run("SetTrainingMode"); }
  bool ReadVatTable() override;
  bool WriteVatTable(const kVatTable&) override { return Run("WriteVatTable"); }
  bool ReadEATable() override;
  bool WriteEATable(const kEconomicActivityTable&) override { return Run("WriteEATable"); }
  bool ReadDeptTable() override;
  bool WriteDeptTable(const kDeptTable&) override { return Run("WriteDeptTable"); }
  bool OpenDrawer(int32_t) override { return Run("OpenDrawer"); }
  bool EJReportZReports(qvEJReportDestination, std::string&, DateTime, DateTime) override {
    return Run("EJReportZReports");
  }
  bool EJReportFiscalReceipts(qvEJReportDestination, int32_t, DateTime, DateTime, int32_t, std::string&) override {
    return Run("EJReportFiscalReceipts");
  }
  bool EJReportNonFiscalReceipts(qvEJReportDestination, int32_t, DateTime, DateTime, int32_t,
                                 std::string&) override {
    return Run("EJReportNonFiscalReceipts");
  }
  bool EJReportCreditNotes(qvEJReportDestination, int32_t, DateTime, DateTime, int32_t, std::string&) override {
    return Run("EJReportCreditNotes");
  }
  bool EJReportInvoices(qvEJReportDestination, int32_t, DateTime, DateTime, int32_t, std::string&) override {
    return Run("EJReportInvoices");
  }
  bool ExportEJFiles(qvEJFilesRequestType, const std::string&, DateTime, DateTime, int32_t&) override {
    return Run("ExportEJFiles");
  }
  bool IsReady() override { return Run("IsReady"); }
  bool IsDayOpened() override { return Run("IsDayOpened"); }
  bool ReadLotteryReceiptStatus(const kReceiptReference&) override { return Run("ReadLotteryReceiptStatus"); }
  bool ReservedCheck() override { return Run("ReservedCheck"); }

  void Init() override {}
  bool Open(kFiscalProcessorHandler& aHandler) override;
  bool ProcessReceipt(kFiscalProcessorHandler&) override;
  bool ProcessReprintReceipt(kFiscalProcessorHandler&) override;
  bool ProcessZReport(kFiscalProcessorHandler&) override;
  bool ProcessXReport(kFiscalProcessorHandler&) override;
  bool ProcessGetStatus(kFiscalProcessorHandler&) override;

 private:
  // Records the call and plays its step: true to go on, false (or a raise) as scripted.
  bool Run(const std::string& aOperation);

  ProcessorScript& fScript;
};

// Registers the scripted driver under aDriverName in the core's driver table.
void RegisterScriptedDriver(const std::string& aDriverName, ProcessorScript& aScript);

}  // namespace dodu::testing

#include "driver/fiscal_processor.h"

#include <algorithm>
#include <cctype>

#include "base/application.h"
#include "base/ascii_text.h"
#include "base/conversions.h"
#include "base/error.h"
#include "driver/fiscal_processor_handler.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace dodu {

std::string FiscalDataBaseDirectory() {
  std::string directory = EnvironmentVariable("QV_FPR_DB");
  return WithTrailingSeparator(directory.empty() ? DefaultFiscalDataDirectory() : directory);
}

kFiscalProcessor::kFiscalProcessor(const kFiscalProcessorHandler& aHandler)
    : fVatTable(std::make_unique<kVatTable>()),
      fDeptTable(std::make_unique<kDeptTable>()),
      fEATable(std::make_unique<kEconomicActivityTable>()) {
  const std::string log_directory = JoinPath(JoinPath(ExePath(), "LogFiles"), "FiscalPrinter");
  fIOHandler = aHandler.CreateIOHandler(log_directory);
  fIOHandler->SetVersion(GetDriverVersion());
}

kFiscalProcessor::~kFiscalProcessor() {
  fVatTable.reset();
  fDeptTable.reset();
  fEATable.reset();
  fIOHandler.reset();
}

std::string kFiscalProcessor::GetDriverVersion() {
  // The processor may be created before (or without) the application object in tests.
  tQV_ApplicationInfo loaded;
  if (gApplication == nullptr) loaded.Load();
  const tQV_ApplicationInfo& info = gApplication != nullptr ? gApplication->Info() : loaded;
  return "Version " + info.Version() + " - " + DateToText(info.ReleaseDate());
}

bool kFiscalProcessor::Open(kFiscalProcessorHandler& aHandler) {
  // Without a serial the till's counters file and folders would land in the base directory
  // itself, shared by every till that forgot it.
  if (Trimmed(aHandler.fTillSerial).empty()) throw Error("Invalid till serial");
  // The till serial names one directory below the base; it must not lead anywhere else.
  if (!IsPlainFileName(aHandler.fTillSerial))
    throw Error("Invalid characters in path");
  const std::string base = FiscalDataBaseDirectory() + aHandler.fTillSerial;
  fDirErrors = JoinPath(base, "Errors");
  fDirJournal = JoinPath(base, "Journal");
  fDirProcessed = JoinPath(base, "Processed");
  fDirQueue = JoinPath(base, "Queue");
  for (const std::string* directory : {&fDirQueue, &fDirErrors, &fDirProcessed, &fDirJournal})
    ForceDirectories(*directory);
  fCountersActualFileName = JoinPath(base, "counters.actual.fprc");
  fCountersPreviousFileName = JoinPath(base, "counters.previous.fprc");
  return true;
}

bool kFiscalProcessor::LoadIniSection(const std::string& aFileName, const std::string& aSectionName,
                                      std::vector<std::string>& aList) {
  if (!FileExists(aFileName)) return false;
  aList.clear();
  const std::vector<std::string> lines = ReadFileLines(aFileName);
  const std::string header = AsciiLower("[" + aSectionName + "]");
  auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) { return AsciiLower(l) == header; });
  if (line == lines.end()) return true;
  for (++line; line != lines.end() && !(!line->empty() && line->front() == '['); ++line) aList.push_back(*line);
  return true;
}

template <typename Result, typename Work, typename Fill>
void kFiscalProcessor::RunPub(const char* aName, Result& aResult, Work work, Fill fill) {
  fIOHandler->Debug(let_info, std::string(60, '-') + " " + aName);
  aResult.Error = true;
  aResult.LogFileName = fIOHandler->GetLogFileName();
  work();
  if (fIOHandler->ErrorFound()) {
    aResult.ErrorText = fIOHandler->ErrorMessage();
  } else {
    fill();
    aResult.Error = false;
    aResult.ErrorText.clear();
  }
}

void kFiscalProcessor::Pub_OpenDrawer(const kFiscalProcessorHandler& aHandler, _int_OPENDR_result& aResult) {
  RunPub("OpenDrawer", aResult, [&] { OpenDrawer(aHandler.fDrawer.fNumber); }, [] {});
}

void kFiscalProcessor::Pub_SetDateTime(const kFiscalProcessorHandler& aHandler, _int_SETDATETIME_result& aResult) {
  fIOHandler->Debug(let_info, std::string(60, '-') + " SetDateTime");
  aResult.Error = true;
  aResult.LogFileName = fIOHandler->GetLogFileName();
  const DateTime requested = XmlTextToDateTime(aHandler.GetParameter("DateTime"));
  if (requested.value > 0) SetDateTime(requested);
  // The clock is read back whatever the outcome.
  GetDateTime(aResult.DateTime);
  if (fIOHandler->ErrorFound()) {
    aResult.ErrorText = fIOHandler->ErrorMessage();
  } else {
    aResult.Error = false;
    aResult.ErrorText.clear();
  }
}

void kFiscalProcessor::Pub_Close(const kFiscalProcessorHandler&, _int_CLOSE_result& aResult) {
  RunPub("Close", aResult, [&] { fIOHandler->Disconnect(); }, [] {});
}

void kFiscalProcessor::Pub_EJReport(const kFiscalProcessorHandler& aHandler, _int_EJREPORT_result& aResult) {
  const kEJReport& r = aHandler.fEJReport;
  std::string text;
  RunPub(
      "EJReport", aResult,
      [&] {
        switch (r.fReportType) {
          case ejrt_ZReport:
            EJReportZReports(r.fDestination, text, r.fStartDate, r.fEndDate);
            break;
          case ejrt_FiscalReceipt:
            EJReportFiscalReceipts(r.fDestination, r.fStartNumber, r.fStartDate, r.fEndDate, r.fEndNumber, text);
            break;
          case ejrt_NonFiscalReceipt:
            EJReportNonFiscalReceipts(r.fDestination, r.fStartNumber, r.fStartDate, r.fEndDate, r.fEndNumber, text);
            break;
          case ejrt_CreditNote:
            EJReportCreditNotes(r.fDestination, r.fStartNumber, r.fStartDate, r.fEndDate, r.fEndNumber, text);
            break;
          case ejrt_Invoice:
            EJReportInvoices(r.fDestination, r.fStartNumber, r.fStartDate, r.fEndDate, r.fEndNumber, text);
            break;
        }
      },
      [&] { aResult.Text = text; });
}

void kFiscalProcessor::Pub_GetVatTable(const kFiscalProcessorHandler&, _int_GETVATTABLE_result& aResult) {
  aResult.VATTable.clear();
  RunPub("GetVATTable", aResult, [&] { ReadVatTable(); },
         [&] {
           for (const auto& vat : *fVatTable)
             aResult.VATTable.push_back({vat->fIndex, vat->fCode, vat->fDescription, vat->fRate});
         });
}

void kFiscalProcessor::Pub_SetVatTable(const kFiscalProcessorHandler& aHandler, _int_SETVATTABLE_result& aResult) {
  RunPub("SetVATTable", aResult, [&] { WriteVatTable(aHandler.fVATTable); }, [] {});
}

void kFiscalProcessor::Pub_GetDeptTable(const kFiscalProcessorHandler&, _int_GETDEPTTABLE_result& aResult) {
  aResult.DeptTable.clear();
  RunPub(
      "GetDeptTable", aResult,
      [&] {
        ReadEATable();
        ReadDeptTable();
      },
      [&] {
        for (const auto& dept : *fDeptTable) {
          _int_Dept entry;
          entry.Index = dept->fIndex;
          entry.Code = dept->fCode;
          entry.Description = dept->fDescription;
          entry.VatCode = dept->fVATCode;
          entry.SalesType = dept->fSalesType == st_Service ? "Service" : "Product";
          if (!dept->fEACode.empty()) {
            entry.EACode = dept->fEACode;
            // An activity code the table does not know leaves its description empty and its
            // VAT mode "0".
            const kEconomicActivity* activity = fEATable->Get(dept->fEACode);
            entry.EADescription = activity != nullptr ? activity->fDescription : std::string();
            entry.EAVATMode = activity != nullptr && activity->fVentilazione ? "1" : "0";
          }
          aResult.DeptTable.push_back(std::move(entry));
        }
      });
}

void kFiscalProcessor::Pub_SetDeptTable(const kFiscalProcessorHandler& aHandler, _int_SETDEPTTABLE_result& aResult) {
  RunPub(
      "SetDeptTable", aResult,
      [&] {
        WriteEATable(aHandler.fEATable);
        WriteDeptTable(aHandler.fDeptTable);
      },
      [] {});
}

void kFiscalProcessor::Pub_GetLotteryReceiptStatus(const kFiscalProcessorHandler& aHandler,
                                                   _int_GETLOTTERYRCPTSTATUS_result& aResult) {
  bool read = false;
  RunPub(
      "GetLotteryRcptStatus", aResult,
      [&] {
        if (IsReady() || MakeReady()) read = ReadLotteryReceiptStatus(aHandler.fReceiptReference);
      },
      [&] {
        if (!read) return;
        aResult.CorrectlySent = fLotteryReceiptStatus.CorrectlySent;
        aResult.StatusCode = fLotteryReceiptStatus.StatusCode;
        aResult.StatusDescription = fLotteryReceiptStatus.StatusDescription;
        aResult.ReferenceId = fLotteryReceiptStatus.ReferenceId;
      });
}

void kFiscalProcessor::Pub_GetEJFiles(const kFiscalProcessorHandler& aHandler, _int_GETEJFILES_result& aResult) {
  const kEJFilesRequest& r = aHandler.fEJFilesRequest;
  bool exported = false;
  RunPub(
      "GetEJFiles", aResult,
      [&] { exported = ExportEJFiles(r.fReqType, r.fOutputDir, r.fStartDate, r.fEndDate, fEJFilesCount); },
      [&] {
        if (exported) aResult.FilesCount = fEJFilesCount;
      });
}

}  // namespace dodu

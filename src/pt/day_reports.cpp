// Z and X reports: the day's counters with their printable texts; Z also closes the day.
#include "base/conversions.h"
#include "base/error.h"
#include "base/format_settings.h"
#include "driver/fiscal_processor_handler.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "pt/day_report_text.h"
#include "pt/fiscal_processor_pt.h"

namespace dodu {

namespace {

// A copy that is whole or absent whatever instant the process dies at. It replaces a copy left
// by a report that died before it closed the day, so the report can simply be asked again.
void CopyAtomically(const std::string& from, const std::string& to) {
  try {
    WriteFileAtomically(to, ReadPrivateFileText(from));
  } catch (const std::exception& e) {
    throw Error("Cannot copy " + from + " to " + to + ": " + e.what());
  }
}

}  // namespace

void kFiscalProcessor_PT::FillCounters(const std::string& aReportText) {
  const kFiscalProcessorCounters& s = *fFPCounters;
  fCounters.CurrentReceiptNo = s.CurrentReceiptNo();
  fCounters.CurrentReportNo = s.CurrentZReportNo();
  fCounters.ReportDateTime = Today();
  fCounters.DailyTotal = s.DailyTotal();
  fCounters.DailySales = s.DailySales();
  fCounters.DailyRefunds = s.DailyRefunds();
  fCounters.DailyVoids = s.DailyVoids();
  fCounters.DailyDiscounts = s.DailyDiscounts();
  fCounters.GrandTotalTotal = s.GrandTotalTotal();
  fCounters.GrandTotalSales = s.GrandTotalSales();
  fCounters.GrandTotalRefunds = s.GrandTotalRefunds();
  fCounters.GrandTotalVoids = s.GrandTotalVoids();
  fCounters.GrandTotalDiscounts = s.GrandTotalDiscounts();
  fCounters.Text = aReportText;
}

bool kFiscalProcessor_PT::ProcessZReport(kFiscalProcessorHandler& aHandler) {
  fIOHandler->WriteLog(let_info, "PROCESSZREPORT", "BEGIN");
  const bool locked = fFPCounters->Lock();
  if (locked) {
    // The day is closed by the one save of Z below: a report that dies before it leaves the day
    // open and is repeated whole; one that dies after it has closed the day once.
    SettleCounters();
    fFPCounters->Refresh();
    std::string text;
    if (aHandler.fZreport.fPrintText) {
      for (const std::string& line : aHandler.fZreport.fText) text += line + "\r\n";
    } else {
      text = BuildZReportText(*fFPCounters, Now(), GetFormatSettings());
    }
    FillCounters(text);
    const std::string counters = fFPCounters->FileName();
    if (FileExists(counters)) {
      CopyAtomically(counters, fCountersPreviousFileName);
      const std::string day_directory = JoinPath(fDirProcessed, FormatDateTime("yyyymmdd", Now()));
      if (!ForceDirectories(day_directory)) throw Error("Cannot create directory " + day_directory);
      CopyAtomically(counters,
                     JoinPath(day_directory, ZeroPadded(fFPCounters->CurrentZReportNo(), 4) + "-9999.fprd"));
    }
    fFPCounters->Z();
  }
  fFPCounters->Unlock();
  fIOHandler->WriteLog(let_info, "PROCESSZREPORT", "END");
  return locked;
}

bool kFiscalProcessor_PT::ProcessXReport(kFiscalProcessorHandler&) {
  fIOHandler->WriteLog(let_info, "PROCESSXREPORT", "BEGIN");
  SettleCounters();
  fFPCounters->Refresh();
  FillCounters(BuildXReportText(*fFPCounters, Now(), GetFormatSettings()));
  fIOHandler->WriteLog(let_info, "PROCESSXREPORT", "END");
  return true;
}

}  // namespace dodu

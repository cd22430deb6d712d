#include "driver/processor_wrappers.h"

#include <sstream>

#include <pugixml.hpp>

#include "base/conversions.h"
#include "base/error.h"
#include "driver/fiscal_processor.h"
#include "driver/fiscal_processor_handler.h"
#include "driver/processor_tables.h"

namespace dodu {

namespace {

std::string DocumentText(const pugi::xml_document& document) {
  std::ostringstream out;
  document.save(out, "  ", pugi::format_default | pugi::format_no_declaration, pugi::encoding_utf8);
  return out.str();
}

void AddValue(pugi::xml_node root, const char* name, const std::string& value) {
  root.append_child(name).text().set(value.c_str());
}

}  // namespace

kFiscalProcessorWrapper::kFiscalProcessorWrapper() : fHandler(std::make_unique<kFiscalProcessorHandler>()) {}

kFiscalProcessorWrapper::~kFiscalProcessorWrapper() = default;

void kFiscalProcessorWrapper::Process(const std::string& aXml) {
  try {
    Run(aXml);
  } catch (const std::exception& e) {
    SetError(e.what());
  } catch (...) {
    SetError("Unexpected error");
  }
}

void kFiscalProcessorWrapper::GetProcessor(bool aCreate) {
  ProcessorTables& tables = GetProcessorTables();
  const int32_t handle = fHandler->fDeviceHandle;
  if (handle > 0) {
    auto found = tables.FiscalProcessors.find(handle);
    if (found == tables.FiscalProcessors.end()) throw Error("Processor Handle not found");
    fProcessor = found->second;
    fProcessor->IOHandler().ResetCustomError();
    return;
  }
  if (!aCreate) throw Error("Fiscal Processor has not previously opened");
  auto driver = tables.FiscalProcessorClasses.find(fHandler->fDriver);
  if (driver == tables.FiscalProcessorClasses.end())
    throw Error("Fiscal Processor Driver [" + fHandler->fDriver + "] not registered.");
  // Processors live until the process ends; the table holds them without owning them.
  kFiscalProcessor* processor = driver->second(*fHandler).release();
  processor->fHandle = ++tables.LastProcessorHandle;
  tables.FiscalProcessors[processor->fHandle] = processor;
  fProcessor = processor;
}

void kFiscalProcessorWrapper::DiscardProcessor() {
  GetProcessorTables().FiscalProcessors.erase(fProcessor->fHandle);
  delete fProcessor;
  fProcessor = nullptr;
}

void kFiscalProcessorWrapper::SetError(const std::string& aMessage) {
  fError = true;
  if (fProcessor != nullptr) fProcessor->IOHandler().Debug(let_error, aMessage);
  fErrorText = aMessage;
}

void kFiscalProcessorWrapper::Fail() {
  fError = true;
  fErrorText = fProcessor->IOHandler().ErrorMessage();
}

void kFiscalProcessorWrapper_OPEN::Run(const std::string& aXml) {
  fHandler->Deserialize(aXml, {});
  const bool creates = fHandler->fDeviceHandle <= 0;
  GetProcessor(true);
  bool opened = false;
  try {
    opened = fProcessor->Open(*fHandler);
    if (!opened) Fail();
  } catch (const std::exception& e) {
    SetError(e.what());
  } catch (...) {
    SetError("Unexpected error");
  }
  if (!opened) {
    // The failure is in the processor's log already; a processor this call created and could
    // not open keeps no log, thread or file, so failed OPENs cannot pile up. Its handle number
    // stays used up.
    if (creates) DiscardProcessor();
    return;
  }
  fHandle = fProcessor->fHandle;
  fProcessor->IOHandler().WriteLog(let_info, "OPEN", "Assigned Handle: " + std::to_string(fHandle));
}

void kFiscalProcessorWrapper_PROCESSRECEIPT::Run(const std::string& aXml) {
  fHandler->Deserialize(aXml, {dt_Receipt});
  GetProcessor(false);
  if (!fProcessor->ProcessReceipt(*fHandler)) return Fail();
  fOutput = fProcessor->fXmlOutput;
  fProcessor->IOHandler().WriteLog(let_info, "PROCESSRECEIPT", "Updated Receipt:\r\n" + fOutput);
}

void kFiscalProcessorWrapper_PROCESSREPRINTRECEIPT::Run(const std::string& aXml) {
  fHandler->Deserialize(aXml, {dt_ReceiptReference});
  GetProcessor(false);
  if (!fProcessor->ProcessReprintReceipt(*fHandler)) return Fail();
  fOutput = fProcessor->fXmlOutput;
  fProcessor->IOHandler().WriteLog(let_info, "PROCESSREPRINTRECEIPT", "Reprinted Receipt:\r\n" + fOutput);
}

void kFiscalProcessorWrapper_PROCESSZREPORT::CopyCounters() { fCounters = fProcessor->fCounters; }

void kFiscalProcessorWrapper_PROCESSZREPORT::Run(const std::string& aXml) {
  fHandler->Deserialize(aXml, {dt_ZReport});
  GetProcessor(false);
  if (!fProcessor->ProcessZReport(*fHandler)) return Fail();
  CopyCounters();
  fProcessor->IOHandler().WriteLog(let_info, "PROCESSZREPORT", "ReportNo: " + std::to_string(fCounters.CurrentReportNo));
}

void kFiscalProcessorWrapper_PROCESSXREPORT::Run(const std::string& aXml) {
  fHandler->Deserialize(aXml, {});
  GetProcessor(false);
  if (!fProcessor->ProcessXReport(*fHandler)) return Fail();
  CopyCounters();
  fProcessor->IOHandler().WriteLog(let_info, "PROCESSXREPORT",
                                   "Data: " + FormatDateTime("yyyy-mm-dd hh:nn:ss", fCounters.ReportDateTime));
}

std::string kFiscalProcessorWrapper_PROCESSZREPORT::ResultXml() const {
  pugi::xml_document document;
  pugi::xml_node root = document.append_child(RootName());
  const qvFiscalCounters& c = fCounters;
  AddValue(root, "GrandTotalAmount", CurrencyToXmlText(c.GrandTotalTotal));
  AddValue(root, "GrandTotalRefundsAmount", CurrencyToXmlText(c.GrandTotalRefunds));
  AddValue(root, "GrandTotalVoidsAmount", CurrencyToXmlText(c.GrandTotalVoids));
  AddValue(root, "DayTotalAmount", CurrencyToXmlText(c.DailyTotal));
  AddValue(root, "DayDiscountsAmount", CurrencyToXmlText(c.DailyDiscounts));
  AddValue(root, "DayRefundsAmount", CurrencyToXmlText(c.DailyRefunds));
  AddValue(root, "DayVoidsAmount", CurrencyToXmlText(c.DailyVoids));
  AddValue(root, "DayReceiptsNumber", std::to_string(c.CurrentReceiptNo));
  AddValue(root, "DayRefundsNumber", "0");
  AddValue(root, "ReportNumber", std::to_string(c.CurrentReportNo));
  AddValue(root, "ReportDateTime", DateTimeToXmlText(false, c.ReportDateTime));
  AddValue(root, "Text", c.Text);
  return DocumentText(document);
}

void kFiscalProcessorWrapper_GETSTATUS::Run(const std::string& aXml) {
  fHandler->Deserialize(aXml, {});
  if (fHandler->fDeviceHandle <= 0) return;  // no processor: the empty status is the answer
  GetProcessor(false);
  if (!fProcessor->ProcessGetStatus(*fHandler)) return Fail();
  fStatus = fProcessor->fStatus;
}

std::string kFiscalProcessorWrapper_GETSTATUS::ResultXml() const {
  pugi::xml_document document;
  pugi::xml_node root = document.append_child("Status");
  AddValue(root, "DayOpened", BoolToXmlText(fStatus.DayOpened));
  AddValue(root, "DateTime", DateTimeToXmlText(false, fStatus.DateTime));
  AddValue(root, "TrainingMode", BoolToXmlText(fStatus.TrainingMode));
  AddValue(root, "FirmwareVersion", fStatus.FirmwareVersion);
  AddValue(root, "SerialNumber", fStatus.SerialNumber);
  AddValue(root, "FiscalMode", fStatus.FiscalMode);
  return DocumentText(document);
}

}  // namespace dodu

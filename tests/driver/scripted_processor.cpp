#include "scripted_processor.h"

#include "base/error.h"
#include "driver/processor_tables.h"

namespace dodu::testing {

kScriptedProcessor::kScriptedProcessor(const kFiscalProcessorHandler& aHandler, ProcessorScript& aScript)
    : kFiscalProcessor(aHandler), fScript(aScript) {}

bool kScriptedProcessor::Run(const std::string& aOperation) {
  fScript.calls.push_back(aOperation + ":" + std::to_string(fHandle));
  fScript.errorAtEntry.push_back(fIOHandler->ErrorFound());
  auto found = fScript.steps.find(aOperation);
  if (found == fScript.steps.end()) return true;
  const Step& step = found->second;
  switch (step.outcome) {
    case Outcome::kSucceed:
      return true;
    case Outcome::kFail:
      fIOHandler->SetCustomError(step.code, step.message);
      return false;
    case Outcome::kFailSilently:
      return false;
    case Outcome::kThrow:
      throw Error(step.message);
  }
  return true;
}

bool kScriptedProcessor::GetDateTime(DateTime& aDateTime) {
  if (!Run("GetDateTime")) return false;
  aDateTime = fScript.clock;
  return true;
}

bool kScriptedProcessor::SetDateTime(DateTime aDateTime) {
  fScript.setDateTimeCalls.push_back(aDateTime);
  if (!Run("SetDateTime")) return false;
  fScript.clock = aDateTime;
  return true;
}

bool kScriptedProcessor::ReadVatTable() {
  if (!Run("ReadVatTable")) return false;
  fVatTable->Clear();
  for (const auto& vat : fScript.vats) fVatTable->Add(std::make_unique<kVat>(*vat));
  return true;
}

bool kScriptedProcessor::ReadEATable() {
  if (!Run("ReadEATable")) return false;
  fEATable->Clear();
  for (const auto& activity : fScript.activities) fEATable->Add(std::make_unique<kEconomicActivity>(*activity));
  return true;
}

bool kScriptedProcessor::ReadDeptTable() {
  if (!Run("ReadDeptTable")) return false;
  fDeptTable->Clear();
  for (const auto& department : fScript.departments) fDeptTable->Add(std::make_unique<kDepartment>(*department));
  return true;
}

bool kScriptedProcessor::Open(kFiscalProcessorHandler& aHandler) {
  kFiscalProcessor::Open(aHandler);
  return Run("Open");
}

bool kScriptedProcessor::ProcessReceipt(kFiscalProcessorHandler&) {
  if (!Run("ProcessReceipt")) return false;
  fXmlOutput = fScript.xmlOutput;
  return true;
}

bool kScriptedProcessor::ProcessReprintReceipt(kFiscalProcessorHandler&) {
  if (!Run("ProcessReprintReceipt")) return false;
  fXmlOutput = fScript.xmlOutput;
  return true;
}

bool kScriptedProcessor::ProcessZReport(kFiscalProcessorHandler&) {
  if (!Run("ProcessZReport")) return false;
  fCounters = fScript.counters;
  return true;
}

bool kScriptedProcessor::ProcessXReport(kFiscalProcessorHandler&) {
  if (!Run("ProcessXReport")) return false;
  fCounters = fScript.counters;
  return true;
}

bool kScriptedProcessor::ProcessGetStatus(kFiscalProcessorHandler&) {
  if (!Run("ProcessGetStatus")) return false;
  fStatus = fScript.status;
  return true;
}

void RegisterScriptedDriver(const std::string& aDriverName, ProcessorScript& aScript) {
  RegisterFiscalProcessorClass(aDriverName, [&aScript](const kFiscalProcessorHandler& aHandler) {
    return std::unique_ptr<kFiscalProcessor>(new kScriptedProcessor(aHandler, aScript));
  });
}

}  // namespace dodu::testing

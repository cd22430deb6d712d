#include "pt/fiscal_processor_counters.h"

#include <cerrno>
#include <cstring>
#include <sstream>

#include <pugixml.hpp>

#include "base/conversions.h"
#include "base/error.h"
#include "platform/files.h"
#include "receipt/receipt_util.h"

namespace dodu {

namespace {

constexpr const char* kRootName = "FPRCounters";

// Runs a change of the counters as one unit: when it raises, the counters in memory are put back
// as they were, so they never disagree with a file that was not written.
template <typename Change>
void AllOrNothing(kFiscalProcessorCounters& aCounters, Change aChange) {
  kFiscalProcessorCounters before = aCounters;
  try {
    aChange();
  } catch (...) {
    aCounters = before;
    throw;
  }
}

}  // namespace

void kFiscalProcessorCounters::Init(const std::string& aFileName, const std::string& aTillSerial) {
  fFileName = aFileName;
  fTillSerial = aTillSerial;
  if (FileExists(fFileName)) {
    Refresh();
    return;
  }
  fCreatedAt = Now();
  fLastUpdatedAt = fCreatedAt;
  fCurrentReceiptNo = 0;
  fCurrentZReportNo = 1;
  fDailyTotal = fDailySales = fDailyRefunds = fDailyVoids = fDailyDiscounts = Amount();
  fGrandTotalTotal = fGrandTotalSales = fGrandTotalRefunds = fGrandTotalVoids = fGrandTotalDiscounts = Amount();
  fTrainingMode = false;
  fLastHash.clear();
  Save();
}

void kFiscalProcessorCounters::Refresh() {
  if (!FileExists(fFileName)) return;
  std::string content = ReadFileText(fFileName);
  pugi::xml_document document;
  pugi::xml_parse_result parsed = document.load_buffer(content.data(), content.size());
  if (!parsed)
    throw Error("Counters file " + fFileName + " cannot be read: " + parsed.description() + " at offset " +
                std::to_string(parsed.offset));
  pugi::xml_node root = document.document_element();
  if (std::strcmp(root.name(), kRootName) != 0)
    throw Error("Counters file " + fFileName + " cannot be read: its root element is not " + kRootName);

  // Totals of two tills must never mix.
  std::string storedSerial = krptUtil::GetNodeValueAsString(root, "TillSerial");
  if (storedSerial != fTillSerial)
    throw Error("Till Serial " + fTillSerial + " is different from stored value: " + storedSerial);

  // Read everything before changing anything, so a bad value leaves the counters as they were.
  DateTime createdAt = krptUtil::GetNodeValueAsDateTime(root, "CreatedAt");
  DateTime lastUpdatedAt = krptUtil::GetNodeValueAsDateTime(root, "LastUpdatedAt");
  int32_t currentReceiptNo = krptUtil::GetNodeValueAsInteger(root, "CurrentReceiptNo");
  int32_t currentZReportNo = krptUtil::GetNodeValueAsInteger(root, "CurrentZReportNo");
  Amount dailyTotal = krptUtil::GetNodeValueAsCurrency(root, "DailyTotal");
  Amount dailySales = krptUtil::GetNodeValueAsCurrency(root, "DailySales");
  Amount dailyRefunds = krptUtil::GetNodeValueAsCurrency(root, "DailyRefunds");
  Amount dailyVoids = krptUtil::GetNodeValueAsCurrency(root, "DailyVoids");
  Amount dailyDiscounts = krptUtil::GetNodeValueAsCurrency(root, "DailyDiscounts");
  Amount grandTotalTotal = krptUtil::GetNodeValueAsCurrency(root, "GrandTotalTotal");
  Amount grandTotalSales = krptUtil::GetNodeValueAsCurrency(root, "GrandTotalSales");
  Amount grandTotalRefunds = krptUtil::GetNodeValueAsCurrency(root, "GrandTotalRefunds");
  Amount grandTotalVoids = krptUtil::GetNodeValueAsCurrency(root, "GrandTotalVoids");
  Amount grandTotalDiscounts = krptUtil::GetNodeValueAsCurrency(root, "GrandTotalDiscounts");
  bool trainingMode = krptUtil::GetNodeValueAsBoolean(root, "TrainingMode", false);

  fCreatedAt = createdAt;
  fLastUpdatedAt = lastUpdatedAt;
  fCurrentReceiptNo = currentReceiptNo;
  fCurrentZReportNo = currentZReportNo;
  fDailyTotal = dailyTotal;
  fDailySales = dailySales;
  fDailyRefunds = dailyRefunds;
  fDailyVoids = dailyVoids;
  fDailyDiscounts = dailyDiscounts;
  fGrandTotalTotal = grandTotalTotal;
  fGrandTotalSales = grandTotalSales;
  fGrandTotalRefunds = grandTotalRefunds;
  fGrandTotalVoids = grandTotalVoids;
  fGrandTotalDiscounts = grandTotalDiscounts;
  fTrainingMode = trainingMode;
}

void kFiscalProcessorCounters::Save() {
  pugi::xml_document document;
  document.load_string("<FPRCounters/>");
  pugi::xml_node root = document.document_element();
  krptUtil::AddNode(root, "TillSerial", fTillSerial);
  krptUtil::AddNode(root, "CreatedAt", DateTimeToXmlText(false, fCreatedAt));
  krptUtil::AddNode(root, "LastUpdatedAt", DateTimeToXmlText(false, Now()));
  krptUtil::AddNode(root, "CurrentReceiptNo", std::to_string(fCurrentReceiptNo));
  krptUtil::AddNode(root, "CurrentZReportNo", std::to_string(fCurrentZReportNo));
  krptUtil::AddNode(root, "DailyTotal", CurrencyToXmlText(fDailyTotal));
  krptUtil::AddNode(root, "DailySales", CurrencyToXmlText(fDailySales));
  krptUtil::AddNode(root, "DailyRefunds", CurrencyToXmlText(fDailyRefunds));
  krptUtil::AddNode(root, "DailyVoids", CurrencyToXmlText(fDailyVoids));
  krptUtil::AddNode(root, "DailyDiscounts", CurrencyToXmlText(fDailyDiscounts));
  krptUtil::AddNode(root, "GrandTotalTotal", CurrencyToXmlText(fGrandTotalTotal));
  krptUtil::AddNode(root, "GrandTotalSales", CurrencyToXmlText(fGrandTotalSales));
  krptUtil::AddNode(root, "GrandTotalRefunds", CurrencyToXmlText(fGrandTotalRefunds));
  krptUtil::AddNode(root, "GrandTotalVoids", CurrencyToXmlText(fGrandTotalVoids));
  krptUtil::AddNode(root, "GrandTotalDiscounts", CurrencyToXmlText(fGrandTotalDiscounts));
  krptUtil::AddNode(root, "TrainingMode", BoolToXmlText(fTrainingMode));
  krptUtil::AddNode(root, "LastHash", fLastHash);
  std::ostringstream text;
  document.save(text, "\t", pugi::format_default, pugi::encoding_utf8);
  // A crash or a full disk mid-write must not cost the till its totals.
  WriteFileAtomically(fFileName, text.str());
}

bool kFiscalProcessorCounters::Update(qvReceiptType aReceiptType, Amount aAmount, const std::string& /*aHash*/) {
  // The document's own signature is not kept: LastHash stays what the series load put there.
  if (!Lock()) return false;
  AllOrNothing(*this, [&] {
    Refresh();
    fCurrentReceiptNo += 1;
    switch (aReceiptType) {
      case rt_Sale:
        fDailySales += aAmount;
        fGrandTotalSales += aAmount;
        break;
      case rt_Refund:
        fDailyRefunds += aAmount;
        fGrandTotalRefunds += aAmount;
        break;
      case rt_Void:
        fDailyVoids += aAmount;
        fGrandTotalVoids += aAmount;
        break;
      case rt_InvoiceSale:
      case rt_InvoiceSaleFromReceipt:
        break;
    }
    fDailyTotal = fDailySales - fDailyRefunds - fDailyVoids;
    fGrandTotalTotal = fGrandTotalSales - fGrandTotalRefunds - fGrandTotalVoids;
    Save();
  });
  Unlock();
  return true;
}

bool kFiscalProcessorCounters::Z() {
  // The caller holds the lock over the whole report and releases it.
  if (!Lock()) return false;
  AllOrNothing(*this, [&] {
    Refresh();
    fCurrentZReportNo += 1;
    fCurrentReceiptNo = 0;
    fDailyTotal = fDailySales = fDailyRefunds = fDailyVoids = fDailyDiscounts = Amount();
    Save();
  });
  return true;
}

std::optional<std::string> kFiscalProcessorCounters::SnapshotFile() const {
  if (!FileExists(fFileName)) return std::nullopt;
  return ReadFileText(fFileName);
}

void kFiscalProcessorCounters::RestoreFile(const std::optional<std::string>& aSnapshot) const {
  if (aSnapshot) {
    WriteFileAtomically(fFileName, *aSnapshot);
  } else if (FileExists(fFileName) && !DeleteFile(fFileName)) {
    throw Error("Cannot delete file " + fFileName + ": " + std::strerror(errno));
  }
}

}  // namespace dodu

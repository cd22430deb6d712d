#include "pt/fiscal_processor_counters.h"

#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>

#include <pugixml.hpp>

#include "base/conversions.h"
#include "base/error.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "pt/document_series.h"
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

// A pending file's name carries the document it waits for, so that the file's content is exactly
// the counters file it becomes and putting it in place is one rename. The fields are written in
// hexadecimal: series codes may hold any character a file name allows.
constexpr const char* kPendingPrefix = "counters.pending.";
constexpr const char* kPendingSuffix = ".fprc";
constexpr char kFieldSeparator = '\x1f';
// Enough of a signature to tell two documents apart, short enough for any file system's names.
constexpr size_t kHashPrefixLength = 32;

// The longest pending name (the longest series code and number, and the longer of a signature
// prefix and a void's date-time), with the temporary name of its write, is one file name.
constexpr size_t kLongestNumber = 11;    // a signed 32-bit number
constexpr size_t kVoidDateLength = 19;   // yyyy-mm-ddThh:nn:ss
constexpr size_t kLongestFields = 1 + 1 + kMaxSeriesCodeBytes + 1 + kLongestNumber + 1 +
                                  (kHashPrefixLength > kVoidDateLength ? kHashPrefixLength : kVoidDateLength);
static_assert(std::char_traits<char>::length(kPendingPrefix) + 2 * kLongestFields +
                      std::char_traits<char>::length(kPendingSuffix) + kMaxTemporaryNameSuffixBytes <=
                  kMaxFileNameBytes,
              "a pending counters file of the longest series code must fit in a file name");

std::string ToHex(const std::string& text) {
  static const char* const kDigits = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : text) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

std::optional<std::string> FromHex(std::string_view hex) {
  if (hex.size() % 2 != 0) return std::nullopt;
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string text;
  for (size_t i = 0; i < hex.size(); i += 2) {
    int high = digit(hex[i]), low = digit(hex[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    text += static_cast<char>(high * 16 + low);
  }
  return text;
}

std::string PendingName(const CountedDocument& d) {
  std::string fields = std::string(d.isVoid ? "V" : "D") + kFieldSeparator + d.seriesCode + kFieldSeparator +
                       std::to_string(d.number) + kFieldSeparator +
                       (d.isVoid ? DateTimeToXmlText(false, d.voidedAt) : d.hash.substr(0, kHashPrefixLength));
  return kPendingPrefix + ToHex(fields) + kPendingSuffix;
}

// The document a pending file's name names; nothing for a name that is not one of ours.
std::optional<CountedDocument> DocumentOfPendingName(const std::string& name) {
  const std::string prefix = kPendingPrefix, suffix = kPendingSuffix;
  if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
    return std::nullopt;
  std::optional<std::string> fields =
      FromHex(std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - suffix.size()));
  if (!fields) return std::nullopt;
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t at; (at = fields->find(kFieldSeparator, start)) != std::string::npos; start = at + 1)
    parts.push_back(fields->substr(start, at - start));
  parts.push_back(fields->substr(start));
  if (parts.size() != 4 || (parts[0] != "D" && parts[0] != "V")) return std::nullopt;
  CountedDocument document;
  document.isVoid = parts[0] == "V";
  document.seriesCode = parts[1];
  if (!TryParseInt32(parts[2], document.number)) return std::nullopt;
  if (document.isVoid) {
    try {
      document.voidedAt = XmlTextToDateTime(parts[3]);
    } catch (const std::exception&) {
      return std::nullopt;
    }
  } else {
    document.hash = parts[3];
  }
  return document;
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
  std::string content = ReadPrivateFileText(fFileName);
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
  // A crash or a full disk mid-write must not cost the till its totals.
  WriteFileAtomically(fFileName, Text());
}

std::string kFiscalProcessorCounters::Text() const {
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
  return text.str();
}

bool kFiscalProcessorCounters::Update(qvReceiptType aReceiptType, Amount aAmount, const std::string& /*aHash*/) {
  // The document's own signature is not kept: LastHash stays what the series load put there.
  if (!Lock()) return false;
  AllOrNothing(*this, [&] {
    Refresh();
    Count(aReceiptType, aAmount);
    Save();
  });
  Unlock();
  return true;
}

void kFiscalProcessorCounters::Count(qvReceiptType aReceiptType, Amount aAmount) {
  // Sums are checked: a total past the amount type's range raises, and nothing has changed.
  AllOrNothing(*this, [&] {
    switch (aReceiptType) {
      case rt_Sale:
        fDailySales += aAmount;
        fGrandTotalSales += aAmount;
        break;
      case rt_Refund:
        fDailyRefunds += aAmount.Abs();
        fGrandTotalRefunds += aAmount.Abs();
        break;
      case rt_Void:
        fDailyVoids += aAmount;
        fGrandTotalVoids += aAmount;
        break;
      case rt_InvoiceSale:
      case rt_InvoiceSaleFromReceipt:
        break;
    }
    fCurrentReceiptNo += 1;
    RecomputeTotals();
  });
}

void kFiscalProcessorCounters::CountVoid(bool aCreditNote, Amount aGrossTotal) {
  const Amount gross = aGrossTotal.Abs();
  AllOrNothing(*this, [&] {
    if (aCreditNote) {
      fDailyRefunds -= gross;
      fGrandTotalRefunds -= gross;
    } else {
      fDailyVoids += gross;
      fGrandTotalVoids += gross;
    }
    RecomputeTotals();
  });
}

void kFiscalProcessorCounters::RecomputeTotals() {
  fDailyTotal = fDailySales - fDailyRefunds - fDailyVoids;
  fGrandTotalTotal = fGrandTotalSales - fGrandTotalRefunds - fGrandTotalVoids;
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

std::string kFiscalProcessorCounters::WritePending(const CountedDocument& aDocument) {
  const std::string pending = JoinPath(DirectoryOf(fFileName), PendingName(aDocument));
  WriteFileAtomically(pending, Text());
  return pending;
}

std::vector<PendingCounters> kFiscalProcessorCounters::FindPending() const {
  std::vector<PendingCounters> found;
  const std::string directory = DirectoryOf(fFileName);
  std::error_code error;
  std::filesystem::directory_iterator entries(directory.empty() ? std::string(".") : directory, error);
  if (error) return found;  // no till directory yet: nothing can be pending
  for (const auto& entry : entries) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(kPendingPrefix) || !entry.is_regular_file(error)) continue;
    if (std::optional<CountedDocument> document = DocumentOfPendingName(name))
      found.push_back({entry.path().string(), *document});
  }
  return found;
}

void kFiscalProcessorCounters::PutInPlace(const std::string& aPendingFile) {
  // Not synced: if the rename is lost, the pending file is still there and is settled again.
  if (!RenameFile(aPendingFile, fFileName))
    throw Error("Cannot put " + aPendingFile + " in place of " + fFileName + ": " + LastSystemError());
  Refresh();
}

void kFiscalProcessorCounters::Drop(const std::string& aPendingFile) {
  if (!DeleteFile(aPendingFile) && FileExists(aPendingFile))
    throw Error("Cannot delete file " + aPendingFile + ": " + LastSystemError());
  Refresh();
}

}  // namespace dodu

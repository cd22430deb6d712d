#include "fiscal_host/chain_verify.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

#include <pugixml.hpp>

#include "base/amount.h"
#include "base/ascii_text.h"
#include "fiscal_host/command_line.h"
#include "fiscal_host/counters_verify.h"
#include "fiscal_host/embedded_texts.h"
#include "fiscal_host/envelope.h"
#include "fiscal_host/public_key.h"
#include "fiscal_host/sqlite_file.h"
#include "fiscal_host/store_database.h"
#include "fiscal_host/utf8_path.h"

namespace dodu::host {

namespace fs = std::filesystem;

namespace {

std::string ReadText(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}


std::string SevenDigits(int64_t number) {
  std::string digits = std::to_string(number);
  return digits.size() >= 7 ? digits : std::string(7 - digits.size(), '0') + digits;
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
    fields.push_back(text.substr(start, at - start));
  fields.push_back(text.substr(start));
  return fields;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The invoice date of a stored document: the date of its receipt's BusinessDate, or of its
// DateTime when it has none (the receipt reader's rule).
std::optional<std::string> InvoiceDate(const std::string& receipt_xml) {
  pugi::xml_document document;
  if (!document.load_string(receipt_xml.c_str())) return std::nullopt;
  pugi::xml_node receipt = FindDocumentElement(document, "Receipt");
  if (!receipt) return std::nullopt;
  std::string date = receipt.child("BusinessDate") ? receipt.child("BusinessDate").text().get()
                                                   : receipt.child("DateTime").text().get();
  return date.substr(0, 10);
}

struct SeriesRow {
  std::string code, validationCode, lastHash;
  int64_t lastNumber = 0;
};

class SeriesCheck {
 public:
  SeriesCheck(SeriesRow series, const PublicKey& key) : fSeries(std::move(series)), fKey(key) {}

  void Documents(const std::vector<StoreDatabase::Row>& rows);
  // A server store's series may be another machine's: without a check file here it is not broken.
  void CheckFile(const fs::path& file, bool shared_store);
  bool CheckFileFound() const { return fCheckFileFound; }

  const std::vector<std::string>& Breaks() const { return fBreaks; }
  int64_t DocumentCount() const { return fCount; }
  int64_t VoidedCount() const { return fVoided; }
  int64_t LastNumber() const { return fLastNumber; }

 private:
  void Document(const StoreDatabase::Row& row);
  void Break(int64_t number, const std::string& what) {
    fBreaks.push_back(fSeries.code + " number " + std::to_string(number) + ": " + what);
  }
  void SeriesBreak(const std::string& what) { fBreaks.push_back(fSeries.code + ": " + what); }

  SeriesRow fSeries;
  const PublicKey& fKey;
  std::vector<std::string> fBreaks;
  int64_t fCount = 0, fVoided = 0;
  int64_t fLastNumber = 0;
  std::string fLastHash;
  bool fCheckFileFound = false;
};

void SeriesCheck::Documents(const std::vector<StoreDatabase::Row>& rows) {
  for (const StoreDatabase::Row& row : rows) Document(row);
  if (fSeries.lastNumber != fLastNumber) {
    SeriesBreak("the Series row says the last number is " + std::to_string(fSeries.lastNumber) +
                ", the last stored document is number " + std::to_string(fLastNumber));
  }
  if (fSeries.lastHash != fLastHash) {
    SeriesBreak(fLastNumber == 0 ? "the Series row holds a last signature although no document is stored"
                                 : "the Series row's last signature is not the Hash of number " +
                                       std::to_string(fLastNumber));
  }
}

void SeriesCheck::Document(const StoreDatabase::Row& row) {
  ++fCount;
  const std::string number_text = row.at("Number");
  int64_t number = 0;
  try {
    number = std::stoll(number_text);
  } catch (const std::exception&) {
    SeriesBreak("a document has the number '" + number_text + "'");
    return;
  }
  if (row.at("Status") == "A") ++fVoided;
  if (number == fLastNumber) {
    Break(number, "stored twice");
  } else if (number != fLastNumber + 1) {
    Break(number, number - fLastNumber == 2
                      ? "number " + std::to_string(fLastNumber + 1) + " is missing before it"
                      : "numbers " + std::to_string(fLastNumber + 1) + " to " + std::to_string(number - 1) +
                            " are missing before it");
  }

  const std::string& hash = row.at("Hash");
  const std::string& hashed = row.at("HashedString");
  const std::string& previous = row.at("PreviousHash");
  if (!fKey.Verifies(hashed, hash)) Break(number, "its Hash is no valid signature of its HashedString");
  if (previous != fLastHash) {
    Break(number, fLastNumber == 0 ? "its PreviousHash should be empty: it is the first document of the series"
                                   : "its PreviousHash is not the Hash of number " + std::to_string(fLastNumber));
  }

  const std::vector<std::string> fields = Split(hashed, ';');
  if (fields.size() != 5) {
    Break(number, "its HashedString has " + std::to_string(fields.size()) + " fields instead of 5");
  } else {
    const std::optional<std::string> date = InvoiceDate(row.at("Receipt"));
    if (!date) Break(number, "its stored receipt XML cannot be read");
    else if (fields[0] != *date)
      Break(number, "the signed date " + fields[0] + " differs from its invoice date " + *date);
    const std::string entry = XmlDateTimeText(row.at("SystemEntryDateTime")).substr(0, 19);
    if (fields[1] != entry)
      Break(number, "the signed entry time " + fields[1] + " differs from its SystemEntryDateTime " + entry);
    if (fields[2] != row.at("ReceiptNumber"))
      Break(number, "the signed invoice number " + fields[2] + " differs from its ReceiptNumber " +
                        row.at("ReceiptNumber"));
    Amount total;
    if (!Amount::TryParse(row.at("Totalamount"), total)) {
      Break(number, "its Totalamount '" + row.at("Totalamount") + "' is no amount");
    } else if (fields[3] != total.ToFixed(2)) {
      Break(number, "its Totalamount " + total.ToFixed(2) + " differs from the signed total " + fields[3]);
    }
    if (fields[4] != previous) Break(number, "the signed previous signature differs from its PreviousHash");
  }
  if (!EndsWith(row.at("ReceiptNumber"), " " + fSeries.code + "/" + SevenDigits(number)))
    Break(number, "its invoice number " + row.at("ReceiptNumber") + " does not name this series and number");
  if (row.at("FiscalId") != fSeries.validationCode + "-" + SevenDigits(number))
    Break(number, "its ATCUD " + row.at("FiscalId") + " is not the series' validation code and this number");

  fLastNumber = number;
  fLastHash = hash;
}

void SeriesCheck::CheckFile(const fs::path& file, bool shared_store) {
  if (!fs::exists(file)) {
    if (fLastNumber > 0 && !shared_store) SeriesBreak("its check file " + file.string() + " is missing");
    return;
  }
  fCheckFileFound = true;
  const std::optional<std::string> text = fKey.Recover(Trimmed(ReadText(file)));
  if (!text) SeriesBreak("its check file " + file.string() + " does not open with the public key");
  else if (*text != std::to_string(fLastNumber))
    SeriesBreak("its check file says " + *text + ", the last stored document is number " +
                std::to_string(fLastNumber));
}

}  // namespace

int RunVerify(const WorkDirectory& directory, const std::string& public_key_file, std::ostream& out) {
  const PublicKey key(public_key_file.empty() ? std::string(EmbeddedPublicKeyPem()) : ReadText(PathFromUtf8(public_key_file)));
  const std::unique_ptr<StoreDatabase> opened = OpenStore(directory);
  StoreDatabase& store = *opened;

  std::vector<std::string> breaks;
  for (const StoreDatabase::Row& orphan :
       store.Query("select Serie, count(*) as Documents from Receipts where Serie not in "
                   "(select Serie_Code from Series) group by Serie order by Serie")) {
    breaks.push_back(orphan.at("Serie") + ": " + orphan.at("Documents") + " stored documents, but no Series row");
    out << orphan.at("Serie") << "  BROKEN: documents without a Series row\n";
  }

  int64_t documents = 0;
  const auto series_rows = store.Query(
      "select Serie_Code, Serie_LastNumber, Serie_LastHash, Serie_Validation_Code from Series order by Serie_Code");
  for (const StoreDatabase::Row& series_row : series_rows) {
    SeriesRow series;
    series.code = series_row.at("Serie_Code");
    series.validationCode = series_row.at("Serie_Validation_Code");
    series.lastHash = series_row.at("Serie_LastHash");
    // An unreadable last number can match no document: it shows as a break of the Series row.
    const std::string last_number = series_row.at("Serie_LastNumber");
    try {
      series.lastNumber = std::stoll(last_number.empty() ? "0" : last_number);
    } catch (const std::exception&) {
      series.lastNumber = -1;
    }
    SeriesCheck check(series, key);
    check.Documents(store.Query(
        "select Number, ReceiptNumber, Totalamount, SystemEntryDateTime, Status, PreviousHash, Hash, HashedString, "
        "FiscalId, Receipt from Receipts where Serie=" +
        SqlText(series.code) + " order by Number"));
    check.CheckFile(directory.CheckFile(series.code), store.Shared());
    documents += check.DocumentCount();

    out << series.code << "  ";
    if (check.DocumentCount() == 0) out << "no documents";
    else out << check.DocumentCount() << " document(s)";
    if (check.VoidedCount() > 0) out << " (" << check.VoidedCount() << " voided)";
    if (check.Breaks().empty()) {
      if (check.LastNumber() > 0) {
        out << ", numbers 1-" << check.LastNumber() << ", chain intact";
        if (check.CheckFileFound()) out << ", check file says " << check.LastNumber();
        else out << ", no check file on this machine";
      }
      out << "\n";
    } else {
      out << "  BROKEN:\n";
      for (const std::string& problem : check.Breaks()) out << "  " << problem << "\n";
      breaks.insert(breaks.end(), check.Breaks().begin(), check.Breaks().end());
    }
  }

  const std::vector<std::string> till_breaks = CheckTillCounters(directory, store, out);
  breaks.insert(breaks.end(), till_breaks.begin(), till_breaks.end());

  if (breaks.empty()) {
    out << "verify: " << series_rows.size() << " series, " << documents
        << " document(s): every signature, chain link, number, check file and counters file is intact\n";
    return kExitSuccess;
  }
  out << "verify: " << breaks.size() << " break(s) in " << series_rows.size() << " series, " << documents
      << " document(s); first: " << breaks.front() << "\n";
  return kExitFailure;
}

}  // namespace dodu::host

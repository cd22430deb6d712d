#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "support/driver_library.h"
#include "support/receipt_requests.h"
#include "support/store_fixture.h"

namespace dodu::testing {

using Row = std::map<std::string, std::string>;

// The validation codes of the two series a till of store S01 numbers in during 2024.
inline constexpr const char* kInvoiceSeries = "FR2024S01";
inline constexpr const char* kInvoiceValidation = "AAJFJ2K6";
inline constexpr const char* kCreditNoteSeries = "NC2024S01";
inline constexpr const char* kCreditNoteValidation = "BBKGK3L7";

// A till on an embedded store: company PT500100200 and branch S01 with the series FR2024S01 and
// NC2024S01 registered (unless told otherwise), the loaded library and an opened processor.
class ReceiptTill {
 public:
  explicit ReceiptTill(const std::string& till_serial = "T01", bool register_series = true);

  StoreFixture& Store() { return fStore; }
  DriverLibrary& Driver() { return fDriver; }
  int32_t Handle() const { return fHandle; }

  ExportResult Process(const ReceiptRequest& request) { return Process(request.Xml()); }
  ExportResult Process(const std::string& receipt_xml);

  std::filesystem::path CountersFile() const;
  std::string CountersText() const;
  // The text of one element of the counters file.
  std::string Counter(const std::string& element) const;
  // The decrypted number text of a series' check file; nothing when there is no file.
  std::optional<std::string> CheckText(const std::string& series_code) const;
  // The processors' log once it holds `needle` (or as it stands after a few seconds).
  std::string Log(const std::string& needle) const;

  // Receipts rows in the order of series and number.
  std::vector<Row> Receipts() const;
  // The document of that series and number (an empty row, and a test failure, when missing).
  Row Receipt(const std::string& series_code, int number) const;
  Row Series(const std::string& code) const;

 private:
  StoreFixture fStore;
  DriverLibrary fDriver;
  std::string fTillSerial;
  int32_t fHandle = 0;
};

// What a refused or failed document must leave as it was: the Receipts and Series tables, the
// counters file and the invoice series' check file (its bytes).
struct TillSnapshot {
  std::vector<Row> receipts, series;
  std::string counters;
  std::optional<std::string> invoiceCheckFile;

  explicit TillSnapshot(ReceiptTill& till);
  bool operator==(const TillSnapshot&) const = default;
};

// The answer of PROCESSRECEIPT parsed; Receipt() is the edited receipt element.
class Answer {
 public:
  explicit Answer(const std::string& xml);
  pugi::xml_node Receipt() const { return fReceipt; }
  std::string Value(const char* name) const { return fReceipt.child_value(name); }
  // The trailer messages, "Text:<value>" or "Barcode:<value>" each.
  std::vector<std::string> Trailer() const;
  std::string QRCode() const;

 private:
  std::unique_ptr<pugi::xml_document> fDocument;
  pugi::xml_node fReceipt;
};

// The characters 1, 11, 21 and 31 of a signature.
std::string ShortHashOf(const std::string& signature);

// Every row of every series verifies with the public key and chains to the row before it in its
// series (the first to an empty signature); records test failures otherwise.
void ExpectVerifiedChains(const std::vector<Row>& rows, const std::filesystem::path& scratch);

}  // namespace dodu::testing

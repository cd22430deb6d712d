#include "support/receipt_till.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "pt/crypto_service.h"
#include "support/file_wait.h"
#include "support/signature_verification.h"

namespace dodu::testing {

namespace fs = std::filesystem;

ReceiptTill::ReceiptTill(const std::string& till_serial, bool register_series) : fTillSerial(till_serial) {
  fStore.AddCompanyAndBranch();
  if (register_series) {
    fStore.AddSeries(kInvoiceSeries, kInvoiceValidation);
    fStore.AddSeries(kCreditNoteSeries, kCreditNoteValidation);
  }
  ExportResult open = fDriver.Open(Envelope(0, till_serial));
  EXPECT_EQ(open.code, 0) << open.error;
  fHandle = open.handle;
}

ExportResult ReceiptTill::Process(const std::string& receipt_xml) {
  return fDriver.ProcessReceipt(Envelope(fHandle, fTillSerial, receipt_xml));
}

fs::path ReceiptTill::CountersFile() const { return fStore.DataDir() / fTillSerial / "counters.actual.fprc"; }

std::string ReceiptTill::CountersText() const { return ReadWholeFile(CountersFile()); }

std::string ReceiptTill::Counter(const std::string& element) const {
  pugi::xml_document counters;
  EXPECT_TRUE(counters.load_file(CountersFile().c_str())) << CountersFile();
  return counters.child("FPRCounters").child_value(element.c_str());
}

std::optional<std::string> ReceiptTill::CheckText(const std::string& series_code) const {
  std::string text;
  if (!ReadCheckFile(fStore.CheckFile(series_code).string(), text)) return std::nullopt;
  return text;
}

std::string ReceiptTill::Log(const std::string& needle) const {
  // Envelope() gives every request the log id 1. The file appears when the writer's thread gets
  // to its first line.
  const fs::path directory = fStore.HostDir() / "LogFiles" / "FiscalPrinter";
  fs::path log = FindFile(directory, "DODU_PT_10_1_");
  for (int wait = 0; log.empty() && wait < 250; ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    log = FindFile(directory, "DODU_PT_10_1_");
  }
  EXPECT_FALSE(log.empty()) << "no processor log";
  return log.empty() ? std::string() : WaitForFileContaining(log, needle);
}

std::vector<Row> ReceiptTill::Receipts() const {
  return fStore.Query("select * from Receipts order by Serie, Number");
}

Row ReceiptTill::Receipt(const std::string& series_code, int number) const {
  auto rows = fStore.Query("select * from Receipts where Serie='" + series_code +
                           "' and Number=" + std::to_string(number));
  EXPECT_EQ(rows.size(), 1u) << series_code << " " << number;
  return rows.empty() ? Row() : rows.front();
}

Row ReceiptTill::Series(const std::string& code) const {
  auto rows = fStore.Query("select * from Series where Serie_Code='" + code + "'");
  EXPECT_EQ(rows.size(), 1u) << code;
  return rows.empty() ? Row() : rows.front();
}

TillSnapshot::TillSnapshot(ReceiptTill& till)
    : receipts(till.Receipts()),
      series(till.Store().Query("select * from Series order by Serie_Code")),
      counters(till.CountersText()) {
  const fs::path check_file = till.Store().CheckFile(kInvoiceSeries);
  if (fs::exists(check_file)) invoiceCheckFile = ReadWholeFile(check_file);
}

Answer::Answer(const std::string& xml) : fDocument(std::make_unique<pugi::xml_document>()) {
  pugi::xml_parse_result parsed = fDocument->load_string(xml.c_str());
  EXPECT_TRUE(parsed) << parsed.description() << "\n" << xml;
  fReceipt = fDocument->document_element().child("Receipt");
  EXPECT_TRUE(fReceipt) << xml;
}

std::vector<std::string> Answer::Trailer() const {
  std::vector<std::string> items;
  for (pugi::xml_node item : fReceipt.child("TrailerMessages").children())
    items.push_back(std::string(item.name()) + ":" + item.child_value("Value"));
  return items;
}

std::string Answer::QRCode() const {
  return fReceipt.child("TrailerMessages").child("Barcode").child_value("Value");
}

std::string ShortHashOf(const std::string& signature) {
  if (signature.size() < 31) return "signature too short: " + signature;
  return {signature[0], signature[10], signature[20], signature[30]};
}

void ExpectVerifiedChains(const std::vector<Row>& rows, const fs::path& scratch) {
  std::map<std::string, std::string> last_hash;  // by series
  for (const Row& row : rows) {
    const std::string& series = row.at("Serie");
    EXPECT_EQ(row.at("PreviousHash"), last_hash[series]) << series << " " << row.at("Number");
    last_hash[series] = row.at("Hash");
    std::string output;
    EXPECT_TRUE(OpenSslVerifies(row.at("HashedString"), row.at("Hash"), scratch, output))
        << series << " " << row.at("Number") << ": " << output;
  }
}

}  // namespace dodu::testing

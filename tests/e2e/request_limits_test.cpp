// Requests refused before anything is read from them, and requests whose odd envelope must not
// change what the till does: the till serial, the connection settings, size and nesting depth.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "driver/fiscal_processor_handler.h"
#include "support/driver_library.h"
#include "support/receipt_till.h"
#include "support/store_fixture.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> EntriesOf(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(directory)) names.push_back(entry.path().string());
  return names;
}

std::string Nested(int levels, const std::string& inner = "") {
  std::string text;
  for (int i = 0; i < levels; ++i) text += "<Deep>";
  text += inner;
  for (int i = 0; i < levels; ++i) text += "</Deep>";
  return text;
}

TEST(RequestLimits, OpenWithoutTillSerialIsRefusedAndCreatesNothing) {
  struct Case {
    const char* what;
    std::string request;
  };
  const Case cases[] = {
      {"missing",
       "<ReceiptPrinterManager><Driver>DODU_PT_10</Driver><Handle>0</Handle><Parameters><Processor>DODU_PT_10"
       "</Processor></Parameters></ReceiptPrinterManager>"},
      {"empty", Envelope(0, "")},
      {"blank", Envelope(0, "  \t ")},
  };
  StoreFixture store;
  DriverLibrary driver;
  for (const Case& c : cases) {
    ExportResult open = driver.Open(c.request);
    EXPECT_EQ(open.code, -1) << c.what;
    EXPECT_EQ(open.error, "Invalid till serial") << c.what;
    EXPECT_EQ(open.handle, 0) << c.what;
    // No counters file and no till folders in the root of the fiscal data directory.
    EXPECT_EQ(EntriesOf(store.DataDir()), std::vector<std::string>{}) << c.what;
  }
  ExportResult good = driver.Open(Envelope(0, "T01"));
  EXPECT_EQ(good.code, 0) << good.error;
  EXPECT_TRUE(fs::exists(store.DataDir() / "T01" / "counters.actual.fprc"));
}

TEST(RequestLimits, EveryConnectionOfTheRequestGivesWayToTheForcedOne) {
  ReceiptTill till;
  const std::string connections[] = {
      "<Connection><Type>TCP</Type></Connection><Connection><Type>usb</Type></Connection>",
      "<Connection><Type>TCP</Type></Connection><Connection><Type>SERIAL</Type><SerialPort>1</SerialPort>"
      "</Connection>",
      "<Connection><Type>usb</Type></Connection><Connection><Type>usb</Type></Connection>"
      "<Connection><Type>usb</Type></Connection>",
  };
  int number = 0;
  for (const std::string& connection : connections) {
    ExportResult open = till.Driver().Open(Envelope(0, "T01", connection));
    EXPECT_EQ(open.code, 0) << open.error << "\n" << connection;
    ExportResult sale = till.Driver().ProcessReceipt(Envelope(till.Handle(), "T01", connection + ReceiptRequest().Xml()));
    ASSERT_EQ(sale.code, 0) << sale.error << "\n" << connection;
    EXPECT_EQ(Answer(sale.output).Value("Number"), std::to_string(++number));
  }
}

TEST(RequestLimits, OversizedOrTooDeepRequestsAreRefusedBeforeAnythingHappens) {
  ReceiptTill till;
  ASSERT_EQ(till.Process(ReceiptRequest()).code, 0);
  const TillSnapshot before(till);

  const std::string too_long = "Invalid request: the request text is longer than 1048576 bytes";
  const std::string too_deep = "Invalid request: elements are nested deeper than 64 levels";
  const std::string padding(kMaxRequestBytes, ' ');
  // The envelope's root, Receipt and Note are the first three levels: one level too many.
  const std::string deep_receipt = ReceiptRequest().With("Note", Nested(kMaxRequestDepth - 2)).Xml();
  struct Case {
    const char* what;
    std::string request;
    std::string error;
  };
  const Case cases[] = {
      {"long", Envelope(till.Handle(), "T01", ReceiptRequest().Xml() + padding), too_long},
      {"deep", Envelope(till.Handle(), "T01", deep_receipt), too_deep},
      {"deep outside the receipt", Envelope(till.Handle(), "T01", Nested(kMaxRequestDepth) + ReceiptRequest().Xml()),
       too_deep},
  };
  using Call = ExportResult (DriverLibrary::*)(const std::string&);
  const std::pair<const char*, Call> exports[] = {
      {"OPEN", &DriverLibrary::Open},
      {"PROCESSRECEIPT", &DriverLibrary::ProcessReceipt},
      {"PROCESSREPRINTRECEIPT", &DriverLibrary::ProcessReprintReceipt},
      {"PROCESSZREPORT", &DriverLibrary::ProcessZReport},
      {"PROCESSXREPORT", &DriverLibrary::ProcessXReport},
      {"PROCESSGETSTATUS", &DriverLibrary::ProcessGetStatus},
  };
  for (const Case& c : cases) {
    for (const auto& [name, call] : exports) {
      ExportResult result = (till.Driver().*call)(c.request);
      EXPECT_EQ(result.code, -1) << c.what << " " << name;
      EXPECT_EQ(result.error, c.error) << c.what << " " << name;
    }
  }
  // Nothing numbered, stored or counted; no Z report was made.
  EXPECT_TRUE(TillSnapshot(till) == before);
  EXPECT_EQ(till.Counter("CurrentZReportNo"), "1");
}

TEST(RequestLimits, AnswerAndStoredRowStayWithinAConstantFactorOfTheRequest) {
  // Serialising indents each element by its depth; within the depth limit no element gains more
  // than its indentation, so the answer grows by a bounded factor however the request nests.
  constexpr size_t kFactor = 40;
  ReceiptTill till;
  struct Case {
    const char* what;
    std::string note;
  };
  std::string small_elements;
  for (int i = 0; i < 5000; ++i) small_elements += "<y/>";
  const Case cases[] = {
      // The envelope's root, Receipt and Note are the first three levels.
      {"deepest chain", Nested(kMaxRequestDepth - 3)},
      {"many small elements at the deepest level", Nested(kMaxRequestDepth - 4, small_elements)},
  };
  int number = 0;
  for (const Case& c : cases) {
    ReceiptRequest request;
    request.dateTime = "2024-02-09T10:00:0" + std::to_string(number);
    const std::string text = Envelope(till.Handle(), "T01", request.With("Note", c.note).Xml());
    ExportResult sale = till.Driver().ProcessReceipt(text);
    ASSERT_EQ(sale.code, 0) << c.what << ": " << sale.error;
    ++number;
    EXPECT_LE(sale.output.size(), kFactor * text.size()) << c.what;
    const std::string stored = till.Receipt(kInvoiceSeries, number)["Receipt"];
    EXPECT_FALSE(stored.empty()) << c.what;
    EXPECT_LE(stored.size(), kFactor * text.size()) << c.what;
  }
}

}  // namespace
}  // namespace dodu::testing

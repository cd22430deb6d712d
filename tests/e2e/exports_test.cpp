// The six exports as a till calls them, through the loaded library, for requests that no
// processor can serve: unregistered drivers, handles never issued, broken and empty requests.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <optional>
#include <pugixml.hpp>

#include "platform/process.h"
#include "support/driver_library.h"
#include "support/environment.h"
#include "support/unavailable_here.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

const char* const kReceipt = "<Receipt><Type>Sale</Type><Lines/><Taxes/><Payments/></Receipt>";
const char* const kReference =
    "<ReceiptReference><ReceiptType>Sale</ReceiptType><ReceiptNumber>FR 2024/1</ReceiptNumber></ReceiptReference>";

// A host directory and fiscal data directory of its own, so the library writes nowhere else.
class ExportsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("dodu_exports_" + std::to_string(CurrentProcessId()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "host");
    fs::create_directories(root_ / "fpr");
    Set("QV_HOST_DIR", (root_ / "host").string());
    Set("QV_FPR_DB", (root_ / "fpr").string());
    driver_.emplace();
  }
  void TearDown() override {
    driver_.reset();
    for (const auto& [name, value] : saved_) {
      if (value) SetEnvironment(name, *value);
      else UnsetEnvironment(name);
    }
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  void Set(const std::string& name, const std::string& value) {
    saved_.emplace_back(name, EnvironmentValue(name));
    SetEnvironment(name, value);
  }

  // No processor log was written: nothing was resolved that could have logged.
  bool ProcessorLogsWritten() const {
    const fs::path logs = root_ / "host" / "LogFiles" / "FiscalPrinter";
    return fs::exists(logs) && !fs::is_empty(logs);
  }

  DriverLibrary& Driver() { return *driver_; }

  fs::path root_;
  std::optional<DriverLibrary> driver_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

using Children = std::vector<std::pair<std::string, std::string>>;

// The root's name and its children in order, from a result XML.
std::pair<std::string, Children> Parse(const std::string& xml) {
  pugi::xml_document document;
  pugi::xml_parse_result parsed = document.load_string(xml.c_str());
  EXPECT_TRUE(parsed) << parsed.description() << "\n" << xml;
  Children children;
  pugi::xml_node root = document.document_element();
  for (pugi::xml_node child : root.children()) children.emplace_back(child.name(), child.text().get());
  return {root.name(), children};
}

const Children kEmptyStatus = {{"DayOpened", "False"},  {"DateTime", "1899-12-30T00:00:00"},
                               {"TrainingMode", "False"}, {"FirmwareVersion", ""},
                               {"SerialNumber", ""},     {"FiscalMode", ""}};

const Children kZeroReport = {
    {"GrandTotalAmount", "0"}, {"GrandTotalRefundsAmount", "0"},         {"GrandTotalVoidsAmount", "0"},
    {"DayTotalAmount", "0"},   {"DayDiscountsAmount", "0"},              {"DayRefundsAmount", "0"},
    {"DayVoidsAmount", "0"},   {"DayReceiptsNumber", "0"},               {"DayRefundsNumber", "0"},
    {"ReportNumber", "0"},     {"ReportDateTime", "1899-12-30T00:00:00"}, {"Text", ""}};

TEST_F(ExportsTest, OpenOfADriverThatIsNotRegistered) {
  // Names are matched exactly: a difference in letter case or a space is another driver.
  for (const std::string name : {"NOPE", "dodu_pt_10", "Dodu_Pt_10", "DODU_PT_10 ", "Caf\u00e9 \u20ac \U0001F600"}) {
    ExportResult open = Driver().Open(Envelope(0, "T01", "", name));
    EXPECT_EQ(open.code, -1) << name;
    EXPECT_EQ(open.handle, 0) << name;
    EXPECT_EQ(open.error, "Fiscal Processor Driver [" + name + "] not registered.");
  }
  // The driver is the Parameters/Processor text, whatever the Driver element says.
  ExportResult open = Driver().Open(
      "<ReceiptPrinterManager><Driver>DODU_PT_10</Driver><Parameters><Processor>Other</Processor>"
      "<PROCESSOR>DODU_PT_10</PROCESSOR></Parameters></ReceiptPrinterManager>");
  EXPECT_EQ(open.code, -1);
  EXPECT_EQ(open.error, "Fiscal Processor Driver [Other] not registered.");
  EXPECT_FALSE(ProcessorLogsWritten());
}

TEST_F(ExportsTest, AHandleNeverIssuedIsNotFound) {
  const std::string request = Envelope(4242, "T01", std::string(kReceipt) + kReference, "NOPE");
  ExportResult open = Driver().Open(request);
  EXPECT_EQ(open.code, -1);
  EXPECT_EQ(open.handle, 0);
  EXPECT_EQ(open.error, "Processor Handle not found");

  for (auto call : {&DriverLibrary::ProcessReceipt, &DriverLibrary::ProcessReprintReceipt}) {
    ExportResult result = (Driver().*call)(request);
    EXPECT_EQ(result.code, -1);
    EXPECT_EQ(result.error, "Processor Handle not found");
    EXPECT_TRUE(result.outputWasNull);
  }
  ExportResult status = Driver().ProcessGetStatus(request);
  EXPECT_EQ(status.code, -1);
  EXPECT_EQ(status.error, "Processor Handle not found");
  EXPECT_EQ(Parse(status.output), std::make_pair(std::string("Status"), kEmptyStatus));
  EXPECT_FALSE(ProcessorLogsWritten());
}

TEST_F(ExportsTest, ReceiptAndReprintNeedAnOpenedProcessor) {
  ExportResult receipt = Driver().ProcessReceipt(Envelope(0, "T01", kReceipt));
  EXPECT_EQ(receipt.code, -1);
  EXPECT_EQ(receipt.error, "Fiscal Processor has not previously opened");
  EXPECT_TRUE(receipt.outputWasNull);
  ExportResult reprint = Driver().ProcessReprintReceipt(Envelope(0, "T01", kReference));
  EXPECT_EQ(reprint.code, -1);
  EXPECT_EQ(reprint.error, "Fiscal Processor has not previously opened");
  EXPECT_TRUE(reprint.outputWasNull);
}

TEST_F(ExportsTest, StatusWithoutAHandleIsTheEmptyStatus) {
  // No handle element at all, and a handle of 0: both are "no processor".
  for (const std::string& request :
       {Envelope(0, "T01"), std::string("<R><Driver/><Parameters><Processor>NOPE</Processor></Parameters></R>")}) {
    ExportResult status = Driver().ProcessGetStatus(request);
    EXPECT_EQ(status.code, 0) << status.error;
    EXPECT_TRUE(status.errorWasNull);
    EXPECT_FALSE(status.outputWasNull);
    EXPECT_EQ(Parse(status.output), std::make_pair(std::string("Status"), kEmptyStatus));
  }
}

TEST_F(ExportsTest, FailedReportsStillAnswerACompleteZeroReport) {
  struct Case {
    const char* root;
    ExportResult (DriverLibrary::*call)(const std::string&);
    std::string request;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"ZReport", &DriverLibrary::ProcessZReport, Envelope(4242, "T01"), "Processor Handle not found"},
      {"XReport", &DriverLibrary::ProcessXReport, Envelope(4242, "T01"), "Processor Handle not found"},
      {"ZReport", &DriverLibrary::ProcessZReport, Envelope(0, "T01"), "Fiscal Processor has not previously opened"},
      {"XReport", &DriverLibrary::ProcessXReport, Envelope(0, "T01"), "Fiscal Processor has not previously opened"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.root) + " " + c.error);
    ExportResult report = (Driver().*c.call)(c.request);
    EXPECT_EQ(report.code, -1);
    EXPECT_EQ(report.error, c.error);
    EXPECT_EQ(Parse(report.output), std::make_pair(std::string(c.root), kZeroReport));
  }
}

TEST_F(ExportsTest, ARequestThatIsNotXmlGetsTheParsersMessageAndNothingIsLogged) {
  for (const std::string request : {"not XML at all", "<ReceiptPrinterManager><Handle>1</Handle>", "<a></b>"}) {
    SCOPED_TRACE(request);
    ExportResult open = Driver().Open(request);
    EXPECT_EQ(open.code, -1);
    EXPECT_EQ(open.handle, 0);
    EXPECT_EQ(open.error.rfind("XML parse error: ", 0), 0u) << open.error;
    ExportResult receipt = Driver().ProcessReceipt(request);
    EXPECT_EQ(receipt.code, -1);
    EXPECT_EQ(receipt.error, open.error);
    EXPECT_TRUE(receipt.outputWasNull);
    ExportResult z = Driver().ProcessZReport(request);
    EXPECT_EQ(z.code, -1);
    EXPECT_EQ(z.error, open.error);
    EXPECT_EQ(Parse(z.output), std::make_pair(std::string("ZReport"), kZeroReport));
    ExportResult status = Driver().ProcessGetStatus(request);
    EXPECT_EQ(status.code, -1);
    EXPECT_EQ(status.error, open.error);
  }
  EXPECT_FALSE(ProcessorLogsWritten());
}

TEST_F(ExportsTest, IncompleteEnvelopesAreRefusedBeforeAnyProcessorIsLookedUp) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"<R><Driver>DODU_PT_10</Driver><Handle>4242</Handle></R>", "Invalid request: Parameters node not found"},
      {"<R><Driver>DODU_PT_10</Driver><Handle>4242</Handle><Parameters><processor>DODU_PT_10</processor>"
       "</Parameters></R>",
       "Invalid request: Processor node not found in Parameters (it names the driver)"},
      {"<R><Handle>4242</Handle><Parameters><Processor>DODU_PT_10</Processor></Parameters></R>",
       "Invalid request: Driver node not found"},
  };
  for (const auto& [request, message] : cases) {
    SCOPED_TRACE(message);
    ExportResult open = Driver().Open(request);
    EXPECT_EQ(open.code, -1);
    EXPECT_EQ(open.handle, 0);
    EXPECT_EQ(open.error, message);
    ExportResult x = Driver().ProcessXReport(request);
    EXPECT_EQ(x.code, -1);
    EXPECT_EQ(x.error, message);
    ExportResult status = Driver().ProcessGetStatus(request);
    EXPECT_EQ(status.code, -1);
    EXPECT_EQ(status.error, message);
  }
}

TEST_F(ExportsTest, NullAndEmptyRequestsAreRefusedWithoutACrash) {
  const std::string empty_message = "Invalid request: the request text is empty";
  for (const char* name : {"PROCESSRECEIPT", "PROCESSREPRINTRECEIPT", "PROCESSZREPORT", "PROCESSXREPORT",
                           "PROCESSGETSTATUS"}) {
    SCOPED_TRACE(name);
    auto operation = reinterpret_cast<DriverLibrary::Operation>(Driver().Symbol(name));
    ASSERT_NE(operation, nullptr);
    BSTR result = nullptr;
    BSTR error = nullptr;
    EXPECT_EQ(operation(nullptr, &result, &error), -1);
    EXPECT_EQ(Driver().ToUtf8(error), empty_message);
    Driver().Free(result);
    Driver().Free(error);
    // Without places for the outputs the call still answers.
    EXPECT_EQ(operation(nullptr, nullptr, nullptr), -1);
  }
  auto open = reinterpret_cast<DriverLibrary::OpenOperation>(Driver().Symbol("OPEN"));
  ASSERT_NE(open, nullptr);
  int32_t handle = 99;
  BSTR error = nullptr;
  EXPECT_EQ(open(nullptr, &handle, &error), -1);
  EXPECT_EQ(handle, 0);
  EXPECT_EQ(Driver().ToUtf8(error), empty_message);
  Driver().Free(error);
  EXPECT_EQ(open(nullptr, nullptr, nullptr), -1);

  // An allocated string of no characters is empty too.
  for (const std::string& request : {std::string(), std::string("  \r\n")}) {
    ExportResult z = Driver().ProcessZReport(request);
    EXPECT_EQ(z.code, -1);
    EXPECT_EQ(z.error, empty_message);
    ExportResult opened = Driver().Open(request);
    EXPECT_EQ(opened.code, -1);
    EXPECT_EQ(opened.error, empty_message);
  }
}

TEST_F(ExportsTest, OutputsAreNewOwnedStringsAndWhatTheyHeldIsNotReleased) {
  auto operation = reinterpret_cast<DriverLibrary::Operation>(Driver().Symbol("PROCESSZREPORT"));
  ASSERT_NE(operation, nullptr);
  BSTR request = Driver().NewString(Envelope(4242, "T01"));
  // Outputs holding something the library must not free: it only overwrites them.
  OLECHAR foreign[4] = {'x', 0, 0, 0};
  BSTR result = foreign + 2;
  BSTR error = foreign + 2;
  ASSERT_EQ(operation(request, &result, &error), -1);
  ASSERT_NE(result, nullptr);
  ASSERT_NE(error, nullptr);
  ASSERT_NE(result, foreign + 2);
  const uint32_t length = Driver().Length(error);
  const std::u16string expected = u"Processor Handle not found";
  ASSERT_EQ(length, expected.size());
  uint32_t byte_length;
  std::memcpy(&byte_length, reinterpret_cast<const char*>(error) - sizeof byte_length, sizeof byte_length);
  EXPECT_EQ(byte_length, 2 * length);
  EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(error), length), expected);
  EXPECT_EQ(error[length], 0);
  EXPECT_EQ(Parse(Driver().ToUtf8(result)).first, "ZReport");
  Driver().Free(result);
  Driver().Free(error);

  // A failed receipt answers no XML: the output is null, not what it held.
  auto receipt = reinterpret_cast<DriverLibrary::Operation>(Driver().Symbol("PROCESSRECEIPT"));
  ASSERT_NE(receipt, nullptr);
  result = foreign + 2;
  error = foreign + 2;
  BSTR receipt_request = Driver().NewString(Envelope(4242, "T01", kReceipt));
  ASSERT_EQ(receipt(receipt_request, &result, &error), -1);
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(Driver().ToUtf8(error), "Processor Handle not found");
  Driver().Free(error);
  Driver().Free(receipt_request);
  Driver().Free(request);
}

TEST_F(ExportsTest, OwnedStringFunctionsBehaveAsOnWindows) {
  DODU_SKIP_WITHOUT(SystemFeature::kLibraryStringFunctions);
  auto alloc = reinterpret_cast<BSTR (*)(const OLECHAR*, uint32_t)>(Driver().Symbol("SysAllocStringLen"));
  auto length = reinterpret_cast<uint32_t (*)(BSTR)>(Driver().Symbol("SysStringLen"));
  ASSERT_NE(alloc, nullptr);
  ASSERT_NE(length, nullptr);
  const OLECHAR units[] = {'a', 0, 0x20AC, 0xD83D, 0xDE00};
  BSTR text = alloc(units, 5);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(length(text), 5u);  // embedded zero units count
  EXPECT_EQ(std::memcmp(text, units, sizeof units), 0);
  EXPECT_EQ(text[5], 0);
  EXPECT_EQ(Driver().ToUtf8(text), std::string("a\0\u20AC\U0001F600", 1 + 1 + 3 + 4));
  Driver().Free(text);

  BSTR blank = alloc(nullptr, 3);  // room for three units, zeroed
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(length(blank), 3u);
  EXPECT_EQ(blank[0] | blank[1] | blank[2] | blank[3], 0);
  Driver().Free(blank);

  EXPECT_EQ(length(nullptr), 0u);
  Driver().Free(nullptr);  // releasing nothing is allowed
}

}  // namespace
}  // namespace dodu::testing

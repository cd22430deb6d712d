// Dispatch through the per-call wrappers: handles, processor resolution, error state and results,
// with a scripted processor class registered in the core's driver table.
#include <gtest/gtest.h>

#include <memory>
#include <pugixml.hpp>

#include "base/conversions.h"
#include "base/date_time.h"
#include "driver/processor_wrappers.h"
#include "driver_world.h"

namespace dodu::testing {
namespace {

const char* const kReceipt = "<Receipt><Type>Sale</Type><Lines/><Taxes/><Payments/></Receipt>";
const char* const kReference =
    "<ReceiptReference><ReceiptType>Sale</ReceiptType><ReceiptNumber>FR 2024/1</ReceiptNumber></ReceiptReference>";

template <typename Wrapper>
std::unique_ptr<Wrapper> Call(const std::string& request) {
  auto wrapper = std::make_unique<Wrapper>();
  wrapper->Process(request);
  return wrapper;
}

using Open = kFiscalProcessorWrapper_OPEN;
using Receipt = kFiscalProcessorWrapper_PROCESSRECEIPT;
using Reprint = kFiscalProcessorWrapper_PROCESSREPRINTRECEIPT;
using ZReport = kFiscalProcessorWrapper_PROCESSZREPORT;
using XReport = kFiscalProcessorWrapper_PROCESSXREPORT;
using Status = kFiscalProcessorWrapper_GETSTATUS;

class DispatchTest : public DriverWorld {
 protected:
  // An envelope of the scripted driver; the log id names the processor's log file.
  static std::string Request(int32_t handle, const std::string& documents = "", const std::string& log_id = "1") {
    return "<ReceiptPrinterManager><Type>FP</Type><Driver>Other</Driver><Method>Process</Method><LogId>" + log_id +
           "</LogId><Handle>" + std::to_string(handle) + "</Handle><Parameters><Processor>" + kDriver +
           "</Processor><FPTillSerial>T01</FPTillSerial></Parameters>" + documents + "</ReceiptPrinterManager>";
  }

  int32_t OpenNew() {
    auto open = Call<Open>(Request(0));
    EXPECT_EQ(open->GetResult(), 0) << open->ErrorText();
    return open->fHandle;
  }
};

TEST_F(DispatchTest, HandlesRunOneTwoThreeEachWithItsOwnProcessorAndLog) {
  const std::string day_before = FormatDateTime("yyyymmdd", Now());
  for (int32_t expected = 1; expected <= 3; ++expected) {
    auto open = Call<Open>(Request(0, "", std::to_string(expected)));
    ASSERT_EQ(open->GetResult(), 0) << open->ErrorText();
    EXPECT_EQ(open->fHandle, expected);
    EXPECT_TRUE(open->ErrorText().empty());
  }
  const std::string day_after = FormatDateTime("yyyymmdd", Now());
  EXPECT_EQ(GetProcessorTables().LastProcessorHandle, 3);
  EXPECT_EQ(script_.calls, (std::vector<std::string>{"Open:1", "Open:2", "Open:3"}));

  ASSERT_NE(Processor(1), nullptr);
  ASSERT_NE(Processor(2), nullptr);
  EXPECT_NE(Processor(1), Processor(2));
  for (int32_t handle : {1, 2, 3}) {
    kFiscalProcessor& processor = *Processor(handle);
    EXPECT_EQ(processor.fHandle, handle);
    // One log per processor, named driver_logid_yyyymmdd.log, beside the host executable.
    const std::filesystem::path log = processor.IOHandler().GetLogFileName();
    EXPECT_EQ(log.parent_path(), ProcessorLogDir());
    const std::string name = log.filename().string();
    const std::string prefix = "TEST_FP_" + std::to_string(handle) + "_";
    EXPECT_TRUE(name == prefix + day_before + ".log" || name == prefix + day_after + ".log") << name;
    const std::string text = LogOf(processor);
    EXPECT_NE(text.find(" - OPEN:Assigned Handle: " + std::to_string(handle) + "\r\n"), std::string::npos) << text;
    EXPECT_EQ(processor.IOHandler().Version(), kFiscalProcessor::GetDriverVersion());
  }
}

TEST_F(DispatchTest, AFailedOpenUsesUpItsHandle) {
  struct Case {
    const char* name;
    Step step;
    std::string error;
    bool logged;  // a raised error is logged through the processor, a false answer is not
  };
  const std::vector<Case> cases = {
      {"false with a reason", {Outcome::kFail, 7, "No paper"}, "No paper", false},
      {"raised", {Outcome::kThrow, 0, "Disk gone"}, "Disk gone", true},
      {"false without a reason", {Outcome::kFailSilently, 0, ""}, "", false},
  };
  int32_t last = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t used = last + 1;
    script_.steps["Open"] = c.step;
    auto failed = Call<Open>(Request(0, "", "F" + std::to_string(used)));
    EXPECT_EQ(failed->GetResult(), -1);
    EXPECT_EQ(failed->fHandle, 0);
    EXPECT_EQ(failed->ErrorText(), c.error);
    // The processor was registered before its Open ran; having failed, it is taken out again
    // (no log thread, no open file stays behind for it), and its handle number stays used up.
    EXPECT_EQ(Processor(used), nullptr);
    std::string log;
    for (const auto& entry : std::filesystem::directory_iterator(ProcessorLogDir())) {
      if (entry.path().filename().string().rfind("TEST_FP_F" + std::to_string(used) + "_", 0) == 0) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        log = text.str();
      }
    }
    EXPECT_NE(log.find("*** STOP ***"), std::string::npos) << log;
    EXPECT_EQ(log.find("Assigned Handle"), std::string::npos);
    if (!c.error.empty()) {
      EXPECT_EQ(log.find(" - ERROR - " + c.error) != std::string::npos, c.logged) << log;
    }

    script_.steps.erase("Open");
    EXPECT_EQ(OpenNew(), used + 1);
    last = used + 1;
  }
}

TEST_F(DispatchTest, OpenWithAnIssuedHandleOpensThatProcessorAgain) {
  ASSERT_EQ(OpenNew(), 1);
  auto again = Call<Open>(Request(1));
  ASSERT_EQ(again->GetResult(), 0) << again->ErrorText();
  EXPECT_EQ(again->fHandle, 1);
  EXPECT_EQ(GetProcessorTables().LastProcessorHandle, 1);
  EXPECT_EQ(GetProcessorTables().FiscalProcessors.size(), 1u);
  EXPECT_EQ(script_.calls, (std::vector<std::string>{"Open:1", "Open:1"}));
  const std::string log = LogOf(*Processor(1));
  EXPECT_EQ(CountOf(log, " - OPEN:Assigned Handle: 1\r\n"), 2u) << log;

  // Re-opening keeps the handle even when that Open fails; the caller gets 0.
  script_.steps["Open"] = {Outcome::kFail, 3, "Till busy"};
  auto failed = Call<Open>(Request(1));
  EXPECT_EQ(failed->GetResult(), -1);
  EXPECT_EQ(failed->fHandle, 0);
  EXPECT_EQ(failed->ErrorText(), "Till busy");
  auto new_one = Call<Open>(Request(0));  // still failing: a new processor uses up handle 2
  EXPECT_EQ(new_one->GetResult(), -1);
  EXPECT_EQ(new_one->fHandle, 0);
  EXPECT_EQ(GetProcessorTables().LastProcessorHandle, 2);
}

TEST_F(DispatchTest, AHandleNeverIssuedIsRefusedEverywhere) {
  ASSERT_EQ(OpenNew(), 1);
  const std::string request = Request(5, kReceipt + std::string(kReference));
  std::vector<std::unique_ptr<kFiscalProcessorWrapper>> calls;
  auto open = Call<Open>(request);
  EXPECT_EQ(open->fHandle, 0);
  calls.push_back(std::move(open));
  calls.push_back(Call<Receipt>(request));
  calls.push_back(Call<Reprint>(request));
  calls.push_back(Call<ZReport>(request));
  calls.push_back(Call<XReport>(request));
  calls.push_back(Call<Status>(request));
  for (const auto& call : calls) {
    EXPECT_EQ(call->GetResult(), -1);
    EXPECT_EQ(call->ErrorText(), "Processor Handle not found");
  }
  // Nothing was created, and no processor heard of it.
  EXPECT_EQ(GetProcessorTables().LastProcessorHandle, 1);
  EXPECT_EQ(script_.calls, (std::vector<std::string>{"Open:1"}));
  EXPECT_EQ(LogOf(*Processor(1)).find("ERROR"), std::string::npos);
}

TEST_F(DispatchTest, OnlyOpenAndStatusGoWithoutAHandle) {
  const std::string request = Request(0, kReceipt + std::string(kReference));
  std::vector<std::unique_ptr<kFiscalProcessorWrapper>> refused;
  refused.push_back(Call<Receipt>(request));
  refused.push_back(Call<Reprint>(request));
  refused.push_back(Call<ZReport>(request));
  refused.push_back(Call<XReport>(request));
  for (const auto& call : refused) {
    EXPECT_EQ(call->GetResult(), -1);
    EXPECT_EQ(call->ErrorText(), "Fiscal Processor has not previously opened");
  }
  auto status = Call<Status>(request);
  EXPECT_EQ(status->GetResult(), 0);
  EXPECT_TRUE(status->ErrorText().empty());
  // Status without a handle neither creates a processor nor asks one.
  EXPECT_TRUE(GetProcessorTables().FiscalProcessors.empty());
  EXPECT_TRUE(script_.calls.empty());
}

TEST_F(DispatchTest, EachCallStartsWithAClearedErrorState) {
  ASSERT_EQ(OpenNew(), 1);
  script_.steps["ProcessZReport"] = {Outcome::kFail, 5, "Paper out"};
  auto z = Call<ZReport>(Request(1));
  EXPECT_EQ(z->GetResult(), -1);
  EXPECT_EQ(z->ErrorText(), "Paper out");
  EXPECT_TRUE(Processor(1)->IOHandler().ErrorFound());  // kept until the next call

  // The next call fails without a reason of its own: the old one must not come back.
  script_.steps["ProcessXReport"] = {Outcome::kFailSilently, 0, ""};
  auto x = Call<XReport>(Request(1));
  EXPECT_EQ(x->GetResult(), -1);
  EXPECT_EQ(x->ErrorText(), "");
  EXPECT_EQ(Processor(1)->IOHandler().ErrorCode(), 0);

  auto status = Call<Status>(Request(1));
  EXPECT_EQ(status->GetResult(), 0);
  EXPECT_EQ(script_.calls, (std::vector<std::string>{"Open:1", "ProcessZReport:1", "ProcessXReport:1",
                                                     "ProcessGetStatus:1"}));
  EXPECT_EQ(script_.errorAtEntry, (std::vector<bool>{false, false, false, false}));
}

TEST_F(DispatchTest, AFalseAnswerGivesTheHandlersMessageAndARaisedErrorIsLogged) {
  ASSERT_EQ(OpenNew(), 1);
  struct Case {
    Step step;
    std::string error;
    bool logged;
  };
  const std::vector<Case> cases = {
      {{Outcome::kFail, -999, "Falha na numeração"}, "Falha na numeração", false},
      {{Outcome::kThrow, 0, "Series locked"}, "Series locked", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    script_.steps["ProcessReceipt"] = c.step;
    auto receipt = Call<Receipt>(Request(1, kReceipt));
    EXPECT_EQ(receipt->GetResult(), -1);
    EXPECT_EQ(receipt->ErrorText(), c.error);
    EXPECT_TRUE(receipt->fOutput.empty());
    const std::string log = LogOf(*Processor(1));
    EXPECT_EQ(log.find(" - ERROR - " + c.error + "\r\n") != std::string::npos, c.logged) << log;
    EXPECT_EQ(log.find("PROCESSRECEIPT:"), std::string::npos);
  }
}

TEST_F(DispatchTest, ReceiptAndReprintAnswerTheProcessorsXmlAndLogIt) {
  ASSERT_EQ(OpenNew(), 1);
  script_.xmlOutput = "<Receipt><Number>FR 2024/1</Number></Receipt>";
  auto receipt = Call<Receipt>(Request(1, kReceipt));
  ASSERT_EQ(receipt->GetResult(), 0) << receipt->ErrorText();
  EXPECT_EQ(receipt->fOutput, script_.xmlOutput);
  auto reprint = Call<Reprint>(Request(1, kReference));
  ASSERT_EQ(reprint->GetResult(), 0) << reprint->ErrorText();
  EXPECT_EQ(reprint->fOutput, script_.xmlOutput);
  const std::string log = LogOf(*Processor(1));
  EXPECT_NE(log.find(" - PROCESSRECEIPT:Updated Receipt:\r\n" + script_.xmlOutput + "\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" - PROCESSREPRINTRECEIPT:Reprinted Receipt:\r\n" + script_.xmlOutput + "\r\n"),
            std::string::npos)
      << log;

  // Each reads its own document before anything else: without it the call fails unlogged.
  auto missing = Call<Receipt>(Request(1, kReference));
  EXPECT_EQ(missing->GetResult(), -1);
  EXPECT_EQ(missing->ErrorText(), "Receipt node not found");
  auto no_reference = Call<Reprint>(Request(1, kReceipt));
  EXPECT_EQ(no_reference->GetResult(), -1);
  EXPECT_EQ(no_reference->ErrorText(), "ReceiptReference node not found");
  EXPECT_EQ(LogOf(*Processor(1)).find(" - ERROR - "), std::string::npos);
}

TEST_F(DispatchTest, AFailureBeforeTheProcessorIsFoundIsNotLogged) {
  ASSERT_EQ(OpenNew(), 1);
  const std::string before = LogOf(*Processor(1));
  const std::vector<std::string> requests = {
      "this is not XML",
      "<ReceiptPrinterManager><Handle>1</Handle>",
      "<ReceiptPrinterManager><Driver/><Handle>1</Handle></ReceiptPrinterManager>",
      "<ReceiptPrinterManager><Driver/><Handle>x</Handle><Parameters><Processor>TEST_FP</Processor></Parameters>"
      "</ReceiptPrinterManager>",
  };
  for (const std::string& request : requests) {
    auto z = Call<ZReport>(request);
    EXPECT_EQ(z->GetResult(), -1) << request;
    EXPECT_FALSE(z->ErrorText().empty()) << request;
  }
  EXPECT_EQ(LogOf(*Processor(1)), before);
  EXPECT_EQ(script_.calls, (std::vector<std::string>{"Open:1"}));
}

TEST_F(DispatchTest, ReportResultsAreBuiltFromTheProcessorsCounters) {
  ASSERT_EQ(OpenNew(), 1);
  qvFiscalCounters& c = script_.counters;
  c.CurrentReceiptNo = 17;
  c.CurrentReportNo = 4;
  c.ReportDateTime = EncodeDateTime({2024, 3, 5, 14, 30, 0, 789});
  c.GrandTotalTotal = Amount::Parse("1234.5");
  c.GrandTotalRefunds = Amount::Parse("-3.25");
  c.GrandTotalVoids = Amount::Parse("10");
  c.DailyTotal = Amount::Parse("0.0001");
  c.DailyDiscounts = Amount::Parse("2.10");
  c.DailyRefunds = Amount::Parse("1000000");
  c.DailyVoids = Amount();
  // Kept by the wrapper but not part of the answer.
  c.DailySales = Amount::Parse("99");
  c.GrandTotalSales = Amount::Parse("98");
  c.GrandTotalDiscounts = Amount::Parse("97");
  c.Text = "Relatório Z\nLinha 2 & <fim>";

  const std::vector<std::pair<std::string, std::string>> expected = {
      {"GrandTotalAmount", "1234.5"},    {"GrandTotalRefundsAmount", "-3.25"},
      {"GrandTotalVoidsAmount", "10"},   {"DayTotalAmount", "0.0001"},
      {"DayDiscountsAmount", "2.1"},     {"DayRefundsAmount", "1000000"},
      {"DayVoidsAmount", "0"},           {"DayReceiptsNumber", "17"},
      {"DayRefundsNumber", "0"},         {"ReportNumber", "4"},
      {"ReportDateTime", "2024-03-05T14:30:00"}, {"Text", c.Text},
  };
  auto check = [&](const std::string& xml, const char* root_name) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(xml.c_str())) << xml;
    pugi::xml_node root = document.document_element();
    EXPECT_STREQ(root.name(), root_name);
    std::vector<std::pair<std::string, std::string>> found;
    for (pugi::xml_node child : root.children()) found.emplace_back(child.name(), child.text().get());
    EXPECT_EQ(found, expected);
  };

  auto z = Call<ZReport>(Request(1));
  ASSERT_EQ(z->GetResult(), 0) << z->ErrorText();
  EXPECT_EQ(z->fCounters.DailySales, c.DailySales);
  EXPECT_EQ(z->fCounters.GrandTotalDiscounts, c.GrandTotalDiscounts);
  check(z->ResultXml(), "ZReport");
  auto x = Call<XReport>(Request(1));
  ASSERT_EQ(x->GetResult(), 0) << x->ErrorText();
  check(x->ResultXml(), "XReport");

  const std::string log = LogOf(*Processor(1));
  EXPECT_NE(log.find(" - PROCESSZREPORT:ReportNo: 4\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find(" - PROCESSXREPORT:Data: 2024-03-05 14:30:00\r\n"), std::string::npos) << log;

  // A failing report answers zeros, not what the processor kept from the last one.
  script_.steps["ProcessZReport"] = {Outcome::kFail, 1, "Day not open"};
  auto failed = Call<ZReport>(Request(1));
  EXPECT_EQ(failed->GetResult(), -1);
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(failed->ResultXml().c_str()));
  EXPECT_STREQ(document.child("ZReport").child_value("GrandTotalAmount"), "0");
  EXPECT_STREQ(document.child("ZReport").child_value("ReportNumber"), "0");
  EXPECT_STREQ(document.child("ZReport").child_value("ReportDateTime"), "1899-12-30T00:00:00");
}

TEST_F(DispatchTest, StatusResultIsBuiltFromTheProcessorsStatus) {
  ASSERT_EQ(OpenNew(), 1);
  script_.status = {true, EncodeDateTime({2024, 2, 9, 8, 5, 1, 0}), true, "2.04", "SN-9", "PT"};
  auto status = Call<Status>(Request(1));
  ASSERT_EQ(status->GetResult(), 0) << status->ErrorText();
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(status->ResultXml().c_str()));
  pugi::xml_node root = document.child("Status");
  std::vector<std::pair<std::string, std::string>> found;
  for (pugi::xml_node child : root.children()) found.emplace_back(child.name(), child.text().get());
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"DayOpened", "True"},      {"DateTime", "2024-02-09T08:05:01"}, {"TrainingMode", "True"},
      {"FirmwareVersion", "2.04"}, {"SerialNumber", "SN-9"},           {"FiscalMode", "PT"}};
  EXPECT_EQ(found, expected);
  // Status writes no log line of its own.
  EXPECT_EQ(LogOf(*Processor(1)).find("STATUS"), std::string::npos);
}

}  // namespace
}  // namespace dodu::testing

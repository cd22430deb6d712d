#include <gtest/gtest.h>

#include <functional>
#include <regex>

#include "base/date_time.h"
#include "base/error.h"
#include "base/temp_directory.h"
#include "driver/device_handler.h"
#include "io/opos_handler.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"

namespace dodu {
namespace {

using testing::TempDirectory;

// The test bridge's own functions, reached through the same loaded library as the handler's.
class Bridge {
 public:
  Bridge() : fLibrary(DODU_OPOS_TEST_BRIDGE_PATH) { Reset(); }
  void Reset() { Fn<void()>("TestBridge_Reset")(); }
  void SetResult(const char* method, int32_t code, int32_t extended = 0) {
    Fn<void(const char*, int32_t, int32_t)>("TestBridge_SetResult")(method, code, extended);
  }
  void SetNumber(const char* property, int32_t value) {
    Fn<void(const char*, int32_t)>("TestBridge_SetNumber")(property, value);
  }
  void SetText(const char* property, const std::string& value) {
    Fn<void(const char*, const char*)>("TestBridge_SetText")(property, value.c_str());
  }
  void Freeze(const char* property) { Fn<void(const char*)>("TestBridge_Freeze")(property); }
  std::string Text(const char* property) { return Fn<const char*(const char*)>("TestBridge_Text")(property); }
  int32_t Number(const char* property) { return Fn<int32_t(const char*)>("TestBridge_Number")(property); }
  int32_t Live() { return Fn<int32_t()>("TestBridge_Live")(); }
  // The calls and property changes since the last look.
  std::vector<std::string> Calls() {
    std::vector<std::string> lines;
    const std::string all = Fn<const char*()>("TestBridge_Calls")();
    size_t start = 0;
    for (size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
      lines.push_back(all.substr(start, end - start));
    }
    std::vector<std::string> fresh(lines.begin() + static_cast<std::ptrdiff_t>(fSeen), lines.end());
    fSeen = lines.size();
    return fresh;
  }

 private:
  template <typename Signature>
  Signature* Fn(const char* name) {
    auto* fn = reinterpret_cast<Signature*>(fLibrary.Symbol(name));
    if (fn == nullptr) throw std::runtime_error(std::string("the test bridge lacks ") + name);
    return fn;
  }
  DynamicLibrary fLibrary;
  size_t fSeen = 0;
};

class OposHandlerTest : public ::testing::Test {
 protected:
  // Through the factory, as a processor gets it.
  std::unique_ptr<kIOHandler_OPOS> Create(const std::string& library = DODU_OPOS_TEST_BRIDGE_PATH) {
    kDeviceHandler device;
    device.Deserialize("<D><Driver>DRV</Driver><LogId>opos</LogId><Connection><Type>opos</Type>"
                       "<ConnectTimeout>2500</ConnectTimeout><DeviceName>FiscalPrinter1</DeviceName><LibraryName>" +
                       library + "</LibraryName></Connection></D>");
    std::unique_ptr<kIOHandler> handler = device.CreateIOHandler(dir_.Path());
    auto* opos = dynamic_cast<kIOHandler_OPOS*>(handler.get());
    if (opos == nullptr) throw std::runtime_error("the factory made no kIOHandler_OPOS");
    handler.release();
    return std::unique_ptr<kIOHandler_OPOS>(opos);
  }

  std::unique_ptr<kIOHandler_OPOS> Connected() {
    auto handler = Create();
    if (!handler->Connect()) throw std::runtime_error("Connect failed: " + handler->ErrorMessage());
    bridge_.Calls();
    return handler;
  }

  // The handler's log lines once it is gone, without time stamps: " - text" or " - ERROR - text".
  std::vector<std::string> Log(std::unique_ptr<kIOHandler_OPOS> handler) {
    const std::string file = handler->GetLogFileName();
    handler.reset();
    std::vector<std::string> lines;
    const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3} - (.*))");
    for (const std::string& line : ReadFileLines(file)) {
      std::smatch match;
      lines.push_back(std::regex_match(line, match, stamp) ? match[1].str() : line);
    }
    return lines;
  }

  static bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  TempDirectory dir_;
  Bridge bridge_;
};

TEST_F(OposHandlerTest, ConnectOpensClaimsAndEnablesTheDevice) {
  auto handler = Create();
  EXPECT_FALSE(handler->GetConnected());
  ASSERT_TRUE(handler->Connect()) << handler->ErrorMessage();
  EXPECT_TRUE(handler->GetConnected());
  EXPECT_EQ(bridge_.Calls(), (std::vector<std::string>{"Open(DeviceName=FiscalPrinter1)", "ClaimDevice(Timeout=2500)",
                                                        "DeviceEnabled:=1"}));
  ASSERT_TRUE(handler->Disconnect());
  EXPECT_FALSE(handler->GetConnected());
  EXPECT_EQ(bridge_.Calls(), (std::vector<std::string>{"DeviceEnabled:=0", "ReleaseDevice()", "Close()"}));
  const std::vector<std::string> log = Log(std::move(handler));
  const std::vector<std::string> expected = {
      std::string(61, '*'), "kIOHandler_OPOS", "", "ConnectTimeout=2500", "ReadTimeout=1000",
      "DeviceName=FiscalPrinter1", "[Connect]->Open(FiscalPrinter1)", "[Connect]->ClaimDevice(2500)",
      "[Connect]->DeviceEnabled:=true", "[Disconnect]->DeviceEnabled:=false", "[Disconnect]->ReleaseDevice",
      "[Disconnect]->Close"};
  ASSERT_GE(log.size(), expected.size() + 1);
  EXPECT_EQ(std::vector<std::string>(log.begin() + 1, log.begin() + 1 + static_cast<std::ptrdiff_t>(expected.size())),
            expected);
}

TEST_F(OposHandlerTest, AnOpenFailureIsReportedAndStillCountsAsConnected) {
  bridge_.SetResult("Open", 109);
  bridge_.SetText("ErrorString", "No such device");
  auto handler = Create();
  EXPECT_FALSE(handler->Connect());
  EXPECT_TRUE(handler->ErrorFound());
  EXPECT_EQ(handler->ErrorCode(), 109);
  EXPECT_EQ(handler->ErrorMessage(), "[109] OPOS_E_NOEXIST - No such device");
  EXPECT_TRUE(handler->GetConnected());
  EXPECT_EQ(bridge_.Calls(), std::vector<std::string>{"Open(DeviceName=FiscalPrinter1)"});
  // The next Connect closes the device first.
  bridge_.SetResult("Open", 0);
  EXPECT_TRUE(handler->Connect());
  EXPECT_EQ(bridge_.Calls(), (std::vector<std::string>{"DeviceEnabled:=0", "ReleaseDevice()", "Close()",
                                                        "Open(DeviceName=FiscalPrinter1)", "ClaimDevice(Timeout=2500)",
                                                        "DeviceEnabled:=1"}));
  EXPECT_FALSE(handler->ErrorFound());
  EXPECT_TRUE(Contains(Log(std::move(handler)), "ERROR - [109] OPOS_E_NOEXIST - No such device"));
}

TEST_F(OposHandlerTest, ADeviceThatStaysEnabledFailsConnectAndDisconnect) {
  bridge_.Freeze("DeviceEnabled");
  auto handler = Create();
  EXPECT_FALSE(handler->Connect());
  EXPECT_TRUE(handler->GetConnected());
  bridge_.Calls();
  bridge_.SetNumber("DeviceEnabled", 1);
  EXPECT_FALSE(handler->Disconnect());  // nothing is released while the device stays enabled
  EXPECT_EQ(bridge_.Calls(), std::vector<std::string>{"DeviceEnabled:=0"});
  EXPECT_FALSE(handler->GetConnected());
}

TEST_F(OposHandlerTest, AMissingBridgeFailsConnectWithTheReasonInTheLog) {
  auto handler = Create((dir_ / "no-such-bridge.so"));
  EXPECT_FALSE(handler->Connect());
  EXPECT_FALSE(handler->GetConnected());
  const std::vector<std::string> log = Log(std::move(handler));
  const bool logged = std::any_of(log.begin(), log.end(), [](const std::string& line) {
    return line.starts_with("ERROR - [Connect]:Cannot load the library ") &&
           line.find("no-such-bridge.so") != std::string::npos;
  });
  EXPECT_TRUE(logged) << ::testing::PrintToString(log);
}

TEST_F(OposHandlerTest, TheDestructorDisconnectsAndFreesTheControl) {
  auto handler = Connected();
  EXPECT_EQ(bridge_.Live(), 1);
  handler.reset();
  EXPECT_EQ(bridge_.Calls(), (std::vector<std::string>{"DeviceEnabled:=0", "ReleaseDevice()", "Close()"}));
  EXPECT_EQ(bridge_.Live(), 0);
}

TEST_F(OposHandlerTest, ResultCodesComposeTheirMessages) {
  struct Case {
    int32_t code, extended;
    std::string message;
  };
  const std::vector<Case> cases = {
      {114, 201, "[114] OPOS_E_EXTENDED [201] OPOS_EFPTR_COVER_OPEN - Printer says"},
      {114, 0, "[114] OPOS_E_EXTENDED - Printer says"},
      {114, 224, "[114] OPOS_E_EXTENDED [224] OPOS_EFPTR_DAY_END_REQUIRED - Printer says"},
      {114, 299, "[114] OPOS_E_EXTENDED [299] UNKNOWN - Printer says"},
      {150, 0, "[150] UNKNOWN - Printer says"},
      {101, 0, "[101] OPOS_E_CLOSED - Printer says"},
      {115, 0, "[115] OPOS_E_DEPRECATED - Printer says"},
      // The extended code counts only with 114.
      {111, 205, "[111] OPOS_E_FAILURE - Printer says"},
  };
  auto handler = Connected();
  bridge_.SetText("ErrorString", "Printer says");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    bridge_.SetResult("PrintXReport", c.code, c.extended);
    EXPECT_FALSE(handler->PrintXReport());
    EXPECT_TRUE(handler->ErrorFound());
    EXPECT_EQ(handler->ErrorCode(), c.code);
    EXPECT_EQ(handler->ErrorMessage(), c.message);
  }
  bridge_.SetResult("PrintXReport", 0);
  EXPECT_TRUE(handler->PrintXReport());
  EXPECT_FALSE(handler->ErrorFound());
  EXPECT_EQ(handler->ErrorCode(), 0);
  EXPECT_EQ(handler->ErrorMessage(), "");
  const std::vector<std::string> log = Log(std::move(handler));
  EXPECT_TRUE(Contains(log, "ERROR - [150] UNKNOWN - Printer says"));
  EXPECT_TRUE(Contains(log, "ERROR - [114] OPOS_E_EXTENDED - Printer says"));
}

// One fiscal operation: its debug line and the call the control receives.
struct Operation {
  const char* name;
  std::function<bool(kIOHandler_OPOS&)> run;
  std::string debug;
  std::string call;
};

TEST_F(OposHandlerTest, FiscalOperationsLogThenCallTheControlWithConvertedUnits) {
  const Amount a360 = Amount::Parse("3.60");
  const std::vector<Operation> operations = {
      {"BeginFiscalReceipt", [](kIOHandler_OPOS& h) { return h.BeginFiscalReceipt(); },
       "[BeginFiscalReceipt]->BeginFiscalReceipt(true)", "BeginFiscalReceipt(PrintHeader=1)"},
      {"EndFiscalReceipt", [](kIOHandler_OPOS& h) { return h.EndFiscalReceipt(); },
       "[EndFiscalReceipt]->EndFiscalReceipt(false)", "EndFiscalReceipt(PrintHeader=0)"},
      {"PrintRecItem",
       [&](kIOHandler_OPOS& h) { return h.PrintRecItem("C1", "Bread", Amount::FromInteger(2), "un", 1, Amount::Parse("1.8"), a360); },
       "[PrintRecItem]->PrintRecItem('Bread',3.6,2,1,1.8,'un')",
       "PrintRecItem(Description=Bread, Price=36000, Quantity=2000, VatInfo=1, UnitPrice=18000, UnitName=un)"},
      {"PrintRecItemFractions",
       [&](kIOHandler_OPOS& h) { return h.PrintRecItem("", "Tea's", Amount::Parse("1.2345"), "kg", 2, Amount::Parse("10"), Amount::Parse("12.345")); },
       "[PrintRecItem]->PrintRecItem('Tea''s',12.345,1,2,10,'kg')",
       "PrintRecItem(Description=Tea's, Price=123450, Quantity=1234, VatInfo=2, UnitPrice=100000, UnitName=kg)"},
      {"PrintRecItemNegative",
       [&](kIOHandler_OPOS& h) { return h.PrintRecItem("", "Back", Amount::Parse("-1.5"), "", 1, Amount::Parse("1"), Amount::Parse("-1.5")); },
       "[PrintRecItem]->PrintRecItem('Back',-1.5,-1,1,1,'')",
       "PrintRecItem(Description=Back, Price=-15000, Quantity=-1500, VatInfo=1, UnitPrice=10000, UnitName=)"},
      {"PrintRecItemVoid",
       [&](kIOHandler_OPOS& h) { return h.PrintRecItemVoid("C1", "Bread", Amount::FromInteger(2), "un", 1, Amount::Parse("1.8"), a360); },
       "[PrintRecItemVoid]->PrintRecItemVoid('Bread',3.6,1,1.8,'un')",
       "PrintRecItemVoid(Description=Bread, Price=36000, Quantity=2000, VatInfo=1, UnitPrice=18000, UnitName=un)"},
      {"PrintRecRefund",
       [&](kIOHandler_OPOS& h) { return h.PrintRecRefund("C1", "Bread", Amount::FromInteger(2), "un", 3, Amount::Parse("1.8"), a360); },
       "[PrintRecRefund]->PrintRecRefund('Bread',3.6,3)", "PrintRecRefund(Description=Bread, Amount=36000, VatInfo=3)"},
      {"PrintRecItemAdjustment",
       [](kIOHandler_OPOS& h) { return h.PrintRecItemAdjustment(1, "Off", Amount::Parse("0.25"), 2); },
       "[PrintRecItemAdjustment]->PrintRecItemAdjustment(1,'Off',0.25,2)",
       "PrintRecItemAdjustment(AdjustmentType=1, Description=Off, Amount=2500, VatInfo=2)"},
      {"PrintRecSubtotal", [](kIOHandler_OPOS& h) { return h.PrintRecSubtotal(Amount::Parse("12.5")); },
       "[PrintRecSubtotal]->PrintRecSubTotal(12.5)", "PrintRecSubtotal(Amount=125000)"},
      {"PrintRecSubtotalAdjustment",
       [](kIOHandler_OPOS& h) { return h.PrintRecSubtotalAdjustment(2, "Promo", Amount::Parse("3")); },
       "[PrintRecSubtotalAdjustment]->PrintRecSubtotalAdjustment(2,'Promo',3)",
       "PrintRecSubtotalAdjustment(AdjustmentType=2, Description=Promo, Amount=30000)"},
      {"PrintRecTotal",
       [](kIOHandler_OPOS& h) { return h.PrintRecTotal(Amount::Parse("12.5"), Amount::Parse("20"), "Cash"); },
       "[PrintRecTotal]->PrintRecTotal(12.5,20,'Cash')",
       "PrintRecTotal(Total=125000, Payment=200000, Description=Cash)"},
      {"PrintRecNotPaid", [](kIOHandler_OPOS& h) { return h.PrintRecNotPaid(Amount::Parse("-0.25"), "Credit"); },
       "[PrintRecNotPaid]->PrintRecNotPaid('Credit',-0.25)", "PrintRecNotPaid(Description=Credit, Amount=-2500)"},
      {"PrintRecMessage", [](kIOHandler_OPOS& h) { return h.PrintRecMessage("Thank you"); },
       "[PrintRecMessage]->PrintRecMessage('Thank you')", "PrintRecMessage(Message=Thank you)"},
      {"PrintRecTaxid", [](kIOHandler_OPOS& h) { return h.PrintRecTaxid("PT123"); },
       "[PrintRecTaxid]->PrintRecTaxid('PT123')", "PrintRecTaxID(TaxID=PT123)"},
      {"BeginNonFiscal", [](kIOHandler_OPOS& h) { return h.BeginNonFiscal(); }, "[BeginNonFiscal]->BeginNonFiscal",
       "BeginNonFiscal()"},
      {"PrintNormal", [](kIOHandler_OPOS& h) { return h.PrintNormal("Hello"); },
       "[PrintNormal]->PrintNormal(2,'Hello')", "PrintNormal(Station=2, Data=Hello)"},
      {"EndNonFiscal", [](kIOHandler_OPOS& h) { return h.EndNonFiscal(); }, "[EndNonFiscal]->EndNonFiscal",
       "EndNonFiscal()"},
      {"ResetPrinter", [](kIOHandler_OPOS& h) { return h.ResetPrinter(); }, "[ResetPrinter]->ResetPrinter",
       "ResetPrinter()"},
      {"BeginTraining", [](kIOHandler_OPOS& h) { return h.BeginTraining(); }, "[BeginTraining]->BeginTraining",
       "BeginTraining()"},
      {"EndTraining", [](kIOHandler_OPOS& h) { return h.EndTraining(); }, "[EndTraining]->EndTraining",
       "EndTraining()"},
      {"PrintXReport", [](kIOHandler_OPOS& h) { return h.PrintXReport(); }, "[PrintXReport]->PrintXReport",
       "PrintXReport()"},
      {"PrintZReport", [](kIOHandler_OPOS& h) { return h.PrintZReport(); }, "[PrintZReport]->PrintZReport",
       "PrintZReport()"},
      {"SetDate",
       [](kIOHandler_OPOS& h) { return h.SetDate(EncodeDateTime({2026, 1, 9, 7, 5, 59, 0})); },
       "[SetDate]->SetDate(090120260705)", "SetDate(Date=090120260705)"},
  };
  auto handler = Connected();
  for (const Operation& op : operations) {
    SCOPED_TRACE(op.name);
    EXPECT_TRUE(op.run(*handler));
    EXPECT_EQ(bridge_.Calls(), std::vector<std::string>{op.call});
  }
  const std::vector<std::string> log = Log(std::move(handler));
  for (const Operation& op : operations) EXPECT_TRUE(Contains(log, op.debug)) << op.name << ": " << op.debug;
}

TEST_F(OposHandlerTest, GetDateReadsTheControlsClockAndTheLocalClockAfterAFailure) {
  auto handler = Connected();
  bridge_.SetText("Date", "310120261545");
  DateTime date;
  ASSERT_TRUE(handler->GetDate(date));
  EXPECT_EQ(date, EncodeDateTime({2026, 1, 31, 15, 45, 0, 0}));

  bridge_.SetResult("GetDate", 111);
  const DateTime before = Now();
  EXPECT_FALSE(handler->GetDate(date));
  const DateTime after = Now();
  EXPECT_GE(date, before);
  EXPECT_LE(date, after);
  EXPECT_EQ(handler->ErrorCode(), 111);

  bridge_.SetResult("GetDate", 0);
  bridge_.SetText("Date", "3101202615");
  EXPECT_THROW(handler->GetDate(date), Error);
  const std::vector<std::string> log = Log(std::move(handler));
  EXPECT_TRUE(Contains(log, "[GetDate]->GetDate"));
  EXPECT_TRUE(Contains(log, "[GetDate]->aDate=310120261545"));
}

TEST_F(OposHandlerTest, GetDataAndDirectIOPassTheirResultsBack) {
  auto handler = Connected();
  bridge_.SetText("Data", "0042");
  std::string output = "old";
  ASSERT_TRUE(handler->GetData(7, 3, output));
  EXPECT_EQ(output, "0042");
  EXPECT_EQ(bridge_.Calls(), std::vector<std::string>{"GetData(DataItem=7, OptArgs=3)"});
  bridge_.SetResult("GetData", 106);
  EXPECT_FALSE(handler->GetData(7, 3, output));
  EXPECT_EQ(output, "");

  bridge_.SetNumber("DirectIOData", 99);
  bridge_.SetText("DirectIOString", "reply");
  bridge_.SetResult("DirectIO", 111);
  int32_t data = 5;
  std::string text = "ask";
  EXPECT_FALSE(handler->DirectIO(12, data, text));  // both values come back whatever the result
  EXPECT_EQ(data, 99);
  EXPECT_EQ(text, "reply");
  const std::vector<std::string> log = Log(std::move(handler));
  EXPECT_TRUE(Contains(log, "[GetData]->GetData(7,3,aOutput)"));
  EXPECT_TRUE(Contains(log, "[GetData]->aOutput=0042"));
  EXPECT_TRUE(Contains(log, "[DirectIO]->DirectIO(12,5,'ask')"));
  EXPECT_TRUE(Contains(log, "[DirectIO]->Output(Data:=99, Obj:=reply)"));
}

TEST_F(OposHandlerTest, StatusPropertiesAreReadWithoutAResultCheck) {
  auto handler = Connected();
  bridge_.SetNumber("PrinterState", 2);
  bridge_.SetNumber("RemainingFiscalMemory", 812);
  bridge_.SetNumber("CoverOpen", 1);
  bridge_.SetNumber("RecNearEnd", 1);
  bridge_.SetNumber("TrainingModeActive", 1);
  int32_t number = 0;
  bool flag = false;
  EXPECT_TRUE(handler->PrinterState(number));
  EXPECT_EQ(number, 2);
  EXPECT_TRUE(handler->RemainingFiscalMemory(number));
  EXPECT_EQ(number, 812);
  EXPECT_TRUE(handler->GetCoverOpen(flag));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(handler->GetDayOpened(flag));
  EXPECT_FALSE(flag);
  EXPECT_TRUE(handler->GetRecEmpty(flag));
  EXPECT_FALSE(flag);
  EXPECT_TRUE(handler->GetRecNearEnd(flag));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(handler->GetTrainingModeActive(flag));
  EXPECT_TRUE(flag);
  const std::vector<std::string> log = Log(std::move(handler));
  for (const char* line : {"[PrinterState]->PrinterState(aPrinterState)", "[PrinterState]->aPrinterState=2",
                           "[RemainingFiscalMemory]->RemainingFiscalMemory(aRemainingFiscalMemory)",
                           "[RemainingFiscalMemory]->aRemainingFiscalMemory=812",
                           "[GetCoverOpen]->CoverOpen(aResult)", "[GetCoverOpen]->CoverOpen=True",
                           "[GetDayOpened]->DayOpened(aResult)", "[GetDayOpened]->aResult=False",
                           "[GetRecEmpty]->RecEmpty(aResult)", "[GetRecEmpty]->aResult=False",
                           "[GetRecNearEmpty]->RecNearEmpty(aResult)", "[GetRecNearEmpty]->aResult=True",
                           "[GetTrainingModeActive]->TrainingModeActive(aResult)",
                           "[GetTrainingModeActive]->aResult=True"}) {
    EXPECT_TRUE(Contains(log, line)) << line;
  }
}

TEST_F(OposHandlerTest, TrailerLinesAreAppendedOrReplaced) {
  auto handler = Connected();
  EXPECT_TRUE(handler->SetAdditionalTrailerLine("A", false));
  EXPECT_TRUE(handler->SetAdditionalTrailerLine("B", false));
  EXPECT_EQ(bridge_.Text("AdditionalTrailer"), "A\r\nB\r\n");
  EXPECT_TRUE(handler->SetAdditionalTrailerLine("Only", true));
  EXPECT_EQ(bridge_.Text("AdditionalTrailer"), "Only");
  EXPECT_TRUE(handler->SetPreLine("Pre"));
  EXPECT_EQ(bridge_.Text("PreLine"), "Pre");
  EXPECT_TRUE(handler->SetFiscalReceiptType(4));
  EXPECT_EQ(bridge_.Number("FiscalReceiptType"), 4);
  const std::vector<std::string> log = Log(std::move(handler));
  EXPECT_TRUE(Contains(log, "[SetAdditionalTrailerLine]->AdditionalTrailer=+'A'"));
  EXPECT_TRUE(Contains(log, "[SetAdditionalTrailerLine]->AdditionalTrailer=+'B'"));
  EXPECT_TRUE(Contains(log, "[SetAdditionalTrailerLine]->AdditionalTrailer='Only'"));
  EXPECT_TRUE(Contains(log, "[SetPreLine]->PreLine='Pre'"));
  EXPECT_TRUE(Contains(log, "[SetFiscalReceiptType]->FiscalReceiptType=4"));
}

TEST_F(OposHandlerTest, StreamOperationsDoNotApply) {
  auto handler = Create();
  const std::vector<std::pair<std::string, std::function<void()>>> operations = {
      {"Write Unsupported", [&] { handler->Write("x"); }},
      {"ReadUpto Unsupported", [&] { handler->ReadUpTo({3}); }},
      {"ReadChars Unsupported", [&] { handler->ReadChars(1); }},
      {"ReadAll Unsupported", [&] { handler->ReadAll(); }},
      {"InputBufferContainsData Unsupported", [&] { handler->InputBufferContainsData(); }},
  };
  for (const auto& [message, operation] : operations) {
    try {
      operation();
      ADD_FAILURE() << message << ": nothing raised";
    } catch (const Error& e) {
      EXPECT_EQ(e.what(), message);
    }
  }
  EXPECT_EQ(handler->DecodeError(109), "");
  handler->ClearBuffers();
  handler->SetParameter("a", "b");
  EXPECT_EQ(bridge_.Calls(), std::vector<std::string>{});
}

}  // namespace
}  // namespace dodu

// The processor base: the till's directory layout, INI sections and the Pub_ operations.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "base/conversions.h"
#include "base/error.h"
#include "driver_world.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

// Runs one Pub_ operation on a result record that holds a stale outcome, and answers the common
// part of the record.
template <typename Record>
std::function<_int_result()> Runner(kFiscalProcessor& aProcessor, const kFiscalProcessorHandler& aHandler,
                                    void (kFiscalProcessor::*aOperation)(const kFiscalProcessorHandler&, Record&)) {
  return [&aProcessor, &aHandler, aOperation] {
    Record record;
    record.Error = false;
    record.ErrorText = "stale";
    (aProcessor.*aOperation)(aHandler, record);
    return static_cast<_int_result>(record);
  };
}

class FiscalProcessorTest : public DriverWorld {
 protected:
  // The envelope of one call, parsed; the processor's log id is "P".
  std::unique_ptr<kFiscalProcessorHandler> Handler(const std::string& till_serial,
                                                    const std::string& parameters = "") {
    auto handler = std::make_unique<kFiscalProcessorHandler>();
    handler->Deserialize("<R><Driver/><LogId>P</LogId><Parameters><Processor>TEST_FP</Processor><FPTillSerial>" +
                             till_serial + "</FPTillSerial>" + parameters + "</Parameters></R>",
                         {});
    return handler;
  }

  std::unique_ptr<kScriptedProcessor> NewProcessor() {
    return std::make_unique<kScriptedProcessor>(*Handler("T01"), script_);
  }

  std::string ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const Error& e) {
      return e.what();
    }
    return "(no error)";
  }
};

TEST_F(FiscalProcessorTest, OpenLaysOutTheTillDirectories) {
  struct Case {
    std::string till_serial;
    fs::path base;
  };
  const std::vector<Case> cases = {{"T01", DataDir() / "T01"}, {"T02", DataDir() / "T02"}};
  for (const Case& c : cases) {
    SCOPED_TRACE("till serial '" + c.till_serial + "'");
    auto handler = Handler(c.till_serial);
    kScriptedProcessor processor(*handler, script_);
    ASSERT_TRUE(processor.Open(*handler));
    EXPECT_EQ(fs::path(processor.fDirQueue), c.base / "Queue");
    EXPECT_EQ(fs::path(processor.fDirErrors), c.base / "Errors");
    EXPECT_EQ(fs::path(processor.fDirProcessed), c.base / "Processed");
    EXPECT_EQ(fs::path(processor.fDirJournal), c.base / "Journal");
    for (const std::string* directory :
         {&processor.fDirQueue, &processor.fDirErrors, &processor.fDirProcessed, &processor.fDirJournal})
      EXPECT_TRUE(fs::is_directory(*directory)) << *directory;
    EXPECT_EQ(fs::path(processor.fCountersActualFileName), c.base / "counters.actual.fprc");
    EXPECT_EQ(fs::path(processor.fCountersPreviousFileName), c.base / "counters.previous.fprc");
    // A second Open finds the directories there and works again.
    EXPECT_TRUE(processor.Open(*handler));
  }
}

TEST_F(FiscalProcessorTest, ATillSerialMustNotLeaveTheDataDirectory) {
  for (const std::string serial : {"../x", "a/b", "..", "T<1", "T|1", "/abs"}) {
    auto handler = Handler(serial == "T<1" ? "T&lt;1" : serial);
    kScriptedProcessor processor(*handler, script_);
    EXPECT_EQ(ErrorOf([&] { processor.Open(*handler); }), "Invalid characters in path") << serial;
  }
  EXPECT_FALSE(fs::exists(root_ / "x"));
  EXPECT_FALSE(fs::exists(DataDir() / "a"));
  EXPECT_TRUE(fs::is_empty(DataDir()));
}

TEST_F(FiscalProcessorTest, ATillWithoutSerialIsRefusedBeforeAnythingIsMade) {
  for (const std::string serial : {"", " ", "\t \r\n"}) {
    auto handler = Handler(serial);
    kScriptedProcessor processor(*handler, script_);
    EXPECT_EQ(ErrorOf([&] { processor.Open(*handler); }), "Invalid till serial") << "'" << serial << "'";
  }
  EXPECT_TRUE(fs::is_empty(DataDir()));
}

TEST_F(FiscalProcessorTest, LoadIniSectionReadsOneSection) {
  const std::string file = (root_ / "settings.ini").string();
  std::ofstream(file, std::ios::binary) << "; top\r\n[General]\r\na=1\r\n[SETTINGS]\r\nx=1\r\n\r\n; note\r\n"
                                           "y = 2\r\n[Other] \r\nz=3\r\n[ Spaced ]\r\ns=1\r\n[Last]\r\nk=1\r\nk=2";
  struct Case {
    std::string section;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"Settings", {"x=1", "", "; note", "y = 2"}},      // stops before the next "[" line
      {"Last", {"k=1", "k=2"}},                          // runs to the end of the file
      {"Other", {}},                                     // its header carries a space: a different line
      {" Spaced ", {"s=1"}},
      {"Missing", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> list = {"left over"};
    EXPECT_TRUE(kFiscalProcessor::LoadIniSection(file, c.section, list)) << c.section;
    EXPECT_EQ(list, c.lines) << c.section;
  }
  std::vector<std::string> untouched = {"kept"};
  EXPECT_FALSE(kFiscalProcessor::LoadIniSection((root_ / "none.ini").string(), "Settings", untouched));
  EXPECT_EQ(untouched, std::vector<std::string>{"kept"});

  // A byte order mark written by a Windows editor does not hide the first header.
  const std::string bom = (root_ / "bom.ini").string();
  std::ofstream(bom, std::ios::binary) << "\xEF\xBB\xBF[ReceiptSubTypes]\nFS=1\n";
  std::vector<std::string> sub_types;
  EXPECT_TRUE(kFiscalProcessor::LoadIniSection(bom, "ReceiptSubTypes", sub_types));
  EXPECT_EQ(sub_types, std::vector<std::string>{"FS=1"});
}

TEST_F(FiscalProcessorTest, PubOperationsShareOneFrame) {
  auto processor = NewProcessor();
  auto handler = Handler("T01", "<DateTime>2024-05-06T07:08:09</DateTime>");
  const std::string log_file = processor->IOHandler().GetLogFileName();
  ASSERT_FALSE(log_file.empty());

  struct Case {
    std::string name;         // the short name in the log line
    std::string device_call;  // the device-level operation that can fail
    std::function<_int_result()> run;
  };
  kFiscalProcessor& p = *processor;
  const kFiscalProcessorHandler& h = *handler;
  using P = kFiscalProcessor;
  const std::vector<Case> cases = {
      {"OpenDrawer", "OpenDrawer", Runner<_int_OPENDR_result>(p, h, &P::Pub_OpenDrawer)},
      {"SetDateTime", "SetDateTime", Runner<_int_SETDATETIME_result>(p, h, &P::Pub_SetDateTime)},
      {"EJReport", "EJReportZReports", Runner<_int_EJREPORT_result>(p, h, &P::Pub_EJReport)},
      {"GetVATTable", "ReadVatTable", Runner<_int_GETVATTABLE_result>(p, h, &P::Pub_GetVatTable)},
      {"SetVATTable", "WriteVatTable", Runner<_int_SETVATTABLE_result>(p, h, &P::Pub_SetVatTable)},
      {"GetDeptTable", "ReadDeptTable", Runner<_int_GETDEPTTABLE_result>(p, h, &P::Pub_GetDeptTable)},
      {"SetDeptTable", "WriteDeptTable", Runner<_int_SETDEPTTABLE_result>(p, h, &P::Pub_SetDeptTable)},
      {"GetLotteryRcptStatus", "ReadLotteryReceiptStatus",
       Runner<_int_GETLOTTERYRCPTSTATUS_result>(p, h, &P::Pub_GetLotteryReceiptStatus)},
      {"GetEJFiles", "ExportEJFiles", Runner<_int_GETEJFILES_result>(p, h, &P::Pub_GetEJFiles)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // A clean run: no error, the stale text cleared, the log file named.
    processor->IOHandler().ResetCustomError();
    script_.steps.clear();
    _int_result ok = c.run();
    EXPECT_FALSE(ok.Error);
    EXPECT_EQ(ok.ErrorText, "");
    EXPECT_EQ(ok.LogFileName, log_file);
    // The device reports an error: it comes back in the record.
    processor->IOHandler().ResetCustomError();
    script_.steps[c.device_call] = {Outcome::kFail, 9, c.name + " refused"};
    _int_result failed = c.run();
    EXPECT_TRUE(failed.Error);
    EXPECT_EQ(failed.ErrorText, c.name + " refused");
    EXPECT_EQ(failed.LogFileName, log_file);
    EXPECT_EQ(CountOf(LogOf(*processor), " - " + std::string(60, '-') + " " + c.name + "\r\n"), 2u);
  }
  // Pub_Close disconnects the processor's TCP handler, which was never connected.
  processor->IOHandler().ResetCustomError();
  _int_CLOSE_result closed;
  processor->Pub_Close(h, closed);
  EXPECT_FALSE(closed.Error);
  EXPECT_NE(LogOf(*processor).find(" - " + std::string(60, '-') + " Close\r\n"), std::string::npos);
}

TEST_F(FiscalProcessorTest, PubSetDateTimeSetsOnlyARealDateAndAlwaysReadsTheClockBack) {
  auto processor = NewProcessor();
  const DateTime clock = EncodeDateTime({2023, 1, 2, 3, 4, 5, 0});
  struct Case {
    std::string parameter;
    bool set;
  };
  const std::vector<Case> cases = {
      {"2024-05-06T07:08:09", true},
      {"1899-12-30T00:00:00", false},  // 0: not set
      {"1899-12-29T00:00:00", false},  // below 0: not set
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.parameter);
    script_.clock = clock;
    script_.setDateTimeCalls.clear();
    auto handler = Handler("T01", "<DateTime>" + c.parameter + "</DateTime>");
    _int_SETDATETIME_result result;
    processor->Pub_SetDateTime(*handler, result);
    EXPECT_FALSE(result.Error) << result.ErrorText;
    const DateTime requested = XmlTextToDateTime(c.parameter);
    EXPECT_EQ(script_.setDateTimeCalls, c.set ? std::vector<DateTime>{requested} : std::vector<DateTime>{});
    EXPECT_EQ(result.DateTime, c.set ? requested : clock);
  }

  // A refused SetDateTime still reads the clock back.
  script_.clock = clock;
  script_.steps["SetDateTime"] = {Outcome::kFail, 2, "Clock locked"};
  auto handler = Handler("T01", "<DateTime>2024-05-06T07:08:09</DateTime>");
  _int_SETDATETIME_result refused;
  processor->Pub_SetDateTime(*handler, refused);
  EXPECT_TRUE(refused.Error);
  EXPECT_EQ(refused.ErrorText, "Clock locked");
  EXPECT_EQ(refused.DateTime, clock);
  EXPECT_EQ(script_.calls.back(), "GetDateTime:0");

  auto bad = Handler("T01", "<DateTime>tomorrow</DateTime>");
  _int_SETDATETIME_result unused;
  EXPECT_EQ(ErrorOf([&] { processor->Pub_SetDateTime(*bad, unused); }), "DateTime Format invalid: [tomorrow]");
}

TEST_F(FiscalProcessorTest, PubGetDeptTableJoinsTheEconomicActivities) {
  auto activity = [](const std::string& code, const std::string& description, bool ventilazione) {
    auto a = std::make_unique<kEconomicActivity>();
    a->fCode = code;
    a->fDescription = description;
    a->fVentilazione = ventilazione;
    return a;
  };
  auto department = [](int32_t index, const std::string& code, qvDepartmentSalesType type, const std::string& ea) {
    auto d = std::make_unique<kDepartment>();
    d->fIndex = index;
    d->fCode = code;
    d->fDescription = "Dept " + code;
    d->fVATCode = "23";
    d->fSalesType = type;
    d->fEACode = ea;
    return d;
  };
  script_.activities.push_back(activity("A1", "Retail", true));
  script_.activities.push_back(activity("A2", "Food", false));
  script_.departments.push_back(department(1, "D1", st_Product, "A2"));
  script_.departments.push_back(department(2, "D2", st_Service, "A1"));
  script_.departments.push_back(department(3, "D3", st_Product, ""));
  script_.departments.push_back(department(4, "D4", st_Product, "ZZ"));

  auto processor = NewProcessor();
  auto handler = Handler("T01");
  _int_GETDEPTTABLE_result result;
  result.DeptTable.push_back({});  // left over from an earlier call
  processor->Pub_GetDeptTable(*handler, result);
  ASSERT_FALSE(result.Error) << result.ErrorText;
  // Activities first, so the departments can refer to them.
  EXPECT_EQ(script_.calls, (std::vector<std::string>{"ReadEATable:0", "ReadDeptTable:0"}));
  struct Row {
    int32_t index;
    std::string code, sales_type, ea_code, ea_description, ea_vat_mode;
  };
  const std::vector<Row> expected = {
      {1, "D1", "Product", "A2", "Food", "0"},
      {2, "D2", "Service", "A1", "Retail", "1"},
      {3, "D3", "Product", "", "", ""},
      {4, "D4", "Product", "ZZ", "", "0"},  // an activity the table does not know
  };
  ASSERT_EQ(result.DeptTable.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const _int_Dept& d = result.DeptTable[i];
    SCOPED_TRACE(d.Code);
    EXPECT_EQ(d.Index, expected[i].index);
    EXPECT_EQ(d.Code, expected[i].code);
    EXPECT_EQ(d.Description, "Dept " + expected[i].code);
    EXPECT_EQ(d.VatCode, "23");
    EXPECT_EQ(d.SalesType, expected[i].sales_type);
    EXPECT_EQ(d.EACode, expected[i].ea_code);
    EXPECT_EQ(d.EADescription, expected[i].ea_description);
    EXPECT_EQ(d.EAVATMode, expected[i].ea_vat_mode);
  }

  // When reading fails the array stays empty.
  script_.steps["ReadEATable"] = {Outcome::kFail, 1, "No table"};
  processor->IOHandler().ResetCustomError();
  processor->Pub_GetDeptTable(*handler, result);
  EXPECT_TRUE(result.Error);
  EXPECT_TRUE(result.DeptTable.empty());
}

}  // namespace
}  // namespace dodu::testing

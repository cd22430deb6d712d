#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "base/date_time.h"
#include "base/format_settings.h"
#include "base/log_writer.h"
#include "base/temp_directory.h"
#include "io/connection.h"
#include "io/io_handler.h"
#include "platform/files.h"

namespace dodu {
namespace {

namespace fs = std::filesystem;

// The base with inert device operations, so its own behaviour can be watched.
class BareHandler : public kIOHandler {
 public:
  using kIOHandler::kIOHandler;
  using kIOHandler::ClearError;
  bool GetConnected() override { return false; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  bool Write(const std::string&) override { return false; }
  std::string ReadUpTo(const std::vector<uint8_t>&) override { return {}; }
  std::string ReadChars(int) override { return {}; }
  std::string ReadAll() override { return {}; }
  std::string DecodeError(int) override { return {}; }
  bool InputBufferContainsData() override { return false; }
  void SetParameter(const std::string&, const std::string&) override {}
  std::string ClassName() const override { return "kIOHandler_Bare"; }
};

class IOHandlerTest : public ::testing::Test {
 protected:
  IOHandlerTest() {
    connection_.fConnectTimeout = 3000;
    connection_.fReadTimeout = 1500;
  }

  std::unique_ptr<BareHandler> Create() {
    return std::make_unique<BareHandler>(&connection_, dir_ / "LogFiles/FiscalPrinter", "DODU_PT_10_7");
  }

  // The lines of the handler's log once the handler is gone, without time stamps.
  std::vector<std::string> Finish(std::unique_ptr<BareHandler> handler) {
    const std::string file = handler->GetLogFileName();
    handler.reset();
    std::vector<std::string> messages;
    const std::regex stamp(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3}( - .*))");
    for (const std::string& line : ReadFileLines(file)) {
      std::smatch match;
      EXPECT_TRUE(std::regex_match(line, match, stamp)) << line;
      messages.push_back(match.size() > 1 ? match[1].str() : line);
    }
    return messages;
  }

  testing::TempDirectory dir_;
  kConnection connection_;
};

TEST_F(IOHandlerTest, DailyLogFramedByStartAndStop) {
  const std::string day = FormatDateTime("yyyymmdd", Now());
  auto handler = Create();
  const std::string file = handler->GetLogFileName();
  EXPECT_TRUE(file == dir_ / ("LogFiles/FiscalPrinter/DODU_PT_10_7_" + day + ".log") ||
              file == dir_ / ("LogFiles/FiscalPrinter/DODU_PT_10_7_" + FormatDateTime("yyyymmdd", Now()) + ".log"))
      << file;
  ASSERT_NE(handler->Logger(), nullptr);
  EXPECT_EQ(handler->Logger()->MaxMessageLength(), 0);
  EXPECT_EQ(handler->ConnectTimeout(), 3000);
  EXPECT_EQ(handler->ReadTimeout(), 1500);
  handler->WriteLog(let_info, "OPEN", "Assigned Handle: 1");
  handler->WriteLog(let_error, "PROCESSRECEIPT", "Company not found");
  handler->Debug(let_info, "as it stands");
  EXPECT_EQ(Finish(std::move(handler)),
            (std::vector<std::string>{" - *************************** START ***************************",
                                      " - OPEN:Assigned Handle: 1", " - ERROR - PROCESSRECEIPT:Company not found",
                                      " - as it stands",
                                      " - *************************** STOP ****************************"}));
}

TEST_F(IOHandlerTest, HexLogAddsTheDumpOfTheMessage) {
  auto handler = Create();
  handler->SetHexLog(true);
  handler->WriteLog(let_info, "Write", "AB");
  handler->WriteLog(let_info, "Write", "");
  handler->Debug(let_info, "AB");  // Debug never adds a dump
  std::vector<std::string> lines = Finish(std::move(handler));
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1], " - Write:AB [41 42]");
  EXPECT_EQ(lines[2], " - Write: []");
  EXPECT_EQ(lines[3], " - AB");
}

TEST_F(IOHandlerTest, ConnectLogsTheSettings) {
  auto handler = Create();
  handler->SetVersion("[2.04 - 26/02/2024]");
  EXPECT_TRUE(handler->Connect());
  std::vector<std::string> lines = Finish(std::move(handler));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[1], " - " + std::string(61, '*'));
  EXPECT_EQ(lines[2], " - kIOHandler_Bare");
  EXPECT_EQ(lines[3], " - [2.04 - 26/02/2024]");
  EXPECT_EQ(lines[4], " - ConnectTimeout=3000");
  EXPECT_EQ(lines[5], " - ReadTimeout=1500");
}

TEST_F(IOHandlerTest, TemporaryReadTimeout) {
  auto handler = Create();
  handler->SetTemporaryReadTimeout(0);  // logged, but nothing changes
  EXPECT_EQ(handler->ReadTimeout(), 1500);
  handler->ResetTemporaryReadTimeout();  // nothing was ever saved
  EXPECT_EQ(handler->ReadTimeout(), 1500);
  handler->SetTemporaryReadTimeout(250);
  EXPECT_EQ(handler->ReadTimeout(), 250);
  handler->ResetTemporaryReadTimeout();
  EXPECT_EQ(handler->ReadTimeout(), 1500);
  handler->SetTemporaryReadTimeout(-5);
  EXPECT_EQ(handler->ReadTimeout(), 1500);
  handler->ResetTemporaryReadTimeout();  // the value saved earlier stays
  EXPECT_EQ(handler->ReadTimeout(), 1500);
  EXPECT_EQ(Finish(std::move(handler)),
            (std::vector<std::string>{" - *************************** START ***************************",
                                      " - Set Read Timeout to 0ms from 1500 ms", " - Reset Timeout to 0 ms",
                                      " - Set Read Timeout to 250ms from 1500 ms", " - Reset Timeout to 1500 ms",
                                      " - Set Read Timeout to -5ms from 1500 ms", " - Reset Timeout to 1500 ms",
                                      " - *************************** STOP ****************************"}));
}

TEST_F(IOHandlerTest, WithoutDirectoryOrNameThereIsNoLog) {
  const std::string log_dir = dir_ / "LogFiles";
  for (auto [directory, name] : {std::pair<std::string, std::string>{"", "DODU_PT_10_7"},
                                 std::pair<std::string, std::string>{log_dir, ""}}) {
    {
      BareHandler handler(nullptr, directory, name);
      EXPECT_EQ(handler.Logger(), nullptr);
      EXPECT_EQ(handler.GetLogFileName(), "");
      EXPECT_EQ(handler.ConnectTimeout(), 0);
      EXPECT_EQ(handler.ReadTimeout(), 0);
      handler.SetHexLog(true);
      handler.WriteLog(let_info, "OPEN", "x");
      handler.Debug(let_error, "y");
      EXPECT_TRUE(handler.Connect());
      handler.SetTemporaryReadTimeout(100);
      EXPECT_EQ(handler.ReadTimeout(), 100);
      handler.ResetTemporaryReadTimeout();
      EXPECT_EQ(handler.ReadTimeout(), 100);  // a saved 0 counts as nothing saved
    }
    EXPECT_FALSE(fs::exists(log_dir)) << "nothing was written for " << directory << "/" << name;
    EXPECT_TRUE(fs::is_empty(dir_.Path()));
  }
}

TEST_F(IOHandlerTest, CustomErrorState) {
  BareHandler handler(&connection_, "", "");
  EXPECT_FALSE(handler.ErrorFound());
  handler.SetCustomError(5, "Paper out");
  EXPECT_TRUE(handler.ErrorFound());
  EXPECT_EQ(handler.ErrorCode(), 5);
  EXPECT_EQ(handler.ErrorMessage(), "Paper out");
  handler.ResetCustomError();
  EXPECT_FALSE(handler.ErrorFound());
  EXPECT_EQ(handler.ErrorCode(), 0);
  EXPECT_EQ(handler.ErrorMessage(), "");
  handler.SetCustomError(-999, "again");
  handler.ClearError();
  EXPECT_FALSE(handler.ErrorFound());
  EXPECT_EQ(handler.ErrorCode(), 0);
}

TEST(IOHandlerTextTest, HexTextDumpsUtf16CodeUnits) {
  struct Case {
    const char* text;
    const char* dump;
  } cases[] = {
      {"AB", "41 42"},
      {"", ""},
      {"\n", "0a"},
      {"\xC3\xA9", "e9"},                    // é
      {"\xE2\x82\xAC", "20ac"},              // €
      {"A\xE2\x82\xAC" "B", "41 20ac 42"},
      {"\xF0\x9F\x98\x80", "d83d de00"},     // one character, two code units
  };
  for (const Case& c : cases) EXPECT_EQ(kIOHandler::HexText(c.text), c.dump) << c.text;
}

TEST(IOHandlerTextTest, FormatAmountUsesADotWhateverTheLocale) {
  const FormatSettings saved = GetFormatSettings();
  FormatSettings comma = saved;
  comma.decimalSeparator = ",";
  comma.thousandSeparator = ".";
  SetFormatSettings(comma);
  EXPECT_EQ(kIOHandler::FormatAmount(Amount::Parse("1234.50")), "1234.5");
  EXPECT_EQ(kIOHandler::FormatAmount(Amount::Parse("-3.25")), "-3.25");
  EXPECT_EQ(kIOHandler::FormatAmount(Amount::Parse("10")), "10");
  SetFormatSettings(saved);
}

}  // namespace
}  // namespace dodu

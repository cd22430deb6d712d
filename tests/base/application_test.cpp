#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <thread>

#include "base/application.h"
#include "base/conversions.h"
#include "base/error.h"
#include "base/format_settings.h"
#include "base/log_writer.h"
#include "base/temp_directory.h"
#include "base/version_history.h"
#include "platform/files.h"
#include "platform/process.h"

namespace dodu {
namespace {

std::string ErrorText(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "(no error)";
}

tQV_ApplicationInfo::StringSource FromMap(std::map<int, std::string> entries) {
  return [entries = std::move(entries)](int id) {
    auto found = entries.find(id);
    return found == entries.end() ? std::string() : found->second;
  };
}

TEST(ApplicationInfoTest, CompiledInHistory) {
  tQV_ApplicationInfo info;
  info.Load();
  EXPECT_EQ(info.Description(), "KRV Driver - Portuguese Fiscal Processor (SM)");
  EXPECT_FALSE(info.Copyright().empty());
  EXPECT_EQ(info.Version(), "2.04");
  EXPECT_EQ(info.ReleaseDate().value, EncodeDate(2024, 2, 26).value);

  const std::vector<std::pair<const char*, DateTime>> releases = {
      {"1.00", EncodeDate(2022, 1, 22)},  {"1.01", EncodeDate(2022, 4, 14)}, {"1.02", EncodeDate(2022, 6, 28)},
      {"1.03", EncodeDate(2022, 7, 10)},  {"1.04", EncodeDate(2022, 7, 26)}, {"1.05", EncodeDate(2022, 9, 6)},
      {"1.06", EncodeDate(2022, 10, 10)}, {"1.07", EncodeDate(2023, 3, 6)},  {"1.08", EncodeDate(2023, 5, 2)},
      {"1.09", EncodeDate(2023, 5, 15)},  {"1.10", EncodeDate(2023, 6, 4)},  {"1.11", EncodeDate(2023, 6, 5)},
      {"2.00", EncodeDate(2023, 6, 17)},  {"2.01", EncodeDate(2023, 6, 18)}, {"2.02", EncodeDate(2023, 6, 21)},
      {"2.03", EncodeDate(2023, 7, 6)},   {"2.04", EncodeDate(2024, 2, 26)},
  };
  ASSERT_EQ(info.History().size(), releases.size());
  for (size_t i = 0; i < releases.size(); ++i) {
    const tQV_ApplicationHistory& entry = info.History()[i];
    EXPECT_EQ(entry.Version(), releases[i].first);
    EXPECT_EQ(entry.ReleaseDate().value, releases[i].second.value) << entry.Version();
    EXPECT_FALSE(entry.Author().empty()) << entry.Version();
    const size_t notes = entry.Version() == "1.03" ? 4 : entry.Version() == "2.00" ? 2 : 1;
    EXPECT_EQ(entry.Text().size(), notes) << entry.Version();
  }
  EXPECT_EQ(info.History()[3].Text(),
            (std::vector<std::string>{"Changed Discounts Management.", "Added Invoice Reference in case of Credit Notes.",
                                      "Changed Receipt Header with Compnay Data.", "Changed Customer Country if unknown."}));
  EXPECT_EQ(info.History()[0].Text()[0], "Initial Release");
  EXPECT_EQ(info.History()[16].Text()[0], "It is now possible to reprint an invoice or credit note");
}

TEST(ApplicationInfoTest, VersionStringUsesTheShortDateFormat) {
  const FormatSettings saved = GetFormatSettings();
  tQV_ApplicationInfo info;
  info.Load();
  FormatSettings settings;
  settings.shortDateFormat = "dd/mm/yyyy";
  settings.dateSeparator = ".";
  SetFormatSettings(settings);
  EXPECT_EQ(info.VersionString(), "[2.04 - 26.02.2024]");
  settings.shortDateFormat = "yyyy/mm/dd";
  settings.dateSeparator = "-";
  SetFormatSettings(settings);
  EXPECT_EQ(info.VersionString(), "[2.04 - 2024-02-26]");
  SetFormatSettings(saved);
}

TEST(ApplicationInfoTest, TenMissingIdsAreReadThroughElevenEndTheScan) {
  tQV_ApplicationInfo info;
  info.Load(FromMap({{10000, "$VERSION=1"}, {10011, "$VERSION=2"}, {10023, "$VERSION=3"}}));
  ASSERT_EQ(info.History().size(), 2u);
  EXPECT_EQ(info.Version(), "2");

  info.Load(FromMap({{10001, "$VERSION=1"}}));  // 10000 missing counts too
  EXPECT_EQ(info.Version(), "1");
  info.Load(FromMap({{10011, "$VERSION=late"}}));
  EXPECT_TRUE(info.History().empty());
  EXPECT_EQ(info.Version(), "");
}

TEST(ApplicationInfoTest, KeysValuesAndDates) {
  tQV_ApplicationInfo info;
  info.Load(FromMap({
      {10000, "$AUTHOR=ignored before the first release"},
      {10001, "$PTEXT=ignored too"},
      {10002, "$appdescription=Driver = X"},
      {10003, "$Version=1.0"},
      {10004, "$RELEASEDATE=ab/03/2024"},
      {10005, "$ptext=a=b"},
      {10006, "$TEXT=second"},
      {10007, "$UNKNOWN=whatever"},
      {10008, "no equals sign"},
      {10009, "$AUTHOR=XY"},
      {10010, "$VERSION=1.1"},
      {10011, "$RELEASEDATE=31/02/2024"},
      {10012, "$VERSION=1.2"},
      {10013, "$RELEASEDATE=05/11/2023"},
  }));
  EXPECT_EQ(info.Description(), "Driver = X");
  ASSERT_EQ(info.History().size(), 3u);
  const tQV_ApplicationHistory& first = info.History()[0];
  EXPECT_EQ(first.Version(), "1.0");
  EXPECT_EQ(first.Author(), "XY");
  EXPECT_EQ(first.ReleaseDate().value, EncodeDate(2024, 3, 1).value);  // a day that is not a number counts 1
  EXPECT_EQ(first.Text(), (std::vector<std::string>{"a=b", "second"}));
  EXPECT_TRUE(info.History()[1].ReleaseDate().IsZero()) << "an impossible date stays unset";
  EXPECT_EQ(info.ReleaseDate().value, EncodeDate(2023, 11, 5).value);
  EXPECT_EQ(info.Version(), "1.2");
}

TEST(ApplicationInfoTest, HistoryTableHasNoGapsOfElevenIds) {
  // Every entry of the table is read: the last one is the 2.04 note.
  int last = kVersionHistoryFirstId;
  for (int id = kVersionHistoryFirstId; id < kVersionHistoryFirstId + 1000; ++id) {
    if (!VersionHistoryString(id).empty()) last = id;
  }
  EXPECT_EQ(VersionHistoryString(last), "$PTEXT=It is now possible to reprint an invoice or credit note");
  EXPECT_EQ(VersionHistoryString(kVersionHistoryFirstId - 1), "");
}

TEST(SetupTest, NamesCompareWithoutRegardToCase) {
  tQV_Setup setup;
  setup.SetValue("Port", int64_t{9100});
  setup.SetValue("PORT", std::string("COM1"));
  setup.Define("Other");
  EXPECT_EQ(setup.Count(), 2u);
  EXPECT_EQ(std::get<std::string>(setup.GetValue("port")), "COM1");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(setup.GetValue("OTHER")));
  EXPECT_TRUE(std::holds_alternative<std::monostate>(setup.GetValue("missing")));
  setup.SetValue("other", true);
  EXPECT_TRUE(std::get<bool>(setup.GetValue("Other")));
  EXPECT_EQ(setup.Count(), 2u);
}

TEST(WaitTest, TextFollowsTheLanguage) {
  std::string language;
  tQV_Wait wait(language);
  EXPECT_FALSE(wait.Started());
  wait.Start();
  EXPECT_TRUE(wait.Started());
  EXPECT_EQ(wait.Text(), "Attendere prego ...");
  language = "EN";
  wait.Start("Loading");
  EXPECT_EQ(wait.Text(), "Wait please ...\r\nLoading");
  wait.Stop();
  EXPECT_FALSE(wait.Started());
}

// An application object whose host directory, lock directory and command line are the test's.
class ApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override { OverrideCommandLineArguments(std::vector<std::string>{}); }
  void TearDown() override {
    DestroyApplication();
    OverrideCommandLineArguments(std::nullopt);
  }
  std::string LogFile() const { return dir_ / ("LogFiles/" + ExeBaseName() + ".log"); }

  testing::TempDirectory dir_;
  testing::ScopedEnvironment host_{"QV_HOST_DIR", dir_.Path()};
  testing::ScopedEnvironment tmp_{"TMPDIR", dir_.Path()};
};

TEST_F(ApplicationTest, StartsItsLogBesideTheHost) {
  auto application = std::make_unique<tQV_Application>();
  EXPECT_EQ(application->GetLogDirectory(), dir_ / "LogFiles");
  EXPECT_EQ(application->GetLogFileName(), LogFile());
  EXPECT_TRUE(DirectoryExists(dir_ / "LogFiles"));
  EXPECT_FALSE(application->Logger().Daily());
  EXPECT_EQ(application->Logger().MaxMessageLength(), 0);
  EXPECT_EQ(application->Info().Version(), "2.04");
  EXPECT_TRUE(application->TerminateOnExceptionIfBatch());
  EXPECT_FALSE(application->IsBatch());

  application->Log(let_info, "fine");
  EXPECT_EQ(application->LastError(), "");
  application->Log(let_error, "broken");
  application->Log(let_info, "fine again");
  EXPECT_EQ(application->LastError(), "broken");
  application.reset();
  std::vector<std::string> lines = ReadFileLines(LogFile());
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].substr(23), " - ERROR - broken");
}

TEST_F(ApplicationTest, SwitchesComeFromTheCommandLine) {
  OverrideCommandLineArguments(std::vector<std::string>{"/batch", "/DEBUGX", "/Test:1"});
  tQV_Application application;
  EXPECT_TRUE(application.IsBatch());
  EXPECT_FALSE(application.IsDebug());
  EXPECT_TRUE(application.IsTest());
  application.ForceIsBatch(false);
  EXPECT_FALSE(application.IsBatch());
}

TEST_F(ApplicationTest, NotifyUserLogsAnErrorEntryWhateverTheKind) {
  CreateApplication();
  ASSERT_NE(gApplication, nullptr);
  tQV_Application* created = gApplication;
  CreateApplication();
  EXPECT_EQ(gApplication, created) << "one application object per process";
  gApplication->Wait().Start("busy");
  ::testing::internal::CaptureStderr();
  NotifyUser(0, "for your information");
  NotifyUser(1, "an error");
  const std::string printed = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(printed.find("for your information"), std::string::npos);
  EXPECT_NE(printed.find("an error"), std::string::npos);
  EXPECT_TRUE(gApplication->Wait().Started()) << "the wait indicator comes back";
  EXPECT_EQ(gApplication->Wait().Text(), "Attendere prego ...\r\nbusy");
  DestroyApplication();
  EXPECT_EQ(gApplication, nullptr);
  std::vector<std::string> lines = ReadFileLines(LogFile());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(23), " - ERROR - for your information");
  EXPECT_EQ(lines[1].substr(23), " - ERROR - an error");
}

TEST_F(ApplicationTest, NotifyUserWithoutAnApplicationOnlyPrints) {
  ::testing::internal::CaptureStderr();
  NotifyUser(1, "early");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "early\n");
  EXPECT_FALSE(FileExists(LogFile()));
}

TEST_F(ApplicationTest, ChangesTheLogDirectoryAndName) {
  tQV_Application application;
  application.ChangeLogDirectory("Sub/Dir");
  EXPECT_EQ(application.GetLogDirectory(), dir_ / "LogFiles/Sub/Dir");
  EXPECT_TRUE(DirectoryExists(dir_ / "LogFiles/Sub/Dir"));
  EXPECT_EQ(application.GetLogFileName(), dir_ / ("LogFiles/Sub/Dir/" + ExeBaseName() + ".log"));
  application.ChangeLogDirectory(dir_ / "absolute");
  EXPECT_EQ(application.GetLogFileName(), dir_ / ("absolute/" + ExeBaseName() + ".log"));
  application.ChangeLogFilename("/elsewhere/other.log");
  EXPECT_EQ(application.GetLogFileName(), dir_ / "absolute/other.log");
  application.Log(let_info, "here");
  application.Logger().Flush();
  EXPECT_TRUE(FileExists(dir_ / "absolute/other.log"));
}

TEST_F(ApplicationTest, MessagesFallBackToTheirIds) {
  tQV_Application application;
  EXPECT_EQ(application.GetMessage("NO_SUCH_MESSAGE"), "NO_SUCH_MESSAGE");
  EXPECT_EQ(application.GetMessage("line one\\r\\nline two"), "line one\r\nline two");
  application.LoadMessages("pt.HELLO:Ola %s\r\nHELLO.en:Hello %s, %d items\npt.HELLO:not this one\nBYE.en:See you:later\n");
  application.SetLanguage("pt");
  application.SetDefaultLanguage("en");
  EXPECT_EQ(application.GetMessage("HELLO", {"Ana"}), "Ola Ana");
  application.SetLanguage("fr");
  EXPECT_EQ(application.GetMessage("HELLO", {"Ana", "3"}), "Hello Ana, 3 items");
  EXPECT_EQ(application.GetMessage("BYE"), "See you");  // only the second field is the text
  EXPECT_EQ(application.GetMessage("%1:s-%0:s %%", {"a", "b"}), "b-a %");
  EXPECT_EQ(ErrorText([&] { application.GetMessage("HELLO", {"Ana"}); }),
            "Format 'Hello %s, %d items' invalid or incompatible with argument");
}

TEST_F(ApplicationTest, NestedStopwatch) {
  tQV_Application application;
  EXPECT_EQ(ErrorText([&] { application.StopTimer(); }), "Unbalanced stack or queue operation");
  EXPECT_THROW(application.GetTimerValue(), Error);
  application.StartTimer();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  application.StartTimer();
  EXPECT_EQ(application.GetTimerCount(), 2u);
  const int64_t inner = application.StopTimer();
  const int64_t outer = application.GetTimerValue();
  EXPECT_EQ(application.GetTimerCount(), 1u);
  if (outer >= 0) {  // below zero only when the measurement crossed midnight
    EXPECT_GE(outer, 30);
    EXPECT_GE(outer, inner);
  }
  application.StopTimer();
  EXPECT_EQ(application.GetTimerCount(), 0u);
}

TEST_F(ApplicationTest, SingleInstanceLockExcludesASecondHolder) {
  tQV_Application first;
  tQV_Application second;
  first.SetSingleInstance(true);
  EXPECT_TRUE(first.SingleInstance());
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(ErrorText([&] { second.SetSingleInstance(true); }), "Impossible to enter single instance mode.");
  ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(second.SingleInstance());
  first.SetSingleInstance(false);
  EXPECT_FALSE(first.SingleInstance());
  second.SetSingleInstance(true);
  EXPECT_TRUE(second.SingleInstance());
  second.Logger().Flush();
  const std::string log = ReadFileText(LogFile());
  EXPECT_NE(log.find(" - ERROR - Impossible to enter single instance mode."), std::string::npos);
}

TEST_F(ApplicationTest, TrayIconIsStateOnly) {
  tQV_Application application;
  int window = 0;
  application.CreateNotifyIcon(&window);
  EXPECT_TRUE(application.NotifyIcon());
  EXPECT_EQ(application.IconData().fWindow, &window);
  EXPECT_EQ(application.IconData().fCallbackMessage, 1124u);
  application.DeleteNotifyIcon();
  EXPECT_FALSE(application.NotifyIcon());
}

}  // namespace
}  // namespace dodu

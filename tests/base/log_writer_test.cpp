#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <regex>
#include <thread>

#include "base/date_time.h"
#include "base/error.h"
#include "base/format_settings.h"
#include "base/log_writer.h"
#include "base/temp_directory.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "support/process_resources.h"

namespace dodu {
namespace {

namespace fs = std::filesystem;

// The messages of a log file, time stamp and separator " - " removed.
std::vector<std::string> Messages(const std::string& file) {
  std::vector<std::string> messages;
  for (const std::string& line : ReadFileLines(file)) {
    messages.push_back(line.size() >= 26 ? line.substr(26) : "(short line) " + line);
  }
  return messages;
}

std::vector<std::string> DatedFiles(const std::string& directory, const std::string& stem) {
  std::vector<std::string> found;
  const std::regex dated(stem + R"(_\d{17}\.log)");
  for (const auto& entry : fs::directory_iterator(directory)) {
    if (std::regex_match(entry.path().filename().string(), dated)) found.push_back(entry.path().string());
  }
  return found;
}

bool WaitFor(const std::function<bool()>& condition) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class LogWriterTest : public ::testing::Test {
 protected:
  testing::TempDirectory dir_;
};

TEST_F(LogWriterTest, NamesDailyAndPlainFilesAndCreatesTheDirectory) {
  const std::string nested = dir_ / "LogFiles/FiscalPrinter";
  const std::string before = FormatDateTime("yyyymmdd", Now());
  tQV_LogWriter daily("DODU_PT_10_7", nested, 0, true);
  const std::string after = FormatDateTime("yyyymmdd", Now());
  EXPECT_TRUE(DirectoryExists(nested));
  EXPECT_TRUE(daily.FileName() == nested + "/DODU_PT_10_7_" + before + ".log" ||
              daily.FileName() == nested + "/DODU_PT_10_7_" + after + ".log")
      << daily.FileName();
  EXPECT_TRUE(daily.Daily());
  EXPECT_EQ(daily.Directory(), nested);
  EXPECT_EQ(daily.MaxLogFileSize(), 5000);

  tQV_LogWriter plain("A", dir_.Path(), 0, false);
  EXPECT_EQ(plain.FileName(), dir_ / "A.log");
  EXPECT_EQ(plain.GetLogFileSize(), -1);  // nothing written yet
  plain.Write(let_info, "x");
  plain.Flush();
  EXPECT_GT(plain.GetLogFileSize(), 0);
}

TEST_F(LogWriterTest, LineFormatEncodingAndLineEnds) {
  {
    tQV_LogWriter writer("A", dir_.Path(), 0, false);
    writer.Write(let_info, "hello");
    writer.Write(let_error, "went wrong");
    writer.Write(let_info, "<a>\r\n<b>caf\xC3\xA9 \xE2\x82\xAC</b>");
  }
  const std::string content = ReadFileText(dir_ / "A.log");
  const std::regex expected(
      R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3} - hello\r\n)"
      R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d:\d{3} - ERROR - went wrong\r\n)"
      "\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d:\\d{3} - <a>\r\n<b>caf\xC3\xA9 \xE2\x82\xAC</b>\r\n");
  EXPECT_TRUE(std::regex_match(content, expected)) << content;
}

TEST_F(LogWriterTest, TimeStampUsesTheSystemTimeSeparator) {
  const FormatSettings saved = GetFormatSettings();
  FormatSettings dotted = saved;
  dotted.timeSeparator = ".";
  SetFormatSettings(dotted);
  const std::string line = tQV_LogWriter::FormatLine(let_info, "m", 0);
  SetFormatSettings(saved);
  EXPECT_TRUE(std::regex_match(line, std::regex(R"(\d{4}-\d\d-\d\d \d\d\.\d\d\.\d\d\.\d{3} - m)"))) << line;
}

TEST_F(LogWriterTest, CutsMessagesToTheMaximumLength) {
  EXPECT_EQ(tQV_LogWriter::FormatLine(let_info, "0123456789ABC", 10).substr(26), "0123456789");
  EXPECT_EQ(tQV_LogWriter::FormatLine(let_error, "0123456789ABC", 10).substr(34), "0123456789");
  EXPECT_EQ(tQV_LogWriter::FormatLine(let_info, "0123456789ABC", 0).substr(26), "0123456789ABC");
  EXPECT_EQ(tQV_LogWriter::FormatLine(let_info, "\xC3\xA9\xC3\xA9\xC3\xA9", 2).substr(26), "\xC3\xA9\xC3\xA9");
  {
    tQV_LogWriter writer("A", dir_.Path(), 10, false);
    writer.Write(let_info, "0123456789ABC");
  }
  EXPECT_EQ(Messages(dir_ / "A.log"), std::vector<std::string>{"0123456789"});
}

// Whatever the writer's own length setting, no line keeps more than 256 KiB of its message: the
// beginning, cut between whole characters, and a note of the message's length.
TEST_F(LogWriterTest, EveryMessageIsBoundedToAnExcerpt) {
  constexpr size_t kBound = tQV_LogWriter::kMaxLoggedMessageBytes;
  static_assert(kBound == 256 * 1024);
  EXPECT_EQ(tQV_LogWriter::Excerpt(std::string(kBound, 'a')), std::string(kBound, 'a'));
  EXPECT_EQ(tQV_LogWriter::Excerpt(std::string(kBound + 1, 'a')),
            std::string(kBound, 'a') + " ... [cut: 262145 bytes in all]");
  // A two-byte character across the bound is left out whole.
  const std::string straddling = std::string(kBound - 1, 'a') + "\xC3\xA9" + "tail";
  EXPECT_EQ(tQV_LogWriter::ExcerptPrefix(straddling), std::string(kBound - 1, 'a'));
  const std::string huge(20 * 1024 * 1024, 'x');
  const std::string line = tQV_LogWriter::FormatLine(let_info, huge, 0);
  EXPECT_EQ(line.substr(26), std::string(kBound, 'x') + " ... [cut: 20971520 bytes in all]");
  {
    tQV_LogWriter writer("B", dir_.Path(), 0, false);
    writer.Write(let_error, huge);
  }
  EXPECT_LT(FileSize(dir_ / "B.log"), static_cast<int64_t>(kBound + 100));
}

TEST_F(LogWriterTest, EveryLineQueuedBeforeDestructionIsWrittenInOrder) {
  {
    tQV_LogWriter writer("A", dir_.Path(), 0, false);
    for (int i = 0; i < 1000; ++i) writer.Write(let_info, "line " + std::to_string(i));
  }
  std::vector<std::string> messages = Messages(dir_ / "A.log");
  ASSERT_EQ(messages.size(), 1000u);
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(messages[i], "line " + std::to_string(i));
}

TEST_F(LogWriterTest, AllWritersShareOneThreadThatEndsWhenIdleAndComesBack) {
  const int threads_before = dodu::testing::ProcessResources::Now().threads;
  std::vector<std::unique_ptr<tQV_LogWriter>> writers;
  for (int i = 0; i < 200; ++i) {
    writers.push_back(std::make_unique<tQV_LogWriter>("W" + std::to_string(i), dir_.Path(), 0, false));
    writers.back()->Write(let_info, "first of " + std::to_string(i));
  }
  EXPECT_LE(dodu::testing::ProcessResources::Now().threads, threads_before + 1);
  for (auto& writer : writers) writer->Flush();
  EXPECT_EQ(Messages(dir_ / "W7.log"), std::vector<std::string>{"first of 7"});

  // Idle: the thread ends by itself; the next line brings one back and reaches its file.
  EXPECT_TRUE(WaitFor([] { return !tQV_LogThread::Instance().Running(); }));
  // The thread has said it ends; the system takes a moment to see it gone.
  EXPECT_TRUE(WaitFor([&] { return dodu::testing::ProcessResources::Now().threads <= threads_before; }));
  writers[7]->Write(let_info, "second of 7");
  writers[7]->Flush();
  EXPECT_EQ(Messages(dir_ / "W7.log"), (std::vector<std::string>{"first of 7", "second of 7"}));
}

TEST_F(LogWriterTest, WritersFromManyThreadsKeepEachThreadsOrder) {
  constexpr int kThreads = 4, kLines = 150;
  {
    tQV_LogWriter writer("A", dir_.Path(), 0, false);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&writer, t] {
        for (int i = 0; i < kLines; ++i) writer.Write(let_info, std::to_string(t) + ":" + std::to_string(i));
      });
    }
    for (std::thread& thread : threads) thread.join();
  }
  std::vector<int> next(kThreads, 0);
  std::vector<std::string> messages = Messages(dir_ / "A.log");
  ASSERT_EQ(messages.size(), static_cast<size_t>(kThreads * kLines));
  for (const std::string& message : messages) {
    const int t = std::stoi(message.substr(0, message.find(':')));
    EXPECT_EQ(message, std::to_string(t) + ":" + std::to_string(next[t]++));
  }
}

TEST_F(LogWriterTest, TwoWritersOnOneFileNeverMixTheirLines) {
  {
    tQV_LogWriter first("A", dir_.Path(), 0, false);
    tQV_LogWriter second("A", dir_.Path(), 0, false);
    for (int i = 0; i < 200; ++i) {
      first.Write(let_info, "first " + std::string(100, 'x'));
      second.Write(let_info, "second " + std::string(100, 'y'));
    }
  }
  std::vector<std::string> messages = Messages(dir_ / "A.log");
  ASSERT_EQ(messages.size(), 400u);
  for (const std::string& message : messages)
    EXPECT_TRUE(message == "first " + std::string(100, 'x') || message == "second " + std::string(100, 'y')) << message;
}

TEST_F(LogWriterTest, FileAboveTheLimitMovesToADatedNameBeforeTheFirstLine) {
  const std::string file = dir_ / "A.log";
  WriteFileAtomically(file, std::string(5'120'001, 'o'));
  {
    tQV_LogWriter writer("A", dir_.Path(), 0, false);
    writer.Write(let_info, "fresh");
  }
  std::vector<std::string> dated = DatedFiles(dir_.Path(), "A");
  ASSERT_EQ(dated.size(), 1u);
  EXPECT_EQ(FileSize(dated[0]), 5'120'001);
  EXPECT_EQ(Messages(file), std::vector<std::string>{"fresh"});
}

TEST_F(LogWriterTest, FileAtTheLimitStaysWhereItIs) {
  const std::string file = dir_ / "A.log";
  WriteFileAtomically(file, std::string(5'120'000 - 2, 'o') + "\r\n");
  {
    tQV_LogWriter writer("A", dir_.Path(), 0, false);
    writer.Write(let_info, "appended");
  }
  EXPECT_TRUE(DatedFiles(dir_.Path(), "A").empty());
  std::vector<std::string> lines = ReadFileLines(file);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].substr(26), "appended");
}

TEST_F(LogWriterTest, SizeIsCheckedOnTheFirstAndEveryTwentiethLine) {
  const std::string file = dir_ / "A_20240305.log";
  tQV_LogWriter writer("A_20240305", dir_.Path(), 0, false);
  writer.SetMaxLogFileSize(1);  // KiB
  EXPECT_TRUE(writer.CheckLogfileSize());
  const std::string payload(100, 'p');
  for (int i = 1; i <= 20; ++i) writer.Write(let_info, std::to_string(i) + payload);
  writer.Flush();
  EXPECT_EQ(writer.Counter(), 20);
  EXPECT_TRUE(writer.CheckLogfileSize());
  EXPECT_GT(writer.GetLogFileSize(), 1024);
  EXPECT_TRUE(DatedFiles(dir_.Path(), "A_20240305").empty()) << "the file grew past the limit between checks";

  writer.Write(let_info, "21" + payload);
  writer.Flush();
  EXPECT_FALSE(writer.CheckLogfileSize());
  std::vector<std::string> dated = DatedFiles(dir_.Path(), "A_20240305");
  ASSERT_EQ(dated.size(), 1u);
  EXPECT_EQ(Messages(dated[0]).size(), 20u);
  EXPECT_EQ(Messages(file), std::vector<std::string>{"21" + payload});
  EXPECT_EQ(writer.FileName(), file);
}

TEST_F(LogWriterTest, BusyFileIsRetriedThenTheLineIsDropped) {
  const std::string file = dir_ / "A.log";
  tQV_LogWriter writer("A", dir_.Path(), 0, false);
  writer.Write(let_info, "before");
  writer.Flush();
  FileLock other;
  ASSERT_TRUE(other.Acquire(file, 0)) << other.Reason();
  writer.Write(let_info, "lost");
  ASSERT_TRUE(WaitFor([&] { return writer.DroppedLineCount() == 1; }));
  other.Release();
  writer.Write(let_info, "after");
  writer.Flush();
  EXPECT_EQ(Messages(file), (std::vector<std::string>{"before", "after"}));
  EXPECT_EQ(writer.DroppedLineCount(), 1);
}

TEST_F(LogWriterTest, BusyFileReleasedWithinTheAttemptsGetsTheLine) {
  const std::string file = dir_ / "A.log";
  tQV_LogWriter writer("A", dir_.Path(), 0, false);
  writer.SetRetryDelay(std::chrono::milliseconds(300));  // nine waits leave ample time to release
  FileLock other;
  ASSERT_TRUE(other.Acquire(file, 0)) << other.Reason();
  writer.Write(let_info, "late");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  other.Release();
  writer.Flush();
  EXPECT_EQ(Messages(file), std::vector<std::string>{"late"});
  EXPECT_EQ(writer.DroppedLineCount(), 0);
}

TEST_F(LogWriterTest, FileNameSetterKeepsTheDirectory) {
  tQV_LogWriter writer("A", dir_.Path(), 0, false);
  writer.SetFileName("/somewhere/else/B.log");
  EXPECT_EQ(writer.FileName(), dir_ / "B.log");
  EXPECT_EQ(writer.Directory(), dir_.Path());
  writer.Write(let_info, "to B");
  writer.Flush();
  EXPECT_EQ(Messages(dir_ / "B.log"), std::vector<std::string>{"to B"});
  EXPECT_FALSE(FileExists(dir_ / "A.log"));
}

TEST_F(LogWriterTest, DirectorySetterKeepsTheNameAndCreatesTheDirectory) {
  tQV_LogWriter writer("A", dir_.Path(), 0, false);
  const std::string moved = dir_ / "x/y/z";
  writer.SetDirectory(moved);
  EXPECT_TRUE(DirectoryExists(moved));
  EXPECT_EQ(writer.FileName(), moved + "/A.log");
  writer.Write(let_info, "moved");
  writer.Flush();
  EXPECT_EQ(Messages(moved + "/A.log"), std::vector<std::string>{"moved"});
  EXPECT_THROW(writer.SetDirectory(dir_ / "bad|name"), Error);
  EXPECT_EQ(writer.FileName(), moved + "/A.log") << "a rejected directory changes nothing";
}

TEST_F(LogWriterTest, WriteWithoutAFileNameRaises) {
  tQV_LogWriter writer("A", dir_.Path(), 0, false);
  writer.SetFileName("");
  try {
    writer.Write(let_info, "nowhere");
    FAIL() << "no error";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Log filename is empty ");
  }
}

TEST_F(LogWriterTest, DirectoryRemovedWhileTheWriterLivesComesBack) {
  const std::string nested = dir_ / "logs";
  tQV_LogWriter writer("A", nested, 0, false);
  fs::remove_all(nested);
  writer.Write(let_info, "still here");
  writer.Flush();
  EXPECT_EQ(Messages(nested + "/A.log"), std::vector<std::string>{"still here"});
}

// A log holds whole receipts: a symbolic link planted in its place is never written through,
// and the refusal is final (a busy file is waited for, a link is not).
TEST_F(LogWriterTest, ALogPlantedAsASymbolicLinkIsRefusedAtOnceNotWrittenThrough) {
  const std::string bait = dir_ / "bait";
  WriteFileAtomically(bait, "bait");
  fs::create_symlink(bait, dir_ / "A.log");
  tQV_LogWriter writer("A", dir_.Path(), 0, false);
  writer.SetRetryDelay(std::chrono::minutes(5));  // a retry would hold the line far past the wait below
  writer.Write(let_info, "customer PT500100200");
  ASSERT_TRUE(WaitFor([&] { return writer.DroppedLineCount() == 1; }));
  EXPECT_EQ(ReadFileText(bait), "bait");
  EXPECT_TRUE(fs::is_symlink(dir_ / "A.log"));
}

}  // namespace
}  // namespace dodu

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "base/error.h"
#include "base/temp_directory.h"
#include "platform/file_lock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace dodu {
namespace {

namespace fs = std::filesystem;

TEST(PathsTest, JoinsAndSplits) {
  EXPECT_EQ(JoinPath("a", "b.log"), "a/b.log");
  EXPECT_EQ(JoinPath("a/", "b.log"), "a/b.log");
  EXPECT_EQ(JoinPath("", "b.log"), "b.log");
  EXPECT_EQ(FileNameOf("a/b/c.log"), "c.log");
  EXPECT_EQ(FileNameOf("c.log"), "c.log");
  EXPECT_EQ(FileNameOf("a/b/"), "");
  EXPECT_EQ(DirectoryOf("a/b/c.log"), "a/b/");
  EXPECT_EQ(DirectoryOf("c.log"), "");
  EXPECT_EQ(WithoutExtension("a/b/c.x.log"), "a/b/c.x");
  EXPECT_EQ(WithoutExtension("a.d/c"), "a.d/c");
  EXPECT_EQ(WithTrailingSeparator("a"), "a/");
  EXPECT_EQ(WithTrailingSeparator("a/"), "a/");
  EXPECT_TRUE(IsAbsolutePath("/a"));
  EXPECT_FALSE(IsAbsolutePath("a/b"));
}

TEST(PathsTest, RejectsCharactersThatAreNotPortable) {
  for (const char* part : {"a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "a\nb", "a\x01"}) {
    try {
      JoinPath("dir", part);
      ADD_FAILURE() << "accepted " << part;
    } catch (const Error& error) {
      EXPECT_STREQ(error.what(), "Invalid characters in path");
    }
    EXPECT_THROW(JoinPath(part, "x"), Error);
    EXPECT_FALSE(IsPlainFileName(part));
  }
  EXPECT_TRUE(IsPlainFileName("TILL01"));
  for (const char* part : {"", ".", "..", "a/b", "a\\b"}) EXPECT_FALSE(IsPlainFileName(part)) << part;
}

// Names Windows would read as something else are no plain names on any system: a stream or
// drive (colon), a device (also with an extension or blanks before it), a name whose trailing
// dots or blanks Windows drops.
TEST(PathsTest, PlainNamesExcludeWhatWindowsReadsDifferently) {
  for (const char* part : {"FR2024S01:hidden", "C:", "a:b.b64", "NUL", "nul", "CON.b64", "Aux", "prn.txt", "COM1",
                           "com9.log", "LPT1", "lpt0", "COM\xC2\xB9", "CONIN$", "conout$.x", "NUL .b64", "TILL01.",
                           "TILL01 ", "S01...", "a. "}) {
    EXPECT_FALSE(IsPlainFileName(part)) << part;
  }
  for (const char* part : {"COM10", "LPT", "NULL", "CONSOLE", "AUXILIARY.b64", "COMX", "FR2024S01.b64", ".hidden",
                           "a.b", "T 01"}) {
    EXPECT_TRUE(IsPlainFileName(part)) << part;
  }
}

TEST(FilesTest, ForceDirectoriesCreatesEveryMissingParent) {
  testing::TempDirectory dir;
  EXPECT_TRUE(ForceDirectories(dir / "a/b/c"));
  EXPECT_TRUE(DirectoryExists(dir / "a/b/c"));
  EXPECT_TRUE(ForceDirectories(dir / "a/b/c/"));  // existing, trailing separator
  EXPECT_FALSE(ForceDirectories(""));
  WriteFileAtomically(dir / "file", "x");
  EXPECT_FALSE(ForceDirectories(dir / "file/sub")) << "a file stands in the way";
  EXPECT_FALSE(DirectoryExists(dir / "file"));
  EXPECT_TRUE(FileExists(dir / "file"));
  EXPECT_FALSE(FileExists(dir / "a"));
}

TEST(FilesTest, SizesRenamesAndDeletes) {
  testing::TempDirectory dir;
  EXPECT_EQ(FileSize(dir / "missing"), -1);
  EXPECT_EQ(FileSize(dir.Path()), -1);
  WriteFileAtomically(dir / "f", "12345");
  EXPECT_EQ(FileSize(dir / "f"), 5);
  EXPECT_TRUE(RenameFile(dir / "f", dir / "g"));
  EXPECT_FALSE(FileExists(dir / "f"));
  EXPECT_FALSE(RenameFile(dir / "f", dir / "h"));
  EXPECT_TRUE(DeleteFile(dir / "g"));
  EXPECT_FALSE(DeleteFile(dir / "g"));
}

TEST(FilesTest, ReadsLinesWhateverTheirEnds) {
  testing::TempDirectory dir;
  WriteFileAtomically(dir / "f", "one\r\ntwo\nthree");
  EXPECT_EQ(ReadFileLines(dir / "f"), (std::vector<std::string>{"one", "two", "three"}));
  WriteFileAtomically(dir / "f", "one\r\n\r\n");
  EXPECT_EQ(ReadFileLines(dir / "f"), (std::vector<std::string>{"one", ""}));
  WriteFileAtomically(dir / "f", "");
  EXPECT_TRUE(ReadFileLines(dir / "f").empty());
  EXPECT_THROW(ReadFileText(dir / "missing"), Error);
}

TEST(FilesTest, WriteFileAtomicallyReplacesTheWholeContent) {
  testing::TempDirectory dir;
  const std::string file = dir / "counters.actual.fprc";
  WriteFileAtomically(file, "first, rather long content");
  WriteFileAtomically(file, "second");
  EXPECT_EQ(ReadFileText(file), "second");
  EXPECT_THROW(WriteFileAtomically(dir / "missing/dir/f", "x"), Error);
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1u) << "no temporary file is left behind";
}

TEST(FilesTest, ConcurrentAtomicWritesOfOneFileNeverClash) {
  testing::TempDirectory dir;
  const std::string file = dir / "shared";
  std::vector<std::thread> threads;
  std::atomic<int> failures{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) {
        try {
          WriteFileAtomically(file, std::string(1000, static_cast<char>('a' + t)));
        } catch (const Error&) {
          ++failures;
        }
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(failures, 0);
  const std::string content = ReadFileText(file);
  ASSERT_EQ(content.size(), 1000u);
  EXPECT_EQ(content, std::string(1000, content[0]));
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.Path())) ++entries;
  EXPECT_EQ(entries, 1u);
}

TEST(FileLockTest, TwoHoldersExcludeEachOther) {
  testing::TempDirectory dir;
  const std::string file = dir / "series.lock";
  FileLock first, second;
  ASSERT_TRUE(first.Acquire(file, 0)) << first.Reason();
  EXPECT_TRUE(first.Held());
  EXPECT_FALSE(second.Acquire(file, 0));
  EXPECT_FALSE(second.Held());
  EXPECT_FALSE(second.Reason().empty());
  EXPECT_FALSE(second.Acquire(file, 50)) << "not granted within the time limit";

  // Released while the second holder waits: it gets the lock.
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    first.Release();
  });
  EXPECT_TRUE(second.Acquire(file, 10000)) << second.Reason();
  releaser.join();
  EXPECT_FALSE(first.Held());

  FileLock moved(std::move(second));
  EXPECT_TRUE(moved.Held());
  EXPECT_FALSE(second.Held());
  EXPECT_FALSE(first.Acquire(file, 0));
  moved.Release();
  EXPECT_TRUE(first.Acquire(file, 0));
}

TEST(FileLockTest, UnopenableFileIsReported) {
  testing::TempDirectory dir;
  FileLock lock;
  EXPECT_FALSE(lock.Acquire(dir / "missing/dir/x.lock", 0));
  EXPECT_NE(lock.Reason().find("cannot open"), std::string::npos) << lock.Reason();
  EXPECT_FALSE(lock.TimedOut());
  FileLock holder;
  ASSERT_TRUE(holder.Acquire(dir / "x.lock", 0));
  EXPECT_FALSE(lock.Acquire(dir / "x.lock", 0));
  EXPECT_TRUE(lock.TimedOut());
}

TEST(FileLockTest, RemovingTheFileWhileOthersWaitNeverLetsTwoHoldIt) {
  testing::TempDirectory dir;
  const std::string file = dir / "series.lock";
  FileLock remover, waiter, latecomer;
  ASSERT_TRUE(remover.Acquire(file, 0));
  // The waiter has opened the file and waits for its lock when the holder removes the file.
  std::thread removing([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    remover.ReleaseAndRemove();
  });
  ASSERT_TRUE(waiter.Acquire(file, 10000)) << waiter.Reason();
  removing.join();
  EXPECT_FALSE(remover.Held());
  // The waiter holds the file the path names now, so whoever opens the path next is excluded.
  EXPECT_TRUE(fs::exists(file));
  EXPECT_FALSE(latecomer.Acquire(file, 0)) << "two holders of one lock path";
  waiter.ReleaseAndRemove();
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(latecomer.Acquire(file, 0)) << latecomer.Reason();
}

TEST(ProcessTest, HostDirectoryAndCommandLine) {
  testing::TempDirectory dir;
  {
    testing::ScopedEnvironment host("QV_HOST_DIR", dir.Path());
    EXPECT_EQ(HostExecutableDirectory(), dir.Path() + "/");
  }
  const std::string real = HostExecutableDirectory();
  EXPECT_TRUE(IsAbsolutePath(real));
  EXPECT_EQ(real.back(), '/');
  EXPECT_EQ(HostExecutableBaseName(), "test_platform");
  EXPECT_EQ(WorkingDirectory().back(), '/');

  OverrideCommandLineArguments(std::vector<std::string>{"/BATCH", "x y"});
  EXPECT_EQ(CommandLineArguments(), (std::vector<std::string>{"/BATCH", "x y"}));
  OverrideCommandLineArguments(std::nullopt);
  for (const std::string& argument : CommandLineArguments()) EXPECT_NE(argument, "/BATCH");

  testing::ScopedEnvironment variable("DODU_TEST_VARIABLE", "value");
  EXPECT_EQ(EnvironmentVariable("DODU_TEST_VARIABLE"), "value");
  EXPECT_EQ(EnvironmentVariable("DODU_SURELY_NOT_SET_VARIABLE"), "");
  EXPECT_FALSE(LocalIPv4Address().empty());
}

}  // namespace
}  // namespace dodu

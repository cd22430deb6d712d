// The till's own files: private whatever the umask, never reached through a planted symbolic
// link, and the temporary files of a dead writer told from a live one's without process ids.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/error.h"
#include "base/temp_directory.h"
#include "platform/file_lock.h"
#include "platform/files.h"

namespace dodu {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

std::string Content(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The process's umask for the length of a test.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : fPrevious(umask(mask)) {}
  ~ScopedUmask() { umask(fPrevious); }

 private:
  mode_t fPrevious;
};

TEST(PrivateFilesTest, EverythingMadeIsPrivateWhateverTheUmask) {
  for (const mode_t mask : {mode_t{0}, mode_t{022}, mode_t{0277}}) {
    testing::TempDirectory dir;
    ScopedUmask scoped(mask);
    ASSERT_TRUE(ForceDirectories(dir / "a/b"));
    WriteFileAtomically(dir / "a/b/counters", "x");
    ASSERT_TRUE(AppendExclusively(dir / "a/log", "line\n"));
    CreatePrivateFile(dir / "a/store.db");
    FileLock lock;
    ASSERT_TRUE(lock.Acquire(dir / "a/series.lock", 0)) << lock.Reason();
    for (const char* directory : {"a", "a/b"}) EXPECT_EQ(ModeOf(dir / directory), 0700u) << directory << " umask " << mask;
    for (const char* file : {"a/b/counters", "a/log", "a/store.db", "a/series.lock"})
      EXPECT_EQ(ModeOf(dir / file), 0600u) << file << " umask " << mask;
  }
}

TEST(PrivateFilesTest, ASymbolicLinkInPlaceOfATillFileIsRefusedNotFollowed) {
  testing::TempDirectory dir;
  std::ofstream(dir / "bait") << "bait";
  for (const char* name : {"log", "counters", "check.b64", "lock"}) fs::create_symlink(dir / "bait", dir / name);
  fs::create_symlink(dir / "nowhere", dir / "dangling.log");

  EXPECT_FALSE(AppendExclusively(dir / "log", "customer data\n"));
  EXPECT_FALSE(AppendExclusively(dir / "dangling.log", "customer data\n"));
  EXPECT_FALSE(fs::exists(dir / "nowhere")) << "a dangling link made its target";
  EXPECT_THROW(WriteFileAtomically(dir / "counters", "<FPRCounters/>"), Error);
  EXPECT_THROW(ReadPrivateFileText(dir / "check.b64"), Error);
  FileLock lock;
  EXPECT_FALSE(lock.Acquire(dir / "lock", 0));
  EXPECT_EQ(Content(dir / "bait"), "bait");
  for (const char* name : {"log", "counters", "check.b64", "lock"}) EXPECT_TRUE(fs::is_symlink(dir / name)) << name;
  // The same names as plain files work.
  EXPECT_EQ(ReadFileText(dir / "bait"), "bait");
}

TEST(PrivateFilesTest, ATemporaryFileIsAbandonedWhenNoWriterHoldsItWhateverTheIdInItsName) {
  testing::TempDirectory dir;
  // A file left before a reboot can carry the id of a process that lives now: this one's, or
  // init's. Nobody holds it, so it goes.
  const std::string own_id = TemporaryFileNameFor(dir / "counters", getpid(), 1);
  const std::string init_id = TemporaryFileNameFor(dir / "counters", 1, 2);
  // A live writer (here another open of this process) holds its file locked until it is in place.
  const std::string held = TemporaryFileNameFor(dir / "check.b64", 1, 3);
  for (const std::string& file : {own_id, init_id, held}) std::ofstream(file) << "half";
  const int writer = open(held.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(writer, 0);
  ASSERT_EQ(flock(writer, LOCK_EX), 0);
  std::ofstream(dir / "counters.tmp.notanumber") << "not ours";

  EXPECT_EQ(RemoveStaleTemporaryFiles(dir.Path()), 2);
  EXPECT_FALSE(fs::exists(own_id));
  EXPECT_FALSE(fs::exists(init_id));
  EXPECT_TRUE(fs::exists(held));
  EXPECT_TRUE(fs::exists(dir / "counters.tmp.notanumber"));
  close(writer);
  EXPECT_EQ(RemoveStaleTemporaryFiles(dir.Path()), 1);
  EXPECT_FALSE(fs::exists(held));
}

}  // namespace
}  // namespace dodu

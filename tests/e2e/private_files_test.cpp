// The till's files hold customers' names, addresses and tax numbers (logs, store) and the store's
// password (qvSAFTPT.ini): a working directory made and used under a umask that gives everything
// away still has every directory 0700 and every file 0600, and a log planted as a symbolic link
// is not written through.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "base/temp_directory.h"
#include "support/child_process.h"

namespace dodu::testing {
namespace {

#if defined(DODU_FISCAL_HOST_PATH) && !defined(_WIN32)

namespace fs = std::filesystem;

struct ToolRun {
  int status = -1;
  std::string output;
};

// Runs fiscal-host with this build's library under umask 000.
ToolRun RunToolUnderUmask000(const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {"--library", DODU_LIBRARY_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  const mode_t previous = umask(0);
  ChildProcess tool(DODU_FISCAL_HOST_PATH, words, {}, true);
  umask(previous);
  const ProcessExit exit = tool.Wait();
  ToolRun run;
  run.output = tool.Output();
  run.status = exit.exited ? exit.code : -1;
  if (!tool.Started()) run.output = exit.text;
  return run;
}

std::string Content(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(PrivateFiles, InitAndADemoDayUnderUmask000LeaveEveryFileAndDirectoryPrivate) {
  TempDirectory temp;
  const fs::path day = fs::path(temp.Path()) / "day";
  const ToolRun init = RunToolUnderUmask000({"init", day.string()});
  ASSERT_EQ(init.status, 0) << init.output;
  const ToolRun demo = RunToolUnderUmask000({"-C", day.string(), "demo"});
  ASSERT_EQ(demo.status, 0) << demo.output;

  std::vector<fs::path> files, directories = {day};
  for (const auto& entry : fs::recursive_directory_iterator(day)) {
    if (entry.is_symlink()) ADD_FAILURE() << "symbolic link " << entry.path();
    else if (entry.is_directory()) directories.push_back(entry.path());
    else files.push_back(entry.path());
  }
  auto mode = [](const fs::path& path) {
    struct stat info {};
    lstat(path.c_str(), &info);
    return info.st_mode & 07777;
  };
  for (const fs::path& directory : directories) EXPECT_EQ(mode(directory), 0700u) << directory;
  for (const fs::path& file : files) EXPECT_EQ(mode(file), 0600u) << file;
  // The day wrote what the rule is about: the store, its settings, logs, counters, check files.
  auto has = [&](const std::string& ending) {
    for (const fs::path& file : files)
      if (file.string().ends_with(ending)) return true;
    return false;
  };
  for (const char* ending : {"store.db", "qvSAFTPT.ini", ".log", "counters.actual.fprc", ".b64", "-9999.fprd"})
    EXPECT_TRUE(has(ending)) << "no file ending in " << ending;

  // Every log replaced by a link to a bait file: the next call logs nowhere rather than there.
  const fs::path bait = fs::path(temp.Path()) / "bait";
  std::ofstream(bait) << "bait";
  int planted = 0;
  for (const fs::path& file : files) {
    if (file.extension() != ".log") continue;
    fs::remove(file);
    fs::create_symlink(bait, file);
    ++planted;
  }
  ASSERT_GT(planted, 0);
  const ToolRun status = RunToolUnderUmask000({"-C", day.string(), "status"});
  EXPECT_EQ(status.status, 0) << status.output;
  EXPECT_EQ(Content(bait), "bait");
  for (const fs::path& file : files)
    if (file.extension() == ".log") EXPECT_TRUE(fs::is_symlink(file)) << file;
}

#endif

}  // namespace
}  // namespace dodu::testing

// The rebuilding of what a power cut leaves, on small traces whose outcome is known.
#include <gtest/gtest.h>

#include "crash/power_cut.h"

namespace dodu::testing {
namespace {

using Kind = FileEvent::Kind;

FileEvent Event(Kind kind, const std::string& path, const std::string& target = "", uint64_t inode = 0,
                const std::string& content = "") {
  FileEvent e;
  e.kind = kind;
  e.path = path;
  e.target = target;
  e.inode = inode;
  e.content = content;
  return e;
}
FileEvent Create(const std::string& path, uint64_t inode) { return Event(Kind::kCreate, path, "", inode); }
FileEvent Mkdir(const std::string& path) { return Event(Kind::kMkdir, path); }
FileEvent Write(const std::string& path, uint64_t inode) { return Event(Kind::kWrite, path, "", inode); }
FileEvent Sync(const std::string& path, uint64_t inode, const std::string& content) {
  return Event(Kind::kSync, path, "", inode, content);
}
FileEvent DirSync(const std::string& path) { return Event(Kind::kDirSync, path); }
FileEvent Rename(const std::string& from, const std::string& to) { return Event(Kind::kRename, from, to); }
FileEvent Unlink(const std::string& path) { return Event(Kind::kUnlink, path); }

DiskBefore Before(std::map<std::string, std::pair<uint64_t, std::string>> files, std::set<std::string> directories) {
  directories.insert("");
  return {std::move(files), std::move(directories)};
}

DiskState State(std::set<std::string> directories, std::map<std::string, std::string> files) {
  directories.insert("");
  return {std::move(directories), std::move(files)};
}

struct Case {
  const char* what;
  DiskBefore before;
  std::vector<FileEvent> events;
  size_t cut;
  DiskState strict, ordered;
};

TEST(PowerCutTest, RebuildsWhatEachRuleLeaves) {
  const DiskBefore counters = Before({{"d/c", {7, "old"}}}, {"d"});
  // An atomic replace: a temporary written, synced, renamed over the file, the directory synced.
  const std::vector<FileEvent> replace = {Create("d/c.tmp", 8), Write("d/c.tmp", 8), Sync("d/c.tmp", 8, "new"),
                                          Rename("d/c.tmp", "d/c"), DirSync("d")};
  const std::vector<Case> cases = {
      {"a file created and synced, its directory never: strict loses the name",
       Before({}, {"d"}),
       {Create("d/f", 1), Write("d/f", 1), Sync("d/f", 1, "data")},
       3,
       State({"d"}, {}),
       State({"d"}, {{"d/f", "data"}})},
      {"a file synced, then written again: the data of its last sync",
       Before({}, {"d"}),
       {Create("d/f", 1), Write("d/f", 1), Sync("d/f", 1, "one"), DirSync("d"), Write("d/f", 1)},
       5,
       State({"d"}, {{"d/f", "one"}}),
       State({"d"}, {{"d/f", "one"}})},
      {"a new file never synced: there but empty when its name is",
       Before({}, {"d"}),
       {Create("d/f", 1), Write("d/f", 1), DirSync("d")},
       3,
       State({"d"}, {{"d/f", ""}}),
       State({"d"}, {{"d/f", ""}})},
      {"an atomic replace cut before the directory sync: strict keeps the old file and no temporary",
       counters, replace, 4, State({"d"}, {{"d/c", "old"}}), State({"d"}, {{"d/c", "new"}})},
      {"an atomic replace cut before the rename: the synced temporary is left beside the old file",
       counters, replace, 3, State({"d"}, {{"d/c", "old"}}), State({"d"}, {{"d/c", "old"}, {"d/c.tmp", "new"}})},
      {"an atomic replace complete", counters, replace, 5, State({"d"}, {{"d/c", "new"}}), State({"d"}, {{"d/c", "new"}})},
      {"a new directory whose parent was never synced takes its synced files with it",
       Before({}, {"a"}),
       {Mkdir("a/d"), Create("a/d/f", 1), Sync("a/d/f", 1, "x"), DirSync("a/d")},
       4,
       State({"a"}, {}),
       State({"a", "a/d"}, {{"a/d/f", "x"}})},
      {"the same with the parent synced after the mkdir: everything stays",
       Before({}, {"a"}),
       {Mkdir("a/d"), DirSync("a"), Create("a/d/f", 1), Sync("a/d/f", 1, "x"), DirSync("a/d")},
       5,
       State({"a", "a/d"}, {{"a/d/f", "x"}}),
       State({"a", "a/d"}, {{"a/d/f", "x"}})},
      {"an unlink not synced: strict brings the file back with its content",
       Before({{"d/p", {3, "pending"}}}, {"d"}),
       {Unlink("d/p")},
       1,
       State({"d"}, {{"d/p", "pending"}}),
       State({"d"}, {})},
      {"an inode number reused by a new file does not take the old file's data",
       Before({{"d/c", {5, "old"}}}, {"d"}),
       {Unlink("d/c"), DirSync("d"), Create("d/n", 5), DirSync("d")},
       4,
       State({"d"}, {{"d/n", ""}}),
       State({"d"}, {{"d/n", ""}})},
      {"a cut at the very start leaves what was there", counters, replace, 0, State({"d"}, {{"d/c", "old"}}),
       State({"d"}, {{"d/c", "old"}})},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StateAfterCut(c.before, c.events, c.cut, CutRule::kStrict), c.strict) << "strict: " << c.what;
    EXPECT_EQ(StateAfterCut(c.before, c.events, c.cut, CutRule::kOrdered), c.ordered) << "ordered: " << c.what;
  }
}

TEST(PowerCutTest, DigestsTellStatesApart) {
  const DiskState a = State({"d"}, {{"d/f", "x"}});
  const DiskState b = State({"d"}, {{"d/f", "y"}});
  const DiskState c = State({"d", "d/f"}, {});
  EXPECT_EQ(a.Digest(), State({"d"}, {{"d/f", "x"}}).Digest());
  EXPECT_NE(a.Digest(), b.Digest());
  EXPECT_NE(a.Digest(), c.Digest());
  EXPECT_THROW(StateAfterCut(Before({}, {}), {}, 1, CutRule::kStrict), std::out_of_range);
}

}  // namespace
}  // namespace dodu::testing

#pragma once

// What a power cut leaves on disk, rebuilt from the recorded file operations of a process.
//
// Two rules. Strict (what POSIX promises): a file's data is what it held at its last sync, and
// a create, mkdir, rename or unlink survives only if its directory was synced after it. Ordered
// (ext4's default, data=ordered with delayed allocation): names change on disk in the order they
// were made, every one made before the cut survives, while a file's data is still only what it
// held at its last sync. An ordered cut that loses the last few names is the ordered state of
// an earlier point, so going through every point covers those too.

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace dodu::testing {

struct FileEvent {
  enum class Kind { kCreate, kMkdir, kWrite, kSync, kDirSync, kRename, kUnlink, kAck };
  Kind kind = Kind::kWrite;
  std::string path;      // relative to the till's root; kRename: the source
  std::string target;    // kRename: the destination
  uint64_t inode = 0;    // kCreate, kWrite, kSync
  std::string content;   // kSync: the file's whole content at the sync
  int ack = -1;          // kAck: the step whose answer reached the caller
  int ackCode = 0;       // kAck: that answer's code
};

// The files before the recorded process began, all on disk: path -> (inode, content), and the
// directories ("" is the root).
struct DiskBefore {
  std::map<std::string, std::pair<uint64_t, std::string>> files;
  std::set<std::string> directories;
};

// What is on disk after the cut: the directories and the files with their content.
struct DiskState {
  std::set<std::string> directories;
  std::map<std::string, std::string> files;
  bool operator==(const DiskState&) const = default;
  // A digest that tells two states apart (for replaying each distinct state once).
  uint64_t Digest() const;
};

enum class CutRule { kStrict, kOrdered };
const char* CutRuleName(CutRule rule);

// The disk after a cut just before events[cut] (cut == events.size(): after the last one).
DiskState StateAfterCut(const DiskBefore& before, const std::vector<FileEvent>& events, size_t cut, CutRule rule);

// Reads the recorder's trace (trace.tsv and its blobs in the directory); paths outside root are
// left out, the others made relative to it.
std::vector<FileEvent> ReadTrace(const std::string& trace_directory, const std::string& root);

}  // namespace dodu::testing

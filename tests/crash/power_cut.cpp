#include "crash/power_cut.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

namespace dodu::testing {

namespace {

std::string ParentOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// One file as the file system knows it, whatever names it has: inode numbers are reused, so
// every create makes a new one.
std::vector<int> FileOfEachEvent(const DiskBefore& before, const std::vector<FileEvent>& events,
                                 std::map<std::string, int>& before_files) {
  std::map<uint64_t, int> current;
  int next = 0;
  for (const auto& [path, file] : before.files) {
    before_files[path] = next;
    current[file.first] = next++;
  }
  std::vector<int> files(events.size(), -1);
  for (size_t i = 0; i < events.size(); ++i) {
    const FileEvent& e = events[i];
    if (e.kind == FileEvent::Kind::kCreate) current[e.inode] = next++;
    if (e.kind == FileEvent::Kind::kCreate || e.kind == FileEvent::Kind::kSync || e.kind == FileEvent::Kind::kWrite) {
      auto found = current.find(e.inode);
      if (found == current.end()) found = current.emplace(e.inode, next++).first;
      files[i] = found->second;
    }
  }
  return files;
}

}  // namespace

const char* CutRuleName(CutRule rule) { return rule == CutRule::kStrict ? "strict" : "ordered"; }

uint64_t DiskState::Digest() const {
  uint64_t hash = 1469598103934665603ull;
  auto add = [&](const std::string& text) {
    for (const char c : text) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    hash = (hash ^ 0xff) * 1099511628211ull;
    hash = (hash ^ text.size()) * 1099511628211ull;
  };
  for (const std::string& directory : directories) add("d" + directory);
  for (const auto& [path, content] : files) {
    add("f" + path);
    add(content);
  }
  return hash;
}

DiskState StateAfterCut(const DiskBefore& before, const std::vector<FileEvent>& events, size_t cut, CutRule rule) {
  if (cut > events.size()) throw std::out_of_range("cut past the trace");
  std::map<std::string, int> before_files;
  const std::vector<int> file_of = FileOfEachEvent(before, events, before_files);

  // A name change in a directory is on disk when the directory was synced after it (strict) or
  // always (ordered).
  std::vector<size_t> next_sync_of_source(events.size(), events.size()), next_sync_of_target(events.size(), events.size());
  std::map<std::string, size_t> next_sync;  // directory -> index of its next sync
  for (size_t i = events.size(); i-- > 0;) {
    const auto source = next_sync.find(ParentOf(events[i].path));
    if (source != next_sync.end()) next_sync_of_source[i] = source->second;
    const auto target = next_sync.find(ParentOf(events[i].target));
    if (target != next_sync.end()) next_sync_of_target[i] = target->second;
    if (events[i].kind == FileEvent::Kind::kDirSync) next_sync[events[i].path] = i;
  }
  auto survives = [&](size_t i, bool target) {
    return rule == CutRule::kOrdered || (target ? next_sync_of_target[i] : next_sync_of_source[i]) < cut;
  };

  constexpr int kDirectory = -1;
  std::map<std::string, int> names;  // path -> file, or kDirectory
  for (const std::string& directory : before.directories) names[directory] = kDirectory;
  for (const auto& [path, file] : before_files) names[path] = file;
  std::map<int, const std::string*> synced;  // file -> content at its last sync before the cut
  for (size_t i = 0; i < cut; ++i) {
    const FileEvent& e = events[i];
    switch (e.kind) {
      case FileEvent::Kind::kMkdir:
        if (survives(i, false)) names[e.path] = kDirectory;
        break;
      case FileEvent::Kind::kCreate:
        if (survives(i, false)) names[e.path] = file_of[i];
        break;
      case FileEvent::Kind::kRename:
        if (survives(i, false) && survives(i, true)) {
          const auto from = names.find(e.path);
          if (from != names.end()) {
            const int file = from->second;
            names.erase(from);
            names[e.target] = file;
          }
        }
        break;
      case FileEvent::Kind::kUnlink:
        if (survives(i, false)) names.erase(e.path);
        break;
      case FileEvent::Kind::kSync:
        synced[file_of[i]] = &e.content;
        break;
      default:
        break;
    }
  }

  std::map<int, const std::string*> before_content;
  for (const auto& [path, file] : before_files) before_content[file] = &before.files.at(path).second;
  DiskState state;
  // Parents sort before their children: a name whose directory did not survive goes with it.
  for (const auto& [path, file] : names) {
    if (!path.empty() && !state.directories.contains(ParentOf(path))) continue;
    if (file == kDirectory) {
      state.directories.insert(path);
      continue;
    }
    const auto last_sync = synced.find(file);
    const auto original = before_content.find(file);
    state.files[path] = last_sync != synced.end()     ? *last_sync->second
                        : original != before_content.end() ? *original->second
                                                            : std::string();
  }
  return state;
}

std::vector<FileEvent> ReadTrace(const std::string& trace_directory, const std::string& root) {
  std::ifstream in(trace_directory + "/trace.tsv", std::ios::binary);
  if (!in) throw std::runtime_error("no trace in " + trace_directory);
  auto relative = [&](const std::string& path, std::string& out) {
    if (path == root) {
      out.clear();
      return true;
    }
    if (!path.starts_with(root + "/")) return false;
    out = path.substr(root.size() + 1);
    return true;
  };
  std::vector<FileEvent> events;
  for (std::string line; std::getline(in, line);) {
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    while (fields.size() < 4) fields.emplace_back();
    const std::string& kind = fields[0];
    FileEvent e;
    e.inode = std::stoull(fields[1]);
    if (kind == "ack") {
      e.kind = FileEvent::Kind::kAck;
      e.ack = std::stoi(fields[2]);
      e.ackCode = std::stoi(fields[3]);
      events.push_back(e);
      continue;
    }
    if (!relative(fields[2], e.path)) continue;
    if (kind == "create") e.kind = FileEvent::Kind::kCreate;
    else if (kind == "mkdir") e.kind = FileEvent::Kind::kMkdir;
    else if (kind == "write") e.kind = FileEvent::Kind::kWrite;
    else if (kind == "dirsync") e.kind = FileEvent::Kind::kDirSync;
    else if (kind == "unlink") e.kind = FileEvent::Kind::kUnlink;
    else if (kind == "rename") {
      e.kind = FileEvent::Kind::kRename;
      if (!relative(fields[3], e.target)) throw std::runtime_error("rename out of the root: " + line);
    } else if (kind == "sync") {
      e.kind = FileEvent::Kind::kSync;
      std::ifstream blob(trace_directory + "/" + fields[3], std::ios::binary);
      if (!blob) throw std::runtime_error("missing blob " + fields[3]);
      std::ostringstream content;
      content << blob.rdbuf();
      e.content = content.str();
    } else {
      throw std::runtime_error("unknown event: " + line);
    }
    events.push_back(std::move(e));
  }
  return events;
}

}  // namespace dodu::testing

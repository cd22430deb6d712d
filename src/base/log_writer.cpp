#include "base/log_writer.h"

#include <algorithm>

#include "base/date_time.h"
#include "base/error.h"
#include "base/no_destructor.h"
#include "base/text_encoding.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace dodu {

namespace {

std::string CutMessage(const std::string& aMessage, int32_t aMaxLength) {
  return aMaxLength > 0 ? Utf16Prefix(aMessage, static_cast<size_t>(aMaxLength)) : aMessage;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// tQV_LogThread

tQV_LogThread& tQV_LogThread::Instance() {
  // Built once and never destroyed: no destruction order at exit or unload can reach it.
  static NoDestructor<tQV_LogThread> instance;
  return *instance;
}

void tQV_LogThread::Push(tQV_LogWriter& aWriter, std::string aLine) {
  std::thread ended;
  {
    std::lock_guard<std::mutex> lock(fMutex);
    fQueue.emplace_back(&aWriter, std::move(aLine));
    ++aWriter.fPending;
    if (!fRunning) {
      // An idle thread that ended by itself has returned already; joining it only reaps it.
      ended = std::move(fThread);
      fStop = false;
      fRunning = true;
      fThread = std::thread(&tQV_LogThread::Execute, this);
    }
  }
  fChanged.notify_all();
  if (ended.joinable()) ended.join();
}

size_t tQV_LogThread::Pending(const tQV_LogWriter& aWriter) const {
  std::lock_guard<std::mutex> lock(fMutex);
  return aWriter.fPending;
}

void tQV_LogThread::WaitUntilIdle(const tQV_LogWriter& aWriter) const {
  std::unique_lock<std::mutex> lock(fMutex);
  fChanged.wait(lock, [&] { return aWriter.fPending == 0; });
}

void tQV_LogThread::WaitUntilAllIdle() const {
  std::unique_lock<std::mutex> lock(fMutex);
  fChanged.wait(lock, [&] { return fQueue.empty(); });
}

bool tQV_LogThread::Running() const {
  std::lock_guard<std::mutex> lock(fMutex);
  return fRunning;
}

void tQV_LogThread::Stop() {
  std::thread thread;
  {
    std::unique_lock<std::mutex> lock(fMutex);
    fChanged.wait(lock, [&] { return fQueue.empty(); });
    fStop = true;
    thread = std::move(fThread);
  }
  fChanged.notify_all();
  if (thread.joinable()) thread.join();
}

void tQV_LogThread::Execute() {
  std::unique_lock<std::mutex> lock(fMutex);
  for (;;) {
    if (!fChanged.wait_for(lock, kIdleLifetime, [this] { return fStop || !fQueue.empty(); }) || fQueue.empty()) {
      // Idle for kIdleLifetime, or told to stop with nothing left: the next line starts a new thread.
      fRunning = false;
      return;
    }
    // The line leaves the queue only once it is in the file, so a flush sees it as pending.
    tQV_LogWriter& writer = *fQueue.front().first;
    std::string line = std::move(fQueue.front().second);
    lock.unlock();
    try {
      writer.AppendLine(line);
    } catch (...) {
      // Nothing may escape the thread; the line counts as dropped.
      ++writer.fDropped;
    }
    lock.lock();
    fQueue.pop_front();
    --writer.fPending;
    fChanged.notify_all();
  }
}

// ---------------------------------------------------------------------------------------------
// tQV_LogWriter

tQV_LogWriter::tQV_LogWriter(const std::string& aFileName, const std::string& aDirectory,
                             int32_t aMaxMessageLength, bool aDaily) {
  // A daily name keeps the date of creation; a writer living past midnight stays on that file.
  fFileName = aDaily ? aFileName + "_" + FormatDateTime("yyyymmdd", Now()) + ".log" : aFileName + ".log";
  SetDirectory(aDirectory);
  fMaxMessageLength = aMaxMessageLength;
  fDaily = aDaily;
  fCounter = 0;
  fMaxLogfileSize = kDefaultMaxLogfileSizeKiB;
}

// The queue holds this writer by address until its lines are written.
tQV_LogWriter::~tQV_LogWriter() { tQV_LogThread::Instance().WaitUntilIdle(*this); }

std::string_view tQV_LogWriter::ExcerptPrefix(std::string_view aMessage) {
  if (aMessage.size() <= kMaxLoggedMessageBytes) return aMessage;
  size_t end = kMaxLoggedMessageBytes;
  // Never half a character: step back over continuation bytes.
  while (end > 0 && (static_cast<unsigned char>(aMessage[end]) & 0xC0) == 0x80) --end;
  return aMessage.substr(0, end);
}

std::string tQV_LogWriter::Excerpt(std::string_view aMessage) {
  if (aMessage.size() <= kMaxLoggedMessageBytes) return std::string(aMessage);
  return std::string(ExcerptPrefix(aMessage)) + " ... [cut: " + std::to_string(aMessage.size()) + " bytes in all]";
}

std::string tQV_LogWriter::FormatLine(tQV_MessageType aEntryType, const std::string& aMessage,
                                      int32_t aMaxMessageLength) {
  return FormatDateTime("yyyy-mm-dd hh:mm:ss:zzz", Now()) + (aEntryType == let_error ? " - ERROR - " : " - ") +
         CutMessage(Excerpt(aMessage), aMaxMessageLength);
}

void tQV_LogWriter::Write(tQV_MessageType aEntryType, const std::string& aMessage) {
  // A path without a name part would only ever fail to open, so it counts as empty too.
  if (FileNameOf(FileName()).empty()) throw Error("Log filename is empty ");
  tQV_LogThread::Instance().Push(*this, FormatLine(aEntryType, aMessage, fMaxMessageLength));
}

int64_t tQV_LogWriter::GetLogFileSize() const { return FileSize(FileName()); }

bool tQV_LogWriter::CheckLogfileSize() const { return fCounter % 20 == 0; }

void tQV_LogWriter::Flush() const { tQV_LogThread::Instance().WaitUntilIdle(*this); }

std::string tQV_LogWriter::Directory() const {
  std::lock_guard<std::mutex> lock(fNameMutex);
  return fDirectory;
}

void tQV_LogWriter::SetDirectory(const std::string& aDirectory) {
  std::lock_guard<std::mutex> lock(fNameMutex);
  std::string file_name = JoinPath(aDirectory, FileNameOf(fFileName));
  fDirectory = aDirectory;
  fFileName = std::move(file_name);
  if (!aDirectory.empty()) ForceDirectories(aDirectory);
}

std::string tQV_LogWriter::FileName() const {
  std::lock_guard<std::mutex> lock(fNameMutex);
  return fFileName;
}

void tQV_LogWriter::SetFileName(const std::string& aFileName) {
  std::lock_guard<std::mutex> lock(fNameMutex);
  fFileName = JoinPath(fDirectory, FileNameOf(aFileName));
}

void tQV_LogWriter::RenameIfTooLarge(const std::string& aFileName) {
  if (FileSize(aFileName) <= static_cast<int64_t>(fMaxLogfileSize) * 1024) return;
  std::string target = WithoutExtension(aFileName) + "_" + FormatDateTime("yyyymmddhhnnsszzz", Now()) + ".log";
  // Never replace an earlier dated file; a failed rename is tried again at a later check.
  if (FileExists(target)) return;
  RenameFile(aFileName, target);
}

bool tQV_LogWriter::TryAppend(const std::string& aFileName, const std::string& aLine) {
  const std::string line = aLine + "\r\n";
  if (AppendExclusively(aFileName, line)) return true;
  // The directory went away while the writer lived: bring it back.
  if (DirectoryOf(aFileName).empty() || DirectoryExists(DirectoryOf(aFileName))) return false;
  ForceDirectories(DirectoryOf(aFileName));
  return AppendExclusively(aFileName, line);
}

void tQV_LogWriter::AppendLine(const std::string& aLine) {
  const std::string file_name = FileName();
  if (CheckLogfileSize()) RenameIfTooLarge(file_name);
  ++fCounter;
  const int attempts = std::max(1, fWriteAttempts.load());
  for (int attempt = 1; attempt <= attempts; ++attempt) {
    if (TryAppend(file_name, aLine)) return;
    // A symbolic link in the log's place is refused for good: waiting would only hold the queue.
    if (IsSymbolicLink(file_name)) break;
    if (attempt < attempts) std::this_thread::sleep_for(std::chrono::milliseconds(fRetryDelayMs.load()));
  }
  ++fDropped;
}

}  // namespace dodu

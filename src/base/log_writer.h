#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "base/message_type.h"
#include "base/no_destructor.h"

namespace dodu {

class tQV_LogWriter;

// The one background thread of every log writer in the process: it appends the queued lines to
// their files one by one, so callers never wait for the disk. Threads do not grow with the number
// of writers, and the thread ends by itself once no line came for kIdleLifetime; the next line
// starts it again. Lines of one writer reach its file in the order they were written.
class tQV_LogThread {
 public:
  static constexpr std::chrono::milliseconds kIdleLifetime{2000};

  // The process's instance. It is never destroyed (writers may outlive any static), and it holds
  // no thread while idle.
  static tQV_LogThread& Instance();
  tQV_LogThread(const tQV_LogThread&) = delete;
  tQV_LogThread& operator=(const tQV_LogThread&) = delete;

  void Push(tQV_LogWriter& aWriter, std::string aLine);
  // Lines of aWriter not yet in its file.
  size_t Pending(const tQV_LogWriter& aWriter) const;
  // Blocks until every line of aWriter queued so far has been written or dropped.
  void WaitUntilIdle(const tQV_LogWriter& aWriter) const;
  // Blocks until every line of every writer queued so far has been written or dropped.
  void WaitUntilAllIdle() const;
  // At library unload: writes out what is queued and ends the thread. The thread is joined
  // only here and when a new one replaces an ended one, never while a line waits; the next
  // line (if any) would start a new thread.
  void Stop();
  // Whether a thread runs now (tests).
  bool Running() const;

 private:
  friend class NoDestructor<tQV_LogThread>;
  tQV_LogThread() = default;
  void Execute();

  // Guards everything below and each writer's fPending; never held while a file is written.
  mutable std::mutex fMutex;
  mutable std::condition_variable fChanged;
  // One entry per queued line: the writer and the line, oldest first.
  // A list holds no memory while empty, so nothing is left behind when the library unloads.
  std::list<std::pair<tQV_LogWriter*, std::string>> fQueue;
  bool fRunning = false;
  bool fStop = false;
  std::thread fThread;
};

// Time-stamped lines to a UTF-8 log file with CR LF line ends. Write only queues the line; the
// writer's thread appends it, renames a file grown past the size limit to a dated name, and
// retries while another writer holds the file.
class tQV_LogWriter {
 public:
  static constexpr int32_t kDefaultMaxLogfileSizeKiB = 5000;
  static constexpr int kDefaultWriteAttempts = 10;
  static constexpr std::chrono::milliseconds kDefaultRetryDelay{50};

  // aFileName without extension; with aDaily the creation date is part of the name. Creates the
  // directory (with its parents); the shared log thread writes the lines.
  tQV_LogWriter(const std::string& aFileName, const std::string& aDirectory, int32_t aMaxMessageLength,
                bool aDaily);
  // Every line queued before returns reaches the file (or is dropped after its attempts).
  ~tQV_LogWriter();
  tQV_LogWriter(const tQV_LogWriter&) = delete;
  tQV_LogWriter& operator=(const tQV_LogWriter&) = delete;

  // Queues one line stamped with the current local time; raises "Log filename is empty ".
  void Write(tQV_MessageType aEntryType, const std::string& aMessage);
  // Size of the current log file in bytes, -1 when it cannot be read.
  int64_t GetLogFileSize() const;
  // Whether the size check is due for the next line (the first and every twentieth).
  bool CheckLogfileSize() const;
  // Blocks until every line queued so far has been written or dropped.
  void Flush() const;

  std::string Directory() const;
  // Moves the file to the directory (created with its parents), keeping the name part.
  void SetDirectory(const std::string& aDirectory);
  std::string FileName() const;
  // Keeps the directory and takes only the name part of aFileName.
  void SetFileName(const std::string& aFileName);
  int32_t MaxMessageLength() const { return fMaxMessageLength; }
  void SetMaxMessageLength(int32_t aValue) { fMaxMessageLength = aValue; }
  bool Daily() const { return fDaily; }
  int32_t MaxLogFileSize() const { return fMaxLogfileSize; }  // KiB
  void SetMaxLogFileSize(int32_t aKiB) { fMaxLogfileSize = aKiB; }
  int32_t Counter() const { return fCounter; }

  // Retry policy of an append that finds the file busy.
  void SetWriteAttempts(int aAttempts) { fWriteAttempts = aAttempts; }
  void SetRetryDelay(std::chrono::milliseconds aDelay) { fRetryDelayMs = aDelay.count(); }
  // Lines given up after their attempts, since creation.
  int64_t DroppedLineCount() const { return fDropped; }

  // The most of one message a line keeps: a message past it (a whole answer of a device, a
  // document of some thousand lines) keeps its beginning and a note of its length, so no single
  // message can fill a disk or the writer's queue. Far above a receipt's size.
  static constexpr size_t kMaxLoggedMessageBytes = 256 * 1024;
  // The beginning of the message a line keeps (whole UTF-8 characters, at most the bound).
  static std::string_view ExcerptPrefix(std::string_view aMessage);
  // The message as a line keeps it: whole when within the bound, else its prefix and a note.
  static std::string Excerpt(std::string_view aMessage);

  // The line as it goes to the file, without its CR LF; the message kept as Excerpt does.
  static std::string FormatLine(tQV_MessageType aEntryType, const std::string& aMessage,
                                int32_t aMaxMessageLength);

 private:
  friend class tQV_LogThread;
  // Runs on the writer's thread only.
  void AppendLine(const std::string& aLine);
  bool TryAppend(const std::string& aFileName, const std::string& aLine);
  void RenameIfTooLarge(const std::string& aFileName);

  // Guards fDirectory and fFileName, which callers may change while the thread writes.
  mutable std::mutex fNameMutex;
  std::string fDirectory;
  std::atomic<int32_t> fMaxMessageLength{0};
  std::string fFileName;
  bool fDaily = false;
  std::atomic<int32_t> fMaxLogfileSize{kDefaultMaxLogfileSizeKiB};
  std::atomic<int32_t> fCounter{0};
  std::atomic<int> fWriteAttempts{kDefaultWriteAttempts};
  std::atomic<int64_t> fRetryDelayMs{kDefaultRetryDelay.count()};
  std::atomic<int64_t> fDropped{0};
  // Lines queued and not yet written; guarded by the log thread's mutex.
  size_t fPending = 0;
};

}  // namespace dodu

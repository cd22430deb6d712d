#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <variant>
#include <vector>

#include "base/amount.h"
#include "base/date_time.h"
#include "base/message_type.h"

namespace dodu {

class FileLock;
class tQV_LogWriter;

// One release of the driver.
class tQV_ApplicationHistory {
 public:
  explicit tQV_ApplicationHistory(std::string aVersion) : fVersion(std::move(aVersion)) {}

  const std::string& Version() const { return fVersion; }
  DateTime ReleaseDate() const { return fReleaseDate; }
  const std::string& Author() const { return fAuthor; }
  const std::vector<std::string>& Text() const { return fText; }

 private:
  friend class tQV_ApplicationInfo;
  std::string fVersion;
  DateTime fReleaseDate;
  std::string fAuthor;
  std::vector<std::string> fText;
};

// The driver's identity and release history, read from the version history entries.
class tQV_ApplicationInfo {
 public:
  // The entry of a string id, empty when the id has none.
  using StringSource = std::function<std::string(int aId)>;

  // From the compiled-in version history.
  void Load();
  // Scans ids upward from 10000 until 11 ids in a row have no entry.
  void Load(const StringSource& aSource);

  const std::string& Description() const { return fDescription; }
  const std::string& Copyright() const { return fCopyright; }
  const std::string& Version() const { return fVersion; }  // of the last release
  DateTime ReleaseDate() const { return fReleaseDate; }    // of the last release
  // "[" + version + " - " + release date in the system's short date format + "]".
  std::string VersionString() const;
  const std::vector<tQV_ApplicationHistory>& History() const { return fHistory; }

 private:
  std::string fDescription;
  std::string fCopyright;
  std::string fVersion;
  DateTime fReleaseDate;
  std::vector<tQV_ApplicationHistory> fHistory;
};

// A setting's value: any simple type, or empty.
using tQV_SetupValue = std::variant<std::monostate, bool, int64_t, std::string, Amount, DateTime>;

struct tQV_SetupEntry {
  std::string fName;
  tQV_SetupValue fValue;
};

// Named settings; names compare without regard to letter case.
class tQV_Setup {
 public:
  // The value, or an empty value when the name is not defined.
  tQV_SetupValue GetValue(const std::string& aName) const;
  void SetValue(const std::string& aName, tQV_SetupValue aValue);
  void Define(const std::string& aName) { SetValue(aName, std::monostate{}); }
  size_t Count() const { return fList.size(); }

 private:
  std::vector<tQV_SetupEntry> fList;
};

// The wait indicator. A library has no window of its own, so only its state is kept.
class tQV_Wait {
 public:
  // The language is read at every Start: "en" (any case) shows the English text.
  explicit tQV_Wait(const std::string& aLanguage) : fLanguage(aLanguage) {}

  // The text in the current language, and aText on a line of its own when given.
  void Start(const std::string& aText = std::string());
  void Stop() { fStarted = false; }
  const std::string& Text() const { return fLabel; }
  bool Started() const { return fStarted; }
  // The extra text of the last Start.
  const std::string& ExtraText() const { return fExtraText; }

  static constexpr const char* kText_IT = "Attendere prego ...";
  static constexpr const char* kText_EN = "Wait please ...";

 private:
  const std::string& fLanguage;
  std::string fLabel;
  std::string fExtraText;
  bool fStarted = false;
};

// The tray icon description of a host window; kept as state only.
struct tQV_IconData {
  void* fWindow = nullptr;
  uint32_t fCallbackMessage = 1124;
  uint32_t fIconId = 1;
};

// The process-wide application object: identity and version history, the application log, the
// host's command-line switches, messages and a nested stopwatch.
class tQV_Application {
 public:
  // Starts the application log (ExeBaseName() + ".log" in ExePath() + "LogFiles") and reads the
  // version history and the switches /BATCH, /DEBUG and /TEST.
  tQV_Application();
  // Writes out the application log's queue.
  ~tQV_Application();
  tQV_Application(const tQV_Application&) = delete;
  tQV_Application& operator=(const tQV_Application&) = delete;

  // Safe from any thread; an error entry also becomes LastError.
  void Log(tQV_MessageType aEntryType, const std::string& aMessage);
  std::string GetLogDirectory() const;
  std::string GetLogFileName() const;
  // A relative directory is taken below ExePath() + "LogFiles".
  void ChangeLogDirectory(const std::string& aNewDir);
  void ChangeLogFilename(const std::string& aNewFileName);
  void ForceIsBatch(bool aValue = true) { fIsBatch = aValue; }

  // Looked up as Language + "." + id, then id + "." + DefaultLanguage, else the id itself.
  // Without values each "\r\n" written as four characters becomes CR LF.
  std::string GetMessage(const std::string& aMessageId) const;
  // The text formatted with the values: %s or %d (or %n:s, %n:d by index) take the next (or the
  // n-th) value, %% is a percent sign. Raises when a placeholder has no value.
  std::string GetMessage(const std::string& aMessageId, const std::vector<std::string>& aValues) const;
  // Lines "id:text"; the first text of an id wins.
  void LoadMessages(const std::string& aData);

  // Nested stopwatch in milliseconds of the time of day (a measurement across midnight comes out
  // below zero). StopTimer and GetTimerValue raise when nothing is running.
  void StartTimer();
  int64_t StopTimer();
  int64_t GetTimerValue() const;
  size_t GetTimerCount() const { return fTimers.size(); }

  void CreateNotifyIcon(void* aForm);
  void DeleteNotifyIcon();
  bool SingleInstance() const { return fSingleInstance; }
  // Taking the lock while another process (or application object) holds it notifies the user
  // with "Impossible to enter single instance mode." and raises that text.
  void SetSingleInstance(bool aValue);
  // What NotifyUser does for this application object.
  void Notify(int32_t aKind, const std::string& aText);
  // Ends the host process after half a second.
  [[noreturn]] void Terminate();

  tQV_Wait& Wait() { return *fWait; }
  tQV_Setup& Setup() { return *fSetup; }
  bool NotifyIcon() const { return fNotifyIcon; }
  const tQV_IconData& IconData() const { return fIconData; }
  bool HideOnMinimize() const { return fHideOnMinimize; }
  void SetHideOnMinimize(bool aValue) { fHideOnMinimize = aValue; }
  std::string LastError() const;
  bool IsBatch() const { return fIsBatch; }
  bool IsDebug() const { return fIsDebug; }
  bool IsTest() const { return fIsTest; }
  bool TerminateOnExceptionIfBatch() const { return fTerminateOnExceptionIfBatch; }
  void SetTerminateOnExceptionIfBatch(bool aValue) { fTerminateOnExceptionIfBatch = aValue; }
  const std::string& DefaultLanguage() const { return fDefaultLanguage; }
  void SetDefaultLanguage(const std::string& aValue) { fDefaultLanguage = aValue; }
  const std::string& Language() const { return fLanguage; }
  void SetLanguage(const std::string& aValue) { fLanguage = aValue; }
  const tQV_ApplicationInfo& Info() const { return *fInfo; }
  tQV_LogWriter& Logger() { return *fLogger; }

  // The name of the single-instance lock file.
  static std::string SingleInstanceLockFileName();

 private:
  std::unique_ptr<tQV_Setup> fSetup;
  std::unique_ptr<tQV_Wait> fWait;
  tQV_IconData fIconData;
  bool fNotifyIcon = false;
  bool fHideOnMinimize = false;
  std::unique_ptr<tQV_LogWriter> fLogger;
  mutable std::mutex fLastErrorMutex;
  std::string fLastError;
  bool fIsBatch = false;
  bool fIsDebug = false;
  bool fIsTest = false;
  bool fSingleInstance = false;
  std::unique_ptr<FileLock> fSingleInstanceLock;
  bool fTerminateOnExceptionIfBatch = false;
  std::string fDefaultLanguage;
  std::string fLanguage;
  std::map<std::string, std::string> fMessages;
  std::unique_ptr<tQV_ApplicationInfo> fInfo;
  std::vector<DateTime> fTimers;
};

// The one application object of the process, from library load to unload.
extern tQV_Application* gApplication;
// Creates gApplication unless it exists.
void CreateApplication();
// Releases gApplication (its log is written out first).
void DestroyApplication();

// Reports a text for the user (kind 0 information, 1 error). There is no desktop here: the text
// goes to the application log as an error entry and to standard error, whatever the kind.
// Never raises.
void NotifyUser(int32_t aKind, const std::string& aText);

}  // namespace dodu

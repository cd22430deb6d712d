#include "base/application.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <thread>

#include "base/conversions.h"
#include "base/error.h"
#include "base/log_writer.h"
#include "base/text_encoding.h"
#include "base/version_history.h"
#include "platform/file_lock.h"
#include "platform/paths.h"

namespace dodu {

tQV_Application* gApplication = nullptr;

namespace {

constexpr size_t kMaxResourceLength = 1024;
constexpr int kMaxMissingIds = 11;

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// Digits only; anything else counts as 1.
int NumberOrOne(std::string_view text) {
  if (text.empty() || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
    return 1;
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

std::string_view Chars(std::string_view text, size_t first, size_t count) {
  return first - 1 < text.size() ? text.substr(first - 1, count) : std::string_view();
}

// dd/mm/yyyy; an impossible date (31/02/2024) leaves the date unset instead of failing the load.
DateTime ReleaseDateOf(std::string_view text) {
  DateTime date;
  TryEncodeDateTime({NumberOrOne(Chars(text, 7, 4)), NumberOrOne(Chars(text, 4, 2)), NumberOrOne(Chars(text, 1, 2)),
                     0, 0, 0, 0},
                    date);
  return date;
}

[[noreturn]] void RaiseFormatError(const std::string& format) {
  throw Error("Format '" + format + "' invalid or incompatible with argument");
}

// The runtime's placeholders as far as messages use them: %s, %d, %n:s, %n:d and %%.
std::string FormatWithValues(const std::string& format, const std::vector<std::string>& values) {
  std::string out;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out += format[i];
      continue;
    }
    if (++i >= format.size()) RaiseFormatError(format);
    if (format[i] == '%') {
      out += '%';
      continue;
    }
    size_t index = next;
    size_t digits_end = i;
    while (digits_end < format.size() && std::isdigit(static_cast<unsigned char>(format[digits_end]))) ++digits_end;
    if (digits_end > i && digits_end - i <= 6 && digits_end < format.size() && format[digits_end] == ':') {
      index = static_cast<size_t>(std::stoul(format.substr(i, digits_end - i)));
      i = digits_end + 1;
    }
    if (i >= format.size()) RaiseFormatError(format);
    char type = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i])));
    if ((type != 's' && type != 'd') || index >= values.size()) RaiseFormatError(format);
    out += values[index];
    next = index + 1;
  }
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// tQV_ApplicationInfo

void tQV_ApplicationInfo::Load() { Load(VersionHistoryString); }

void tQV_ApplicationInfo::Load(const StringSource& aSource) {
  fDescription.clear();
  fCopyright.clear();
  fVersion.clear();
  fReleaseDate = DateTime();
  fHistory.clear();
  tQV_ApplicationHistory* current = nullptr;
  int missing = 0;
  for (int id = kVersionHistoryFirstId; missing < kMaxMissingIds; ++id) {
    const std::string entry = Utf16Prefix(aSource(id), kMaxResourceLength);
    if (entry.empty()) {
      ++missing;
      continue;
    }
    missing = 0;
    const size_t equals = entry.find('=');
    const std::string key = Upper(entry.substr(0, equals));
    const std::string value = equals == std::string::npos ? std::string() : entry.substr(equals + 1);
    if (key == "$APPDESCRIPTION") {
      fDescription = value;
    } else if (key == "$COPYRIGHT") {
      fCopyright = value;
    } else if (key == "$VERSION") {
      fVersion = value;
      fHistory.emplace_back(value);
      current = &fHistory.back();
    } else if (current == nullptr) {
      continue;  // release details before the first release
    } else if (key == "$AUTHOR") {
      current->fAuthor = value;
    } else if (key == "$RELEASEDATE") {
      fReleaseDate = ReleaseDateOf(value);
      current->fReleaseDate = fReleaseDate;
    } else if (key == "$PTEXT" || key == "$TEXT") {
      current->fText.push_back(value);
    }
  }
}

std::string tQV_ApplicationInfo::VersionString() const {
  return "[" + fVersion + " - " + DateToText(fReleaseDate) + "]";
}

// ---------------------------------------------------------------------------------------------
// tQV_Setup

tQV_SetupValue tQV_Setup::GetValue(const std::string& aName) const {
  for (const tQV_SetupEntry& entry : fList) {
    if (SameName(entry.fName, aName)) return entry.fValue;
  }
  return {};
}

void tQV_Setup::SetValue(const std::string& aName, tQV_SetupValue aValue) {
  for (tQV_SetupEntry& entry : fList) {
    if (SameName(entry.fName, aName)) {
      entry.fValue = std::move(aValue);
      return;
    }
  }
  fList.push_back({aName, std::move(aValue)});
}

// ---------------------------------------------------------------------------------------------
// tQV_Wait

void tQV_Wait::Start(const std::string& aText) {
  fLabel = SameName(fLanguage, "en") ? kText_EN : kText_IT;
  if (!aText.empty()) fLabel += "\r\n" + aText;
  fExtraText = aText;
  fStarted = true;
}

// ---------------------------------------------------------------------------------------------
// tQV_Application

tQV_Application::tQV_Application() {
  fWait = std::make_unique<tQV_Wait>(fLanguage);
  fSetup = std::make_unique<tQV_Setup>();
  fTerminateOnExceptionIfBatch = true;
  fLogger = std::make_unique<tQV_LogWriter>(ExeBaseName(), ExePath() + "LogFiles", 0, false);
  fIsBatch = !FindParam("/BATCH", true).empty();
  fIsDebug = !FindParam("/DEBUG", true).empty();
  fIsTest = !FindParam("/TEST", true).empty();
  fInfo = std::make_unique<tQV_ApplicationInfo>();
  fInfo->Load();
}

tQV_Application::~tQV_Application() {
  if (fNotifyIcon) DeleteNotifyIcon();
  fSetup.reset();
  fLogger.reset();  // writes out the queue
  fWait.reset();
  fSingleInstanceLock.reset();
}

void tQV_Application::Log(tQV_MessageType aEntryType, const std::string& aMessage) {
  fLogger->Write(aEntryType, aMessage);
  if (aEntryType == let_error) {
    std::lock_guard<std::mutex> lock(fLastErrorMutex);
    fLastError = aMessage;
  }
}

std::string tQV_Application::LastError() const {
  std::lock_guard<std::mutex> lock(fLastErrorMutex);
  return fLastError;
}

std::string tQV_Application::GetLogDirectory() const { return fLogger->Directory(); }

std::string tQV_Application::GetLogFileName() const { return fLogger->FileName(); }

void tQV_Application::ChangeLogDirectory(const std::string& aNewDir) {
  fLogger->SetDirectory(IsAbsolutePath(aNewDir) ? aNewDir : JoinPath(ExePath() + "LogFiles", aNewDir));
}

void tQV_Application::ChangeLogFilename(const std::string& aNewFileName) { fLogger->SetFileName(aNewFileName); }

std::string tQV_Application::GetMessage(const std::string& aMessageId) const {
  std::string text = GetMessage(aMessageId, {});
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.compare(i, 4, "\\r\\n") == 0) {
      out += "\r\n";
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string tQV_Application::GetMessage(const std::string& aMessageId, const std::vector<std::string>& aValues) const {
  std::string text = aMessageId;
  if (auto found = fMessages.find(fLanguage + "." + aMessageId); found != fMessages.end()) {
    text = found->second;
  } else if (found = fMessages.find(aMessageId + "." + fDefaultLanguage); found != fMessages.end()) {
    text = found->second;
  }
  return aValues.empty() ? text : FormatWithValues(text, aValues);
}

void tQV_Application::LoadMessages(const std::string& aData) {
  size_t start = 0;
  while (start < aData.size()) {
    size_t end = aData.find('\n', start);
    if (end == std::string::npos) end = aData.size();
    std::string line = aData.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    std::string id = GetField(line, 1, ':');
    if (!id.empty()) fMessages.emplace(id, GetField(line, 2, ':'));  // the first text wins
  }
}

void tQV_Application::StartTimer() { fTimers.push_back(Now()); }

int64_t tQV_Application::StopTimer() {
  int64_t elapsed = GetTimerValue();
  fTimers.pop_back();
  return elapsed;
}

int64_t tQV_Application::GetTimerValue() const {
  if (fTimers.empty()) throw Error("Unbalanced stack or queue operation");
  return TimeOfDayMs(Now()) - TimeOfDayMs(fTimers.back());
}

void tQV_Application::CreateNotifyIcon(void* aForm) {
  fIconData = tQV_IconData{};
  fIconData.fWindow = aForm;
  fNotifyIcon = true;
}

void tQV_Application::DeleteNotifyIcon() {
  fIconData = tQV_IconData{};
  fNotifyIcon = false;
}

std::string tQV_Application::SingleInstanceLockFileName() {
  std::error_code ignored;
  std::filesystem::path directory = std::filesystem::temp_directory_path(ignored);
  if (directory.empty()) directory = "/tmp";
  return (directory / (ExeBaseName() + ".lock")).string();
}

void tQV_Application::SetSingleInstance(bool aValue) {
  if (!aValue) {
    fSingleInstanceLock.reset();
    fSingleInstance = false;
    return;
  }
  if (fSingleInstance) return;
  auto lock = std::make_unique<FileLock>();
  if (!lock->Acquire(SingleInstanceLockFileName(), 0)) {
    // A library must not end its host: the host decides what to do with the error.
    const std::string message = "Impossible to enter single instance mode.";
    Notify(1, message);
    throw Error(message);
  }
  fSingleInstanceLock = std::move(lock);
  fSingleInstance = true;
}

void tQV_Application::Notify(int32_t aKind, const std::string& aText) {
  (void)aKind;  // without a desktop every kind is reported the same way
  try {
    const bool was_waiting = fWait->Started();
    if (was_waiting) fWait->Stop();
    fLogger->Write(let_error, aText);
    std::cerr << aText << std::endl;
    if (was_waiting) fWait->Start(fWait->ExtraText());
  } catch (...) {
    // Reporting to the user must never become an error of its own.
  }
}

void tQV_Application::Terminate() {
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  std::exit(0);
}

// ---------------------------------------------------------------------------------------------

void CreateApplication() {
  if (gApplication == nullptr) gApplication = new tQV_Application();
}

void DestroyApplication() {
  delete gApplication;
  gApplication = nullptr;
}

void NotifyUser(int32_t aKind, const std::string& aText) {
  if (gApplication != nullptr) {
    gApplication->Notify(aKind, aText);
    return;
  }
  try {
    std::cerr << aText << std::endl;
  } catch (...) {
    // Reporting to the user must never become an error of its own.
  }
}

}  // namespace dodu

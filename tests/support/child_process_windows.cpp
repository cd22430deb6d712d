#include "support/child_process.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwctype>
#include <map>

#include "base/text_encoding.h"

namespace dodu::testing {

namespace {

std::wstring Wide(const std::string& utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

// One argument as the C runtime's command-line parser reads it back.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count only before a quote: doubled there, and the quote escaped.
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, L'\\');
  return quoted + L"\"";
}

std::wstring Upper(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

// This process's environment with the extra variables, as a block for CreateProcessW. Names
// are the same without regard to letter case.
std::wstring EnvironmentBlock(const ChildProcess::Variables& extra) {
  std::map<std::wstring, std::wstring> variables;  // by upper-case name: the whole "name=value"
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (const wchar_t* entry = block; *entry != L'\0'; entry += wcslen(entry) + 1) {
      const std::wstring text = entry;
      // Entries such as "=C:=C:\dir" start with their separator.
      const size_t equals = text.find(L'=', 1);
      variables[Upper(text.substr(0, equals))] = text;
    }
    FreeEnvironmentStringsW(block);
  }
  for (const auto& [name, value] : extra) variables[Upper(Wide(name))] = Wide(name + "=" + value);
  std::wstring result;
  for (const auto& [name, entry] : variables) result += entry + L'\0';
  return result + L'\0';
}

HANDLE AsHandle(long long value) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(value)); }
long long FromHandle(HANDLE handle) { return static_cast<long long>(reinterpret_cast<intptr_t>(handle)); }

std::string SystemError(const char* call) { return std::string(call) + ": error " + std::to_string(GetLastError()); }

}  // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                           const Variables& extra_environment, bool keep_output) {
  std::wstring command_line = Quoted(program.wstring());
  for (const std::string& argument : arguments) command_line += L" " + Quoted(Wide(argument));
  std::wstring environment = EnvironmentBlock(extra_environment);

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  HANDLE read_end = nullptr, write_end = nullptr;
  if (keep_output) {
    SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    if (!CreatePipe(&read_end, &write_end, &inheritable, 0)) {
      fFailure = SystemError("CreatePipe");
      return;
    }
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = write_end;
    startup.hStdError = write_end;
  }
  PROCESS_INFORMATION process{};
  // A name without a directory is looked for on PATH, as the command line's first word.
  const BOOL created = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr,
                                      keep_output ? TRUE : FALSE, CREATE_UNICODE_ENVIRONMENT, environment.data(),
                                      nullptr, &startup, &process);
  if (!created) fFailure = SystemError("CreateProcessW");
  if (keep_output) {
    CloseHandle(write_end);
    if (created) fOutputPipe = FromHandle(read_end);
    else CloseHandle(read_end);
  }
  if (!created) return;
  CloseHandle(process.hThread);
  fProcess = FromHandle(process.hProcess);
}

ChildProcess::~ChildProcess() { Wait(); }

bool ChildProcess::Started() const { return fProcess != -1; }

ProcessExit ChildProcess::Wait() {
  if (fWaited) return fExit;
  fWaited = true;
  if (!Started()) {
    fExit.text = "not started: " + fFailure;
    return fExit;
  }
  if (fOutputPipe != -1) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(AsHandle(fOutputPipe), buffer, sizeof buffer, &got, nullptr) && got > 0) fOutput.append(buffer, got);
    CloseHandle(AsHandle(fOutputPipe));
    fOutputPipe = -1;
  }
  const HANDLE process = AsHandle(fProcess);
  DWORD code = 0;
  if (WaitForSingleObject(process, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process, &code)) {
    fExit.text = SystemError("WaitForSingleObject");
  } else if (code >= 0xC0000000u) {
    // An unhandled exception ends a process with its status code.
    char status[16];
    std::snprintf(status, sizeof status, "0x%08lX", static_cast<unsigned long>(code));
    fExit.text = std::string("ended by exception ") + status;
  } else {
    fExit.exited = true;
    fExit.code = static_cast<int>(code);
    fExit.text = "exit status " + std::to_string(fExit.code);
  }
  CloseHandle(process);
  return fExit;
}

std::filesystem::path ThisProgram() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) return std::filesystem::path(path.substr(0, length));
    path.resize(path.size() * 2);
  }
}

}  // namespace dodu::testing

// The library's outside interface: six operations.
#include "dodu_pt_10.h"

#include <exception>

#include "base/log_writer.h"
#include "driver/library_main.h"
#include "driver/owned_string.h"
#include "driver/processor_wrappers.h"

namespace {

using namespace dodu;

static_assert(sizeof(OLECHAR) == sizeof(OwnedChar), "owned strings are UTF-16");

// Writes an output text; nothing may escape an export, not even a failed allocation.
void SetOutput(BSTR* target, const std::string& text) {
  if (target == nullptr) return;
  try {
    *target = reinterpret_cast<BSTR>(NewOwnedString(text));
  } catch (...) {
    *target = nullptr;
  }
}

void ClearOutput(BSTR* target) {
  if (target != nullptr) *target = nullptr;
}

// The lines an export logged are in their files when it returns.
struct LogsWrittenOnReturn {
  ~LogsWrittenOnReturn() { tQV_LogThread::Instance().WaitUntilAllIdle(); }
};

template <typename Wrapper, typename Output>
int32_t Run(const BSTR request, BSTR* result, BSTR* error, Output output) {
  StartLibrary();
  LogsWrittenOnReturn logs_written;
  ClearOutput(result);
  ClearOutput(error);
  try {
    Wrapper wrapper;
    wrapper.Process(OwnedStringToUtf8(reinterpret_cast<const OwnedChar*>(request)));
    SetOutput(result, output(wrapper));
    SetOutput(error, wrapper.ErrorText());
    return wrapper.GetResult();
  } catch (const std::exception& e) {
    SetOutput(error, e.what());
  } catch (...) {
    SetOutput(error, "Unexpected error");
  }
  return -1;
}

}  // namespace

// The names the host looks up: visible in the shared object, listed by the .def file in the DLL.
#define DODU_EXPORT extern "C" __attribute__((visibility("default")))

DODU_EXPORT int32_t DODU_CALL OPEN(const BSTR request, int32_t* handle, BSTR* error) {
  StartLibrary();
  LogsWrittenOnReturn logs_written;
  ClearOutput(error);
  int32_t opened = 0;
  int32_t rc = -1;
  try {
    kFiscalProcessorWrapper_OPEN wrapper;
    wrapper.Process(OwnedStringToUtf8(reinterpret_cast<const OwnedChar*>(request)));
    opened = wrapper.GetResult() == 0 ? wrapper.fHandle : 0;
    SetOutput(error, wrapper.ErrorText());
    rc = wrapper.GetResult();
  } catch (const std::exception& e) {
    SetOutput(error, e.what());
  } catch (...) {
    SetOutput(error, "Unexpected error");
  }
  if (handle != nullptr) *handle = opened;
  return rc;
}

DODU_EXPORT int32_t DODU_CALL PROCESSRECEIPT(const BSTR request, BSTR* result, BSTR* error) {
  return Run<kFiscalProcessorWrapper_PROCESSRECEIPT>(request, result, error, [](auto& w) { return w.fOutput; });
}

DODU_EXPORT int32_t DODU_CALL PROCESSREPRINTRECEIPT(const BSTR request, BSTR* result, BSTR* error) {
  return Run<kFiscalProcessorWrapper_PROCESSREPRINTRECEIPT>(request, result, error,
                                                            [](auto& w) { return w.fOutput; });
}

DODU_EXPORT int32_t DODU_CALL PROCESSZREPORT(const BSTR request, BSTR* result, BSTR* error) {
  return Run<kFiscalProcessorWrapper_PROCESSZREPORT>(request, result, error, [](auto& w) { return w.ResultXml(); });
}

DODU_EXPORT int32_t DODU_CALL PROCESSXREPORT(const BSTR request, BSTR* result, BSTR* error) {
  return Run<kFiscalProcessorWrapper_PROCESSXREPORT>(request, result, error, [](auto& w) { return w.ResultXml(); });
}

DODU_EXPORT int32_t DODU_CALL PROCESSGETSTATUS(const BSTR request, BSTR* result, BSTR* error) {
  return Run<kFiscalProcessorWrapper_GETSTATUS>(request, result, error, [](auto& w) { return w.ResultXml(); });
}

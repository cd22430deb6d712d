#include "support/driver_library.h"

#include <gtest/gtest.h>

#include "base/text_encoding.h"

namespace dodu::testing {

DriverLibrary::DriverLibrary(const std::string& path) {
  if (!Load(path)) return;
  fOpen = reinterpret_cast<OpenOperation>(Symbol("OPEN"));
  fReceipt = reinterpret_cast<Operation>(Symbol("PROCESSRECEIPT"));
  fReprint = reinterpret_cast<Operation>(Symbol("PROCESSREPRINTRECEIPT"));
  fZ = reinterpret_cast<Operation>(Symbol("PROCESSZREPORT"));
  fX = reinterpret_cast<Operation>(Symbol("PROCESSXREPORT"));
  fStatus = reinterpret_cast<Operation>(Symbol("PROCESSGETSTATUS"));
}

// The library stays loaded: a till keeps it for the life of the process, and its processors
// live as long.
DriverLibrary::~DriverLibrary() = default;

BSTR DriverLibrary::NewString(const std::string& utf8) {
  std::u16string units = Utf8ToUtf16(utf8);
  return fAlloc(reinterpret_cast<const OLECHAR*>(units.data()), static_cast<uint32_t>(units.size()));
}

std::string DriverLibrary::ToUtf8(BSTR text) {
  if (text == nullptr) return std::string();
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), fLength(text)));
}

uint32_t DriverLibrary::Length(BSTR text) { return fLength(text); }

void DriverLibrary::Free(BSTR text) { fFree(text); }

ExportResult DriverLibrary::Call(Operation operation, const std::string& request) {
  ExportResult result;
  if (operation == nullptr) return result;
  BSTR input = NewString(request);
  BSTR output = nullptr;
  BSTR error = nullptr;
  result.code = operation(input, &output, &error);
  EXPECT_EQ(ToUtf8(input), request) << "the request string must stay untouched";
  result.outputWasNull = output == nullptr;
  result.errorWasNull = error == nullptr;
  result.output = ToUtf8(output);
  result.error = ToUtf8(error);
  Free(output);
  Free(error);
  Free(input);
  return result;
}

ExportResult DriverLibrary::Open(const std::string& request) {
  ExportResult result;
  if (fOpen == nullptr) return result;
  BSTR input = NewString(request);
  BSTR error = nullptr;
  int32_t handle = -12345;
  result.code = fOpen(input, &handle, &error);
  EXPECT_EQ(ToUtf8(input), request) << "the request string must stay untouched";
  result.handle = handle;
  result.output = std::to_string(handle);
  result.errorWasNull = error == nullptr;
  result.error = ToUtf8(error);
  Free(error);
  Free(input);
  return result;
}

ExportResult DriverLibrary::ProcessReceipt(const std::string& request) { return Call(fReceipt, request); }
ExportResult DriverLibrary::ProcessReprintReceipt(const std::string& request) { return Call(fReprint, request); }
ExportResult DriverLibrary::ProcessZReport(const std::string& request) { return Call(fZ, request); }
ExportResult DriverLibrary::ProcessXReport(const std::string& request) { return Call(fX, request); }
ExportResult DriverLibrary::ProcessGetStatus(const std::string& request) { return Call(fStatus, request); }

std::string Envelope(int32_t handle, const std::string& till_serial, const std::string& documents,
                     const std::string& driver) {
  return "<ReceiptPrinterManager><Type>FP</Type><Driver>" + driver + "</Driver><Method>Process</Method>" +
         "<LogId>1</LogId><Handle>" + std::to_string(handle) + "</Handle><Parameters><Processor>" + driver +
         "</Processor><FPTillSerial>" + till_serial + "</FPTillSerial></Parameters>" + documents +
         "</ReceiptPrinterManager>";
}

}  // namespace dodu::testing

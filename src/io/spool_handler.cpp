#include "io/spool_handler.h"

#include "base/error.h"
#include "io/connection.h"
#include "platform/code_page.h"

namespace dodu {

kIOHandler_Spool::kIOHandler_Spool(const kConnection* aConnection, const std::string& aDirectory,
                                   const std::string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName) {
  if (aConnection != nullptr) fPrinterName = aConnection->fPrinterName;
}

bool kIOHandler_Spool::Write(const std::string& aMessage) {
  if (fOutputType == qvSpoolOutputType::Normal) return WriteNormal();
  std::string bytes;
  try {
    bytes = Utf8ToCodePage(aMessage, fCodePage);
  } catch (const Error& e) {
    fErrorMessage = e.what();
    return false;
  }
  return WriteRaw(bytes);
}

bool kIOHandler_Spool::WriteBytes(const std::string& aBytes) { return WriteRaw(aBytes); }

std::string kIOHandler_Spool::ReadAll() { throw Error("ReadAll Unsupported"); }

bool kIOHandler_Spool::InputBufferContainsData() { throw Error("InputBufferContainsData Unsupported"); }

void kIOHandler_Spool::RaiseNormalOutputError(const std::string& aReason) const {
  throw Error("kIOHandler_Spool.WriteNormal: " + aReason);
}

}  // namespace dodu

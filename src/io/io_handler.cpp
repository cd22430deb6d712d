#include "io/io_handler.h"

#include <cstdio>

#include "base/conversions.h"
#include "base/log_writer.h"
#include "base/text_encoding.h"
#include "io/connection.h"

namespace dodu {

kIOHandler::kIOHandler(const kConnection* aConnection, const std::string& aDirectory, const std::string& aFileName) {
  if (aConnection != nullptr) {
    fReadTimeout = aConnection->fReadTimeout;
    fConnectTimeout = aConnection->fConnectTimeout;
  }
  if (!aDirectory.empty() && !aFileName.empty()) {
    fLogger = std::make_unique<tQV_LogWriter>(aFileName, aDirectory, 0, true);
    fLogger->Write(let_info, "*************************** START ***************************");
  }
}

kIOHandler::~kIOHandler() {
  if (fLogger) {
    try {
      fLogger->Write(let_info, "*************************** STOP ****************************");
    } catch (...) {
      // A destructor must not raise; the queued lines are still written below.
    }
    fLogger.reset();  // writes out every queued line
  }
}

bool kIOHandler::Connect() {
  Debug(let_info, std::string(61, '*'));
  Debug(let_info, ClassName());
  Debug(let_info, fVersion);
  Debug(let_info, "ConnectTimeout=" + std::to_string(fConnectTimeout));
  Debug(let_info, "ReadTimeout=" + std::to_string(fReadTimeout));
  return true;
}

void kIOHandler::WriteLog(tQV_MessageType aEntryType, const std::string& aTitle, const std::string& aMessage) {
  if (!fLogger) return;
  std::string text = aTitle + ":" + aMessage;
  // The writer keeps a bounded excerpt of any line: a dump of more than that part of the message
  // (three times its size) would only be built to be cut.
  if (fHexLog) text += " [" + HexText(std::string(tQV_LogWriter::ExcerptPrefix(aMessage))) + "]";
  fLogger->Write(aEntryType, text);
}

void kIOHandler::Debug(tQV_MessageType aEntryType, const std::string& aMessage) {
  if (fLogger) fLogger->Write(aEntryType, aMessage);
}

void kIOHandler::SetCustomError(int32_t aErrorCode, const std::string& aErrorMessage) {
  fErrorFound = true;
  fErrorCode = aErrorCode;
  fErrorMessage = aErrorMessage;
}

void kIOHandler::ResetCustomError() { ClearError(); }

void kIOHandler::ClearError() {
  fErrorFound = false;
  fErrorCode = 0;
  fErrorMessage.clear();
}

std::string kIOHandler::GetLogFileName() const { return fLogger ? fLogger->FileName() : std::string(); }

void kIOHandler::SetTemporaryReadTimeout(int32_t aNewTimeout) {
  Debug(let_info, "Set Read Timeout to " + std::to_string(aNewTimeout) + "ms from " + std::to_string(fReadTimeout) +
                      " ms");
  if (aNewTimeout > 0) {
    fTemporaryReadTimeout = fReadTimeout;
    fReadTimeout = aNewTimeout;
  }
}

void kIOHandler::ResetTemporaryReadTimeout() {
  Debug(let_info, "Reset Timeout to " + std::to_string(fTemporaryReadTimeout) + " ms");
  if (fTemporaryReadTimeout != 0) fReadTimeout = fTemporaryReadTimeout;
}

std::string kIOHandler::HexText(const std::string& aText) {
  std::string dump;
  for (char16_t unit : Utf8ToUtf16(aText)) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned>(unit));
    if (!dump.empty()) dump += ' ';
    dump += digits;
  }
  return dump;
}

std::string kIOHandler::FormatAmount(Amount aAmount) {
  std::string text = CurrencyToXmlText(aAmount);
  std::erase(text, ',');
  return text;
}

}  // namespace dodu

namespace dodu {

void kIOHandler::CloseLogAtUnload() { fLogger.reset(); }

}  // namespace dodu

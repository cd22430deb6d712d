#include "io/unavailable_handler.h"

#include "base/error.h"

namespace dodu {

kIOHandler_Unavailable::kIOHandler_Unavailable(const kConnection* aConnection, const std::string& aDirectory,
                                               const std::string& aFileName, std::string aClassName,
                                               std::string aConnectionType)
    : kIOHandler(aConnection, aDirectory, aFileName),
      fClassName(std::move(aClassName)),
      fConnectionType(std::move(aConnectionType)) {}

std::string kIOHandler_Unavailable::UnavailableMessage() const {
  return "Connection type " + fConnectionType + " (" + fClassName + ") is not available in this build";
}

void kIOHandler_Unavailable::Raise() const { throw Error(UnavailableMessage()); }

bool kIOHandler_Unavailable::Connect() {
  kIOHandler::Connect();
  WriteLog(let_error, "Connect Error", UnavailableMessage());
  SetCustomError(-1, UnavailableMessage());
  return false;
}

bool kIOHandler_Unavailable::Disconnect() { Raise(); }
void kIOHandler_Unavailable::ClearBuffers() { Raise(); }
bool kIOHandler_Unavailable::Write(const std::string&) { Raise(); }
std::string kIOHandler_Unavailable::ReadUpTo(const std::vector<uint8_t>&) { Raise(); }
std::string kIOHandler_Unavailable::ReadChars(int) { Raise(); }
std::string kIOHandler_Unavailable::ReadAll() { Raise(); }
std::string kIOHandler_Unavailable::DecodeError(int) { return UnavailableMessage(); }
bool kIOHandler_Unavailable::InputBufferContainsData() { Raise(); }
void kIOHandler_Unavailable::SetParameter(const std::string&, const std::string&) { Raise(); }

}  // namespace dodu

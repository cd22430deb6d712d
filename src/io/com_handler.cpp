#include "io/com_handler.h"

#include "base/error.h"

namespace dodu {

std::string kIOHandler_Com::ReadAll() { throw Error("ReadAll Unsupported"); }

bool kIOHandler_Com::InputBufferContainsData() { throw Error("InputBufferContainsData Unsupported"); }

}  // namespace dodu

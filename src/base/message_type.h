#pragma once

namespace dodu {

// The entry type of every log line.
enum tQV_MessageType { let_info = 0, let_error = 1 };

}  // namespace dodu

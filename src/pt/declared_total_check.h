#pragma once

#include <optional>
#include <string>

namespace dodu {

class kIOHandler;
class kReceipt;

// A till may declare a TotalAmount that its tax lines do not add up to. The document is issued as
// declared (the difference ends in the last line's net amount), so the only trace of the
// mismatch is this warning for whoever reconciles the day.
//
// The warning text when the declared total and the sum of the tax lines' totals differ by more
// than one cent; nothing otherwise.
std::optional<std::string> DeclaredTotalWarning(const kReceipt& aReceipt);
// Writes that warning, if any, as one line of the processor's log.
void LogDeclaredTotalWarning(kIOHandler& aLog, const kReceipt& aReceipt);

}  // namespace dodu

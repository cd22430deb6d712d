// Owned strings are the system's BSTRs, so a host frees them with its own SysFreeString.
#include "driver/owned_string.h"

#include <windows.h>
#include <oleauto.h>

namespace dodu {

static_assert(sizeof(OLECHAR) == sizeof(OwnedChar), "BSTRs are UTF-16");

OwnedString AllocOwnedString(const OwnedChar* units, uint32_t length) {
  return reinterpret_cast<OwnedString>(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(units), length));
}

void FreeOwnedString(OwnedString text) { SysFreeString(reinterpret_cast<BSTR>(text)); }

uint32_t OwnedStringLength(const OwnedChar* text) {
  return SysStringLen(reinterpret_cast<BSTR>(const_cast<OwnedChar*>(text)));
}

}  // namespace dodu

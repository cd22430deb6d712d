// The owned-string functions a host uses where the system has no BSTR of its own.
#include "dodu_pt_10.h"

#include "driver/owned_string.h"

#define DODU_EXPORT extern "C" __attribute__((visibility("default")))

using namespace dodu;

DODU_EXPORT BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length) { return AllocOwnedString(text, length); }

DODU_EXPORT void SysFreeString(BSTR text) { FreeOwnedString(text); }

DODU_EXPORT uint32_t SysStringLen(BSTR text) { return OwnedStringLength(text); }

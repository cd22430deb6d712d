#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace dodu {

// The owned string of the exported boundary: UTF-16 code units preceded by their 32-bit byte
// length and followed by a zero unit, in the manner of OLE automation strings.
using OwnedChar = uint16_t;
using OwnedString = OwnedChar*;

OwnedString AllocOwnedString(const OwnedChar* units, uint32_t length);
void FreeOwnedString(OwnedString text);
uint32_t OwnedStringLength(const OwnedChar* text);  // in code units; 0 for null

// UTF-8 to a new owned string; an empty text gives null.
OwnedString NewOwnedString(std::string_view utf8);
// The UTF-8 text of an owned string; null gives "".
std::string OwnedStringToUtf8(const OwnedChar* text);

}  // namespace dodu

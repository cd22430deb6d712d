// Owned strings allocated by the library itself: there is no system BSTR here.
#include "driver/owned_string.h"

#include <cstdlib>
#include <cstring>

namespace dodu {

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);

uint32_t* PrefixOf(const OwnedChar* text) {
  return reinterpret_cast<uint32_t*>(reinterpret_cast<char*>(const_cast<OwnedChar*>(text)) - kPrefix);
}

}  // namespace

OwnedString AllocOwnedString(const OwnedChar* units, uint32_t length) {
  // The byte length must fit the 32-bit prefix.
  if (length > (UINT32_MAX - kPrefix) / sizeof(OwnedChar) - 1) return nullptr;
  size_t bytes = static_cast<size_t>(length) * sizeof(OwnedChar);
  auto* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(OwnedChar)));
  if (block == nullptr) return nullptr;
  uint32_t byte_length = static_cast<uint32_t>(bytes);
  std::memcpy(block, &byte_length, kPrefix);
  auto* text = reinterpret_cast<OwnedString>(block + kPrefix);
  if (units != nullptr) {
    std::memcpy(text, units, bytes);
  } else {
    std::memset(text, 0, bytes);
  }
  text[length] = 0;
  return text;
}

void FreeOwnedString(OwnedString text) {
  if (text != nullptr) std::free(PrefixOf(text));
}

uint32_t OwnedStringLength(const OwnedChar* text) {
  if (text == nullptr) return 0;
  uint32_t byte_length;
  std::memcpy(&byte_length, PrefixOf(text), kPrefix);
  return byte_length / sizeof(OwnedChar);
}

}  // namespace dodu

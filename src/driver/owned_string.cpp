#include "driver/owned_string.h"

#include <new>

#include "base/text_encoding.h"

namespace dodu {

OwnedString NewOwnedString(std::string_view utf8) {
  if (utf8.empty()) return nullptr;
  std::u16string units = Utf8ToUtf16(utf8);
  OwnedString text = AllocOwnedString(reinterpret_cast<const OwnedChar*>(units.data()),
                                      static_cast<uint32_t>(units.size()));
  if (text == nullptr) throw std::bad_alloc();
  return text;
}

std::string OwnedStringToUtf8(const OwnedChar* text) {
  if (text == nullptr) return std::string();
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), OwnedStringLength(text)));
}

}  // namespace dodu

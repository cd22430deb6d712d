#include "db/text_cipher.h"

#include "base/error.h"
#include "base/text_encoding.h"
#include "db/des_cipher.h"

namespace dodu {

namespace {

constexpr size_t kDigitsPerByte = 3;

TDESCipher TextCipher() {
  const std::array<uint8_t, 8> key = TextCipherKey();
  return TDESCipher(key.data(), key.size());
}

uint8_t ByteOfGroup(std::string_view group) {
  unsigned value = 0;
  for (char digit : group) {
    if (digit < '0' || digit > '9') {
      throw Error("'" + std::string(group) + "' is not a valid integer value");
    }
    value = value * 10 + static_cast<unsigned>(digit - '0');
  }
  // CiphersText never writes more than 255; a larger group is damage, not a byte to wrap.
  if (value > 0xFF) throw Error("'" + std::string(group) + "' is not a valid byte value");
  return static_cast<uint8_t>(value);
}

}  // namespace

std::array<uint8_t, 8> TextCipherKey() {
  // Kept as two numbers rather than a byte string, so the key does not sit in the binary as
  // readable text.
  constexpr uint32_t kFirstWord = 0x7A31C65Du;
  constexpr uint32_t kSecondWord = 0x94E20B8Fu;
  std::array<uint8_t, 8> key{};
  for (int i = 0; i < 4; ++i) {
    key[i] = static_cast<uint8_t>(kFirstWord >> (8 * i));
    key[4 + i] = static_cast<uint8_t>(kSecondWord >> (8 * i));
  }
  return key;
}

std::string CiphersText(std::string_view text) {
  if (text.empty()) return {};
  const std::string ciphertext = TextCipher().EncryptedString(Utf8ToCp1252(text));
  std::string digits;
  digits.reserve(ciphertext.size() * kDigitsPerByte);
  for (unsigned char byte : ciphertext) {
    digits += static_cast<char>('0' + byte / 100);
    digits += static_cast<char>('0' + byte / 10 % 10);
    digits += static_cast<char>('0' + byte % 10);
  }
  return digits;
}

std::string DeCiphersText(std::string_view digits) {
  if (digits.empty()) return {};
  std::string ciphertext;
  ciphertext.reserve(digits.size() / kDigitsPerByte);
  for (size_t at = 0; at + kDigitsPerByte <= digits.size(); at += kDigitsPerByte) {
    ciphertext += static_cast<char>(ByteOfGroup(digits.substr(at, kDigitsPerByte)));
  }
  return Cp1252ToUtf8(TextCipher().DecryptedString(ciphertext));
}

}  // namespace dodu

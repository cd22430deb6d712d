#pragma once

// Byte strings for the cipher tests: hexadecimal vectors and the byte orders in which the
// published vectors apply to the system's ciphers.

#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dodu::test {

inline std::string FromHex(std::string_view hex) {
  const auto nibble = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    throw std::invalid_argument("not a hexadecimal digit");
  };
  if (hex.size() % 2 != 0) throw std::invalid_argument("odd hexadecimal length");
  std::string bytes;
  for (size_t i = 0; i < hex.size(); i += 2) {
    bytes += static_cast<char>(nibble(hex[i]) * 16 + nibble(hex[i + 1]));
  }
  return bytes;
}

inline std::string ToHex(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char b : bytes) {
    hex += kDigits[b >> 4];
    hex += kDigits[b & 0xF];
  }
  return hex;
}

// Each run of `width` bytes reversed: 8 for DES blocks and keys, 4 for Blowfish halves.
inline std::string ReversedRuns(std::string_view bytes, size_t width) {
  std::string out(bytes);
  for (size_t at = 0; at + width <= out.size(); at += width) {
    for (size_t i = 0; i < width / 2; ++i) std::swap(out[at + i], out[at + width - 1 - i]);
  }
  return out;
}

inline std::string RandomBytes(std::mt19937& random, size_t count) {
  std::uniform_int_distribution<int> byte(0, 255);
  std::string out(count, '\0');
  for (char& c : out) c = static_cast<char>(byte(random));
  return out;
}

}  // namespace dodu::test

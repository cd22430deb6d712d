#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "db/block_cipher.h"

namespace dodu {

// The Data Encryption Standard (FIPS 46-3). The key's 8 bytes and each block, read as
// little-endian 64-bit numbers, are the standard's key and block with its bit 1 as the most
// significant bit: for byte strings, standard DES on the byte-reversed key and block, with the
// result reversed again. Parity bits are ignored; a key longer than 8 bytes uses its first 8.
class TDESCipher : public T64BitBlockCipher {
 public:
  static constexpr size_t kKeyLength = 8;

  // Raises "Key must be at least 8 bytes long." for a shorter key.
  TDESCipher(const void* key, size_t length);
  explicit TDESCipher(std::string_view key) : TDESCipher(key.data(), key.size()) {}

  uint64_t EncryptedBlock(uint64_t plaintext) const override;
  uint64_t DecryptedBlock(uint64_t ciphertext) const override;
  size_t MinKeyLength() const override { return kKeyLength; }

 private:
  // One round key: eight 6-bit groups, the first from the key's most significant bits.
  using RoundKey = std::array<uint8_t, 8>;

  uint64_t Crypt(uint64_t block, bool decrypt) const;

  std::array<RoundKey, 16> FKeySchedule{};
};

}  // namespace dodu

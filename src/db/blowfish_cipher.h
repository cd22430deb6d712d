#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "db/block_cipher.h"

namespace dodu {

// Blowfish with its standard tables and key schedule. Each block is two 32-bit halves read
// little-endian: the first four bytes are the left half, the last four the right half.
class TBlowfishCipher : public T64BitBlockCipher {
 public:
  static constexpr size_t kMinKeyLength = 8;
  static constexpr size_t kMaxKeyLength = 56;

  // Raises "Key must be at least 8 bytes long." for a shorter key. A key is not checked against
  // the maximum; the key schedule uses at most its first 72 bytes.
  TBlowfishCipher(const void* key, size_t length);
  explicit TBlowfishCipher(std::string_view key) : TBlowfishCipher(key.data(), key.size()) {}

  uint64_t EncryptedBlock(uint64_t plaintext) const override;
  uint64_t DecryptedBlock(uint64_t ciphertext) const override;
  size_t MinKeyLength() const override { return kMinKeyLength; }
  size_t MaxKeyLength() const override { return kMaxKeyLength; }

 private:
  uint32_t Round(uint32_t half) const;
  void Encipher(uint32_t& left, uint32_t& right) const;
  void Decipher(uint32_t& left, uint32_t& right) const;

  std::array<uint32_t, 256> FSBox1{};
  std::array<uint32_t, 256> FSBox2{};
  std::array<uint32_t, 256> FSBox3{};
  std::array<uint32_t, 256> FSBox4{};
  std::array<uint32_t, 18> FPArray{};
};

}  // namespace dodu

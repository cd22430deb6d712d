#include "db/blowfish_cipher.h"

#include <utility>

#include "db/blowfish_cipher_tables.h"

namespace dodu {

TBlowfishCipher::TBlowfishCipher(const void* key, size_t length) {
  CheckKeyLength(length);
  FPArray = kBlowfishInitialPArray;
  FSBox1 = kBlowfishInitialSBoxes[0];
  FSBox2 = kBlowfishInitialSBoxes[1];
  FSBox3 = kBlowfishInitialSBoxes[2];
  FSBox4 = kBlowfishInitialSBoxes[3];

  // The key bytes, taken cyclically and most significant first, are XORed into the P-array.
  const auto* bytes = static_cast<const uint8_t*>(key);
  size_t next = 0;
  for (uint32_t& entry : FPArray) {
    uint32_t word = 0;
    for (int k = 0; k < 4; ++k) {
      word = (word << 8) | bytes[next];
      next = (next + 1) % length;
    }
    entry ^= word;
  }

  // Then the chained encryptions of the zero block replace every entry in order.
  uint32_t left = 0;
  uint32_t right = 0;
  const auto replace = [&](auto& table) {
    for (size_t i = 0; i < table.size(); i += 2) {
      Encipher(left, right);
      table[i] = left;
      table[i + 1] = right;
    }
  };
  replace(FPArray);
  replace(FSBox1);
  replace(FSBox2);
  replace(FSBox3);
  replace(FSBox4);
}

uint32_t TBlowfishCipher::Round(uint32_t half) const {
  return ((FSBox1[half >> 24] + FSBox2[(half >> 16) & 0xFF]) ^ FSBox3[(half >> 8) & 0xFF]) +
         FSBox4[half & 0xFF];
}

void TBlowfishCipher::Encipher(uint32_t& left, uint32_t& right) const {
  for (int i = 0; i < 16; i += 2) {
    left ^= FPArray[i];
    right ^= Round(left);
    right ^= FPArray[i + 1];
    left ^= Round(right);
  }
  left ^= FPArray[16];
  right ^= FPArray[17];
  std::swap(left, right);
}

void TBlowfishCipher::Decipher(uint32_t& left, uint32_t& right) const {
  for (int i = 17; i > 1; i -= 2) {
    left ^= FPArray[i];
    right ^= Round(left);
    right ^= FPArray[i - 1];
    left ^= Round(right);
  }
  left ^= FPArray[1];
  right ^= FPArray[0];
  std::swap(left, right);
}

uint64_t TBlowfishCipher::EncryptedBlock(uint64_t plaintext) const {
  uint32_t left = static_cast<uint32_t>(plaintext);
  uint32_t right = static_cast<uint32_t>(plaintext >> 32);
  Encipher(left, right);
  return (static_cast<uint64_t>(right) << 32) | left;
}

uint64_t TBlowfishCipher::DecryptedBlock(uint64_t ciphertext) const {
  uint32_t left = static_cast<uint32_t>(ciphertext);
  uint32_t right = static_cast<uint32_t>(ciphertext >> 32);
  Decipher(left, right);
  return (static_cast<uint64_t>(right) << 32) | left;
}

}  // namespace dodu

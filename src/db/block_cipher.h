#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace dodu {

// A block cipher in electronic-code-book mode with the store application's padding: the last
// block always carries a padding count p (1 to BlockSize) in its last byte, so even an empty
// plaintext gives one block.
class TBlockCipher {
 public:
  virtual ~TBlockCipher() = default;

  // Whole blocks needed for a plaintext: at least one byte of padding is always added.
  size_t CiphertextLength(size_t plaintext_length) const;

  // From the current position of `plaintext` to its end, in chunks of 512 blocks.
  void EncryptStream(std::istream& plaintext, std::ostream& ciphertext) const;
  // From the current position of `ciphertext` (which must be seekable) to its end.
  void DecryptStream(std::istream& ciphertext, std::ostream& plaintext) const;

  // One block of BlockSize() bytes, in place.
  virtual void EncryptBlock(std::span<uint8_t> plaintext) const = 0;
  virtual void DecryptBlock(std::span<uint8_t> ciphertext) const = 0;

  virtual size_t MinKeyLength() const = 0;
  virtual size_t MaxKeyLength() const { return MinKeyLength(); }
  virtual size_t BlockSize() const = 0;

 protected:
  TBlockCipher() = default;
  TBlockCipher(const TBlockCipher&) = default;
  TBlockCipher& operator=(const TBlockCipher&) = default;

  // Raises "Key must be at least %d bytes long." for a key shorter than MinKeyLength(); longer
  // keys are accepted and the cipher uses what its key schedule needs.
  void CheckKeyLength(size_t length) const;
  // Raises unless `block` is exactly one block.
  void CheckBlockSize(std::span<const uint8_t> block) const;
};

// A cipher on 64-bit blocks. A block value is its 8 bytes read as a little-endian number (first
// byte least significant) and is written back the same way.
class T64BitBlockCipher : public TBlockCipher {
 public:
  static constexpr size_t kBlockSize = 8;

  void EncryptBlock(std::span<uint8_t> plaintext) const override;
  void DecryptBlock(std::span<uint8_t> ciphertext) const override;
  size_t BlockSize() const override { return kBlockSize; }

  virtual uint64_t EncryptedBlock(uint64_t plaintext) const = 0;
  virtual uint64_t DecryptedBlock(uint64_t ciphertext) const = 0;

  // Byte strings, padded; the result of EncryptedString is CiphertextLength(size) bytes.
  std::string EncryptedString(std::string_view plaintext) const;
  // Raises "Ciphertext is not a multiple of 8 bytes." for an empty or ragged ciphertext, and
  // "Ciphertext padding is invalid." when the last byte is not a count from 1 to 8 (a wrong key
  // or damaged data).
  std::string DecryptedString(std::string_view ciphertext) const;

 protected:
  T64BitBlockCipher() = default;
};

}  // namespace dodu

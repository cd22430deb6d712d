#include "db/block_cipher.h"

#include <algorithm>
#include <vector>

#include "base/error.h"

namespace dodu {

namespace {

constexpr size_t kBlocksPerChunk = 512;

uint64_t LoadLittleEndian(const uint8_t* bytes) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

void StoreLittleEndian(uint64_t value, uint8_t* bytes) {
  for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

// A padding count outside 1..block size means the key is wrong or the data damaged; taking it
// at face value would cut the result at a random length or read before its start.
size_t CheckedPaddingCount(uint8_t count, size_t block_size) {
  if (count < 1 || count > block_size) throw Error("Ciphertext padding is invalid.");
  return count;
}

void ReadExactly(std::istream& in, uint8_t* buffer, size_t count) {
  in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(count));
  if (static_cast<size_t>(in.gcount()) != count) throw Error("Stream read error.");
}

void WriteAll(std::ostream& out, const uint8_t* buffer, size_t count) {
  out.write(reinterpret_cast<const char*>(buffer), static_cast<std::streamsize>(count));
  if (!out) throw Error("Stream write error.");
}

}  // namespace

size_t TBlockCipher::CiphertextLength(size_t plaintext_length) const {
  return (plaintext_length / BlockSize() + 1) * BlockSize();
}

void TBlockCipher::CheckKeyLength(size_t length) const {
  if (length < MinKeyLength()) {
    throw Error("Key must be at least " + std::to_string(MinKeyLength()) + " bytes long.");
  }
}

void TBlockCipher::CheckBlockSize(std::span<const uint8_t> block) const {
  if (block.size() != BlockSize()) {
    throw Error("A block must be " + std::to_string(BlockSize()) + " bytes long.");
  }
}

void TBlockCipher::EncryptStream(std::istream& plaintext, std::ostream& ciphertext) const {
  const size_t block_size = BlockSize();
  const size_t chunk_size = kBlocksPerChunk * block_size;
  // One block more than a chunk, so the padding block of a short chunk always fits.
  std::vector<uint8_t> buffer(chunk_size + block_size);
  for (;;) {
    plaintext.read(reinterpret_cast<char*>(buffer.data()), static_cast<std::streamsize>(chunk_size));
    if (plaintext.bad()) throw Error("Stream read error.");
    const size_t count = static_cast<size_t>(plaintext.gcount());
    const size_t whole = count / block_size * block_size;
    for (size_t offset = 0; offset < whole; offset += block_size) {
      EncryptBlock(std::span(buffer.data() + offset, block_size));
    }
    if (count == chunk_size) {
      WriteAll(ciphertext, buffer.data(), count);
      continue;
    }
    // The first short read ends the plaintext (it may be empty). The bytes between the data and
    // the count are free; they get the count, so the result equals EncryptedString's.
    const size_t padding = block_size - count % block_size;
    std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(count),
              buffer.begin() + static_cast<std::ptrdiff_t>(whole + block_size),
              static_cast<uint8_t>(padding));
    EncryptBlock(std::span(buffer.data() + whole, block_size));
    WriteAll(ciphertext, buffer.data(), count + padding);
    return;
  }
}

void TBlockCipher::DecryptStream(std::istream& ciphertext, std::ostream& plaintext) const {
  const size_t block_size = BlockSize();
  const std::streampos start = ciphertext.tellg();
  if (start == std::streampos(-1) || !ciphertext.seekg(0, std::ios::end)) {
    throw Error("Stream read error.");
  }
  const std::streamoff length = ciphertext.tellg() - start;
  if (length <= 0 || static_cast<size_t>(length) % block_size != 0) {
    throw Error("Ciphertext length is not a multiple of " + std::to_string(block_size) + ".");
  }

  // The padding count is checked before anything is written, so a wrong key leaves no output.
  std::vector<uint8_t> buffer(kBlocksPerChunk * block_size);
  ciphertext.seekg(start + (length - static_cast<std::streamoff>(block_size)));
  ReadExactly(ciphertext, buffer.data(), block_size);
  DecryptBlock(std::span(buffer.data(), block_size));
  const size_t padding = CheckedPaddingCount(buffer[block_size - 1], block_size);

  ciphertext.seekg(start);
  size_t remaining = static_cast<size_t>(length);
  while (remaining > 0) {
    const size_t count = std::min(buffer.size(), remaining);
    ReadExactly(ciphertext, buffer.data(), count);
    for (size_t offset = 0; offset < count; offset += block_size) {
      DecryptBlock(std::span(buffer.data() + offset, block_size));
    }
    remaining -= count;
    WriteAll(plaintext, buffer.data(), remaining == 0 ? count - padding : count);
  }
}

void T64BitBlockCipher::EncryptBlock(std::span<uint8_t> plaintext) const {
  CheckBlockSize(plaintext);
  StoreLittleEndian(EncryptedBlock(LoadLittleEndian(plaintext.data())), plaintext.data());
}

void T64BitBlockCipher::DecryptBlock(std::span<uint8_t> ciphertext) const {
  CheckBlockSize(ciphertext);
  StoreLittleEndian(DecryptedBlock(LoadLittleEndian(ciphertext.data())), ciphertext.data());
}

std::string T64BitBlockCipher::EncryptedString(std::string_view plaintext) const {
  const size_t whole = plaintext.size() / kBlockSize * kBlockSize;
  const size_t padding = kBlockSize - plaintext.size() % kBlockSize;
  std::string result(whole + kBlockSize, static_cast<char>(padding));
  std::copy(plaintext.begin(), plaintext.end(), result.begin());
  auto* bytes = reinterpret_cast<uint8_t*>(result.data());
  for (size_t offset = 0; offset < result.size(); offset += kBlockSize) {
    StoreLittleEndian(EncryptedBlock(LoadLittleEndian(bytes + offset)), bytes + offset);
  }
  return result;
}

std::string T64BitBlockCipher::DecryptedString(std::string_view ciphertext) const {
  if (ciphertext.empty() || ciphertext.size() % kBlockSize != 0) {
    throw Error("Ciphertext is not a multiple of " + std::to_string(kBlockSize) + " bytes.");
  }
  std::string result(ciphertext);
  auto* bytes = reinterpret_cast<uint8_t*>(result.data());
  const size_t last = result.size() - kBlockSize;
  StoreLittleEndian(DecryptedBlock(LoadLittleEndian(bytes + last)), bytes + last);
  const size_t padding = CheckedPaddingCount(bytes[result.size() - 1], kBlockSize);
  for (size_t offset = 0; offset < last; offset += kBlockSize) {
    StoreLittleEndian(DecryptedBlock(LoadLittleEndian(bytes + offset)), bytes + offset);
  }
  result.resize(result.size() - padding);
  return result;
}

}  // namespace dodu

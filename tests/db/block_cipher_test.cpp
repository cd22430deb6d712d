#include "db/block_cipher.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "base/error.h"
#include "db/block_cipher_test_bytes.h"
#include "db/blowfish_cipher.h"
#include "db/des_cipher.h"

namespace dodu {
namespace {

using test::ToHex;

struct CipherCase {
  const char* name;
  std::function<std::unique_ptr<T64BitBlockCipher>()> make;
};

// The mode, the padding and the streams are shared code; each runs over both ciphers.
class BlockCipherTest : public ::testing::TestWithParam<CipherCase> {
 protected:
  void SetUp() override { cipher_ = GetParam().make(); }

  std::string Block(std::string bytes) const {
    cipher_->EncryptBlock(std::span(reinterpret_cast<uint8_t*>(bytes.data()), bytes.size()));
    return bytes;
  }

  std::string EncryptedByStream(const std::string& plaintext) const {
    std::istringstream in(plaintext);
    std::ostringstream out;
    cipher_->EncryptStream(in, out);
    return out.str();
  }

  std::string DecryptedByStream(const std::string& ciphertext) const {
    std::istringstream in(ciphertext);
    std::ostringstream out;
    cipher_->DecryptStream(in, out);
    return out.str();
  }

  std::unique_ptr<T64BitBlockCipher> cipher_;
};

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

TEST_P(BlockCipherTest, CiphertextLengthAlwaysAddsPadding) {
  const std::pair<size_t, size_t> cases[] = {{0, 8}, {1, 8}, {7, 8}, {8, 16}, {15, 16}, {16, 24}};
  for (auto [plaintext, ciphertext] : cases) {
    EXPECT_EQ(cipher_->CiphertextLength(plaintext), ciphertext) << plaintext;
  }
}

TEST_P(BlockCipherTest, StringPaddingLayout) {
  // Empty: one whole block of eight 08 bytes.
  EXPECT_EQ(ToHex(cipher_->EncryptedString("")), ToHex(Block(std::string(8, '\x08'))));
  // A whole block: the block, then a block of padding.
  EXPECT_EQ(ToHex(cipher_->EncryptedString("ABCDEFGH")),
            ToHex(Block("ABCDEFGH") + Block(std::string(8, '\x08'))));
  // A ragged end: the last bytes in front of p bytes of value p; blocks are enciphered alone,
  // so equal plaintext blocks give equal ciphertext blocks.
  EXPECT_EQ(ToHex(cipher_->EncryptedString("ABCDEFGHABCDEFGHxyzuv")),
            ToHex(Block("ABCDEFGH") + Block("ABCDEFGH") + Block("xyzuv\x03\x03\x03")));
}

TEST_P(BlockCipherTest, StringRoundTripForEveryLengthUpToFiveBlocks) {
  std::mt19937 random(7);
  for (size_t length = 0; length <= 40; ++length) {
    const std::string plaintext = test::RandomBytes(random, length);
    const std::string ciphertext = cipher_->EncryptedString(plaintext);
    EXPECT_EQ(ciphertext.size(), cipher_->CiphertextLength(length)) << length;
    EXPECT_EQ(ToHex(cipher_->DecryptedString(ciphertext)), ToHex(plaintext)) << length;
  }
}

TEST_P(BlockCipherTest, DecryptedStringRejectsBadLengthsAndPadding) {
  for (size_t length : {0, 7, 9, 15}) {
    EXPECT_EQ(ErrorOf([&] { cipher_->DecryptedString(std::string(length, 'x')); }),
              "Ciphertext is not a multiple of 8 bytes.")
        << length;
  }
  // A last byte that is no count from 1 to 8 comes from a wrong key or damaged data.
  for (char count : {'\x00', '\x09', '\xFF'}) {
    const std::string ciphertext = Block(std::string("1234567") + count);
    EXPECT_EQ(ErrorOf([&] { cipher_->DecryptedString(ciphertext); }),
              "Ciphertext padding is invalid.")
        << int(count);
  }
  EXPECT_EQ(cipher_->DecryptedString(Block(std::string(8, '\x08'))), "");
  // Only the count is read: the stream variant leaves the filler bytes unset.
  EXPECT_EQ(cipher_->DecryptedString(Block("abc\xEE\xEE\xEE\xEE\x05")), "abc");
}

TEST_P(BlockCipherTest, StreamsEqualStringsAndRoundTripAcrossChunkBoundaries) {
  std::mt19937 random(11);
  for (size_t length : {0, 1, 7, 8, 9, 4088, 4095, 4096, 4097, 4103, 4104, 8192, 8200}) {
    const std::string plaintext = test::RandomBytes(random, length);
    const std::string ciphertext = EncryptedByStream(plaintext);
    EXPECT_EQ(ciphertext.size(), cipher_->CiphertextLength(length)) << length;
    // The filler bytes of the stream's last block are free; they are the count here, so the
    // stream and string forms agree.
    EXPECT_EQ(ciphertext, cipher_->EncryptedString(plaintext)) << length;
    EXPECT_EQ(DecryptedByStream(ciphertext), plaintext) << length;
  }
  EXPECT_EQ(EncryptedByStream(std::string(4096, 'z')).size(), 4104u);
  EXPECT_EQ(DecryptedByStream(EncryptedByStream(std::string(4096, 'z'))), std::string(4096, 'z'));
}

TEST_P(BlockCipherTest, StreamsStartAtTheCurrentPosition) {
  std::istringstream plaintext("skipped:the text");
  plaintext.seekg(8);
  std::ostringstream ciphertext;
  cipher_->EncryptStream(plaintext, ciphertext);
  EXPECT_EQ(ciphertext.str(), cipher_->EncryptedString("the text"));

  std::istringstream prefixed("junk" + ciphertext.str());
  prefixed.seekg(4);
  std::ostringstream out;
  cipher_->DecryptStream(prefixed, out);
  EXPECT_EQ(out.str(), "the text");
}

TEST_P(BlockCipherTest, DecryptStreamRejectsBadLengthsAndPaddingBeforeWriting) {
  for (size_t length : {0, 7, 4097}) {
    EXPECT_EQ(ErrorOf([&] { DecryptedByStream(std::string(length, 'x')); }),
              "Ciphertext length is not a multiple of 8.")
        << length;
  }
  // Many good blocks and a bad count at the end: nothing reaches the output.
  const std::string ciphertext =
      cipher_->EncryptedString(std::string(5000, 'a')).substr(0, 5000 / 8 * 8) +
      Block(std::string("1234567\x00", 8));
  std::istringstream in(ciphertext);
  std::ostringstream out;
  EXPECT_EQ(ErrorOf([&] { cipher_->DecryptStream(in, out); }), "Ciphertext padding is invalid.");
  EXPECT_EQ(out.str(), "");
}

TEST_P(BlockCipherTest, StreamFailuresAreReported) {
  std::istringstream in("some plaintext");
  std::ostringstream broken;
  broken.setstate(std::ios::badbit);
  EXPECT_EQ(ErrorOf([&] { cipher_->EncryptStream(in, broken); }), "Stream write error.");
}

TEST_P(BlockCipherTest, BlockOperationsTakeExactlyOneBlock) {
  std::string bytes(9, 'x');
  const auto span = [&](size_t size) {
    return std::span(reinterpret_cast<uint8_t*>(bytes.data()), size);
  };
  EXPECT_EQ(ErrorOf([&] { cipher_->EncryptBlock(span(7)); }), "A block must be 8 bytes long.");
  EXPECT_EQ(ErrorOf([&] { cipher_->DecryptBlock(span(9)); }), "A block must be 8 bytes long.");
  EXPECT_EQ(bytes, std::string(9, 'x'));
  cipher_->EncryptBlock(span(8));
  EXPECT_NE(bytes.substr(0, 8), std::string(8, 'x'));
  cipher_->DecryptBlock(span(8));
  EXPECT_EQ(bytes, std::string(9, 'x'));
}

INSTANTIATE_TEST_SUITE_P(
    Ciphers, BlockCipherTest,
    ::testing::Values(
        CipherCase{"DES", [] { return std::make_unique<TDESCipher>(std::string_view("k3y-8byt")); }},
        CipherCase{"Blowfish",
                   [] {
                     return std::make_unique<TBlowfishCipher>(
                         std::string_view("a longer Blowfish key"));
                   }}),
    [](const ::testing::TestParamInfo<CipherCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dodu

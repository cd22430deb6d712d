#include "db/text_cipher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "base/error.h"
#include "base/text_encoding.h"
#include "db/block_cipher_openssl_reference.h"
#include "db/block_cipher_test_bytes.h"
#include "db/des_cipher.h"

namespace dodu {
namespace {

using test::ReversedRuns;

bool AllDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string ErrorOf(std::string_view digits) {
  try {
    DeCiphersText(digits);
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

// An 8-bit text of `length` bytes; over the lengths 0 to 64 every byte value occurs.
std::string EightBitText(size_t length) {
  std::string bytes;
  for (size_t i = 0; i < length; ++i) bytes += static_cast<char>((length * 67 + i * 131) % 256);
  return bytes;
}

TEST(TextCipherTest, RoundTripsEveryEightBitTextLengthFromZeroToSixtyFour) {
  for (size_t length = 0; length <= 64; ++length) {
    const std::string bytes = EightBitText(length);
    const std::string text = Cp1252ToUtf8(bytes);
    const std::string digits = CiphersText(text);
    const size_t expected_digits = length == 0 ? 0 : 3 * (length / 8 + 1) * 8;
    EXPECT_EQ(digits.size(), expected_digits) << length;
    EXPECT_TRUE(AllDigits(digits)) << length;
    EXPECT_EQ(DeCiphersText(digits), text) << length;
    EXPECT_EQ(Utf8ToCp1252(DeCiphersText(digits)), bytes) << length;
  }
}

TEST(TextCipherTest, RoundTripsAllByteValues) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1252(DeCiphersText(CiphersText(Cp1252ToUtf8(bytes)))), bytes);
}

// The digits are DES-ECB (standard DES on byte-reversed blocks and key) of the Windows-1252
// bytes with the padding, three decimal digits a byte.
TEST(TextCipherTest, DigitsAreThreePerByteOfTheDesCiphertext) {
  const std::array<uint8_t, 8> key_bytes = TextCipherKey();
  const std::string key(key_bytes.begin(), key_bytes.end());
  for (std::string text : {"x", "Senha", "ação €uro", "exactly8", "a longer password text"}) {
    std::string padded = Utf8ToCp1252(text);
    const size_t padding = 8 - padded.size() % 8;
    padded.append(padding, static_cast<char>(padding));
    const std::string ciphertext =
        ReversedRuns(test::OpenSslEcb("DES-ECB", ReversedRuns(key, 8), ReversedRuns(padded, 8),
                                      true),
                     8);
    std::string expected;
    for (unsigned char byte : ciphertext) {
      char group[4];
      std::snprintf(group, sizeof group, "%03u", byte);
      expected += group;
    }
    EXPECT_EQ(CiphersText(text), expected) << text;
  }
  EXPECT_EQ(CiphersText("abcde").size(), 24u);
}

// Passwords ciphered once are stored; a change of key or format would make them unreadable.
TEST(TextCipherTest, KeepsTheStoredFormOfAKnownPassword) {
  EXPECT_EQ(CiphersText("Secret1"), "180175051138002090085254");
  EXPECT_EQ(DeCiphersText("180175051138002090085254"), "Secret1");
}

TEST(TextCipherTest, TextsOutsideTheCodePage) {
  EXPECT_EQ(DeCiphersText(CiphersText("Conceição €5")), "Conceição €5");
  // Like every 8-bit text of the system, a character without a Windows-1252 byte becomes "?".
  EXPECT_EQ(DeCiphersText(CiphersText("漢字ok")), "??ok");
}

TEST(TextCipherTest, EmptyAndRaggedDigitTexts) {
  EXPECT_EQ(CiphersText(""), "");
  EXPECT_EQ(DeCiphersText(""), "");
  // An incomplete final group is ignored.
  EXPECT_EQ(DeCiphersText(CiphersText("pass") + "12"), "pass");
  EXPECT_EQ(DeCiphersText(CiphersText("pass") + "7"), "pass");
}

TEST(TextCipherTest, RejectsDigitTextsThatNoCipheringProduced) {
  const std::string good = CiphersText("pass");
  EXPECT_EQ(ErrorOf("12a" + good.substr(3)), "'12a' is not a valid integer value");
  EXPECT_EQ(ErrorOf(" 12" + good.substr(3)), "' 12' is not a valid integer value");
  EXPECT_EQ(ErrorOf("-01" + good.substr(3)), "'-01' is not a valid integer value");
  EXPECT_EQ(ErrorOf("256" + good.substr(3)), "'256' is not a valid byte value");
  EXPECT_EQ(ErrorOf(good.substr(3)), "Ciphertext is not a multiple of 8 bytes.");
  EXPECT_EQ(ErrorOf("12"), "Ciphertext is not a multiple of 8 bytes.");
  // A last block whose count deciphers to 0.
  const std::array<uint8_t, 8> key = TextCipherKey();
  const uint64_t bad_block = TDESCipher(key.data(), key.size()).EncryptedBlock(0x0011223344556677);
  std::string digits;
  for (int i = 0; i < 8; ++i) {
    char group[4];
    std::snprintf(group, sizeof group, "%03u", static_cast<unsigned>((bad_block >> (8 * i)) & 0xFF));
    digits += group;
  }
  EXPECT_EQ(ErrorOf(digits), "Ciphertext padding is invalid.");
}

}  // namespace
}  // namespace dodu

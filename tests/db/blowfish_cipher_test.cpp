#include "db/blowfish_cipher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/error.h"
#include "db/block_cipher_openssl_reference.h"
#include "db/block_cipher_test_bytes.h"

namespace dodu {
namespace {

using test::FromHex;
using test::ToHex;

// The published vectors write each half most significant byte first; this cipher reads the
// halves little-endian, so the vectors hold with each 4-byte half reversed.
std::string Halves(std::string_view bytes) { return test::ReversedRuns(bytes, 4); }

std::string Encrypted(const TBlowfishCipher& cipher, std::string bytes) {
  for (size_t at = 0; at < bytes.size(); at += 8) {
    cipher.EncryptBlock(std::span(reinterpret_cast<uint8_t*>(bytes.data() + at), 8));
  }
  return bytes;
}

std::string Decrypted(const TBlowfishCipher& cipher, std::string bytes) {
  for (size_t at = 0; at < bytes.size(); at += 8) {
    cipher.DecryptBlock(std::span(reinterpret_cast<uint8_t*>(bytes.data() + at), 8));
  }
  return bytes;
}

struct KnownAnswer {
  const char* key;
  const char* plaintext;
  const char* ciphertext;
};

// Eric Young's ECB vectors as published by Bruce Schneier, standard byte order.
constexpr KnownAnswer kEcbVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "B1B8CC0B250F09A0"},
    {"07A1133E4A0B2686", "0248D43806F67172", "1730E5778BEA1DA4"},
    {"3849674C2602319E", "51454B582DDF440A", "A25E7856CF2651EB"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "353882B109CE8F1A"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "48F4D0884C379918"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "432193B78951FC98"},
    {"43297FAD38E373FE", "762514B829BF486A", "13F04154D69D1AE5"},
    {"07A7137045DA2A16", "3BDD119049372802", "2EEDDA93FFD39C79"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "D887E0393C2DA6E3"},
    {"37D06BB516CB7546", "164D5E404F275232", "5F99D04F5B163969"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "4A057A3B24D3977B"},
    {"584023641ABA6176", "004BD6EF09176062", "452031C1E4FADA8E"},
    {"025816164629B007", "480D39006EE762F2", "7555AE39F59B87BD"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "53C55F9CB49FC019"},
    {"4FB05E1515AB73A7", "072D43A077075292", "7A8E7BFA937E89A3"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "CF9C5D7A4986ADB5"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "D1ABB290658BC778"},
    {"1C587F1C13924FEF", "305532286D6F295A", "55CB3774D13EF201"},
    {"0101010101010101", "0123456789ABCDEF", "FA34EC4847B268B2"},
    {"1F1F1F1F0E0E0E0E", "0123456789ABCDEF", "A790795108EA3CAE"},
    {"E0FEE0FEF1FEF1FE", "0123456789ABCDEF", "C39E072D9FAC631D"},
    {"0000000000000000", "FFFFFFFFFFFFFFFF", "014933E0CDAFF6E4"},
    {"FFFFFFFFFFFFFFFF", "0000000000000000", "F21E9A77B71C49BC"},
    {"0123456789ABCDEF", "0000000000000000", "245946885754369A"},
    {"FEDCBA9876543210", "FFFFFFFFFFFFFFFF", "6B5C5A9C5D9E0A5A"},
};

TEST(BlowfishCipherTest, PublishedEcbVectorsWithLittleEndianHalves) {
  for (const KnownAnswer& vector : kEcbVectors) {
    SCOPED_TRACE(vector.key + std::string(" ") + vector.plaintext);
    const TBlowfishCipher cipher(FromHex(vector.key));
    const std::string ciphertext = Encrypted(cipher, Halves(FromHex(vector.plaintext)));
    EXPECT_EQ(ToHex(Halves(ciphertext)), vector.ciphertext);
    EXPECT_EQ(ToHex(Halves(Decrypted(cipher, ciphertext))), vector.plaintext);

    // As a 64-bit value the left half is the low word.
    const uint64_t value = std::stoull(vector.plaintext, nullptr, 16);
    const uint64_t expected = std::stoull(vector.ciphertext, nullptr, 16);
    const auto halves_swapped = [](uint64_t v) { return (v << 32) | (v >> 32); };
    EXPECT_EQ(cipher.EncryptedBlock(halves_swapped(value)), halves_swapped(expected));
  }
}

// The published variable-key-length set, from the shortest key this cipher takes up to its
// longest (56 bytes).
TEST(BlowfishCipherTest, PublishedVectorsForKeyLengthsEightAndUp) {
  const std::string key = FromHex(
      "F0E1D2C3B4A5968778695A4B3C2D1E0F0011223344556677"
      "04689104C2FD3B2F584023641ABA61761F1F1F1F0E0E0E0EFFFFFFFFFFFFFFFF");
  const struct {
    size_t length;
    const char* ciphertext;
  } cases[] = {
      {8, "E87A244E2CC85E82"},  {9, "15750E7A4F4EC577"},  {10, "122BA70B3AB64AE0"},
      {11, "3A833C9AFFC537F6"}, {12, "9409DA87A90F6BF2"}, {13, "884F80625060B8B4"},
      {14, "1F85031C19E11968"}, {15, "79D9373A714CA34F"}, {16, "93142887EE3BE15C"},
      {17, "03429E838CE2D14B"}, {18, "A4299E27469FF67B"}, {19, "AFD5AED1C1BC96A8"},
      {20, "10851C0E3858DA9F"}, {21, "E6F51ED79B9DB21F"}, {22, "64A6E14AFD36B46F"},
      {23, "80C7D7D45A5479AD"}, {24, "05044B62FA52D080"}, {56, "C04504012E4E1F53"},
  };
  for (const auto& c : cases) {
    const TBlowfishCipher cipher(key.data(), c.length);
    EXPECT_EQ(ToHex(Halves(Encrypted(cipher, Halves(FromHex("FEDCBA9876543210"))))),
              c.ciphertext)
        << c.length << "-byte key";
  }
}

TEST(BlowfishCipherTest, MatchesOpenSslWithLittleEndianHalvesOnRandomKeysAndBlocks) {
  std::mt19937 random(19931209);
  for (int round = 0; round < 120; ++round) {
    // Lengths up to 72 bytes, the most the key schedule can use.
    const std::string key = test::RandomBytes(random, 8 + static_cast<size_t>(round) % 65);
    const std::string blocks = test::RandomBytes(random, 8 * (1 + round % 5));
    const TBlowfishCipher cipher(key);
    const std::string mine = Encrypted(cipher, blocks);
    const std::string reference = Halves(test::OpenSslEcb("BF-ECB", key, Halves(blocks), true));
    ASSERT_EQ(ToHex(mine), ToHex(reference)) << key.size() << "-byte key " << ToHex(key);
    ASSERT_EQ(ToHex(Decrypted(cipher, mine)), ToHex(blocks));
  }
}

TEST(BlowfishCipherTest, KeyLengthLimits) {
  try {
    TBlowfishCipher cipher(std::string_view("1234567"));
    FAIL() << "a 7-byte key was accepted";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Key must be at least 8 bytes long.");
  }
  const std::string key(80, 'k');
  const TBlowfishCipher cipher(key);  // no upper limit is enforced
  EXPECT_EQ(cipher.MinKeyLength(), 8u);
  EXPECT_EQ(cipher.MaxKeyLength(), 56u);
  // The key schedule reads 72 bytes at most, so what follows them makes no difference.
  std::string other = key;
  other[75] = 'x';
  EXPECT_EQ(TBlowfishCipher(other).EncryptedBlock(42), cipher.EncryptedBlock(42));
  other[71] = 'x';
  EXPECT_NE(TBlowfishCipher(other).EncryptedBlock(42), cipher.EncryptedBlock(42));
}

}  // namespace
}  // namespace dodu

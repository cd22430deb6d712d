#include "db/des_cipher.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "base/error.h"
#include "db/block_cipher_openssl_reference.h"
#include "db/block_cipher_test_bytes.h"

namespace dodu {
namespace {

using test::FromHex;
using test::ReversedRuns;
using test::ToHex;

struct KnownAnswer {
  const char* key;
  const char* plaintext;
  const char* ciphertext;
};

// Published DES known answers, in the standard's byte order: the FIPS 81 example, the first
// variable-plaintext and variable-key entries and the substitution-table entries of NBS
// Special Publication 500-20, and the worked example that textbooks use.
constexpr KnownAnswer kKnownAnswers[] = {
    {"0123456789ABCDEF", "4E6F772069732074", "3FA40E8A984D4815"},
    {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
    {"0101010101010101", "4000000000000000", "DD7F121CA5015619"},
    {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
    {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "690F5B0D9A26939B"},
    {"0131D9619DC1376E", "5CD54CA83DEF57DA", "7A389D10354BD271"},
    {"07A1133E4A0B2686", "0248D43806F67172", "868EBB51CAB4599A"},
    {"3849674C2602319E", "51454B582DDF440A", "7178876E01F19B2A"},
    {"04B915BA43FEB5B6", "42FD443059577FA2", "AF37FB421F8C4095"},
    {"0113B970FD34F2CE", "059B5E0851CF143A", "86A560F10EC6D85B"},
    {"0170F175468FB5E6", "0756D8E0774761D2", "0CD3DA020021DC09"},
    {"43297FAD38E373FE", "762514B829BF486A", "EA676B2CB7DB2B7A"},
    {"07A7137045DA2A16", "3BDD119049372802", "DFD64A815CAF1A0F"},
    {"04689104C2FD3B2F", "26955F6835AF609A", "5C513C9C4886C088"},
    {"37D06BB516CB7546", "164D5E404F275232", "0A2AEEAE3FF4AB77"},
    {"1F08260D1AC2465E", "6B056E18759F5CCA", "EF1BF03E5DFA575A"},
    {"584023641ABA6176", "004BD6EF09176062", "88BF0DB6D70DEE56"},
    {"025816164629B007", "480D39006EE762F2", "A1F9915541020B56"},
    {"49793EBC79B3258F", "437540C8698F3CFA", "6FBF1CAFCFFD0556"},
    {"4FB05E1515AB73A7", "072D43A077075292", "2F22E49BAB7CA1AC"},
    {"49E95D6D4CA229BF", "02FE55778117F12A", "5A6B612CC26CCE4A"},
    {"018310DC409B26D6", "1D9D5C5018F728C2", "5F4C038ED12B2E41"},
    {"1C587F1C13924FEF", "305532286D6F295A", "63FAC0D034D9F793"},
};

// The published vectors hold with key, plaintext and ciphertext each in reversed byte order.
TEST(DESCipherTest, PublishedVectorsInReversedByteOrder) {
  for (const KnownAnswer& vector : kKnownAnswers) {
    SCOPED_TRACE(vector.key + std::string(" ") + vector.plaintext);
    const TDESCipher cipher(ReversedRuns(FromHex(vector.key), 8));
    std::string block = ReversedRuns(FromHex(vector.plaintext), 8);
    cipher.EncryptBlock(std::span(reinterpret_cast<uint8_t*>(block.data()), block.size()));
    EXPECT_EQ(ToHex(ReversedRuns(block, 8)), vector.ciphertext);
    cipher.DecryptBlock(std::span(reinterpret_cast<uint8_t*>(block.data()), block.size()));
    EXPECT_EQ(ToHex(ReversedRuns(block, 8)), vector.plaintext);

    // As 64-bit values the block is the standard's number itself.
    const uint64_t plaintext = std::stoull(vector.plaintext, nullptr, 16);
    const uint64_t ciphertext = std::stoull(vector.ciphertext, nullptr, 16);
    EXPECT_EQ(cipher.EncryptedBlock(plaintext), ciphertext);
    EXPECT_EQ(cipher.DecryptedBlock(ciphertext), plaintext);
  }
}

TEST(DESCipherTest, MatchesOpenSslInReversedByteOrderOnRandomKeysAndBlocks) {
  std::mt19937 random(20240305);
  for (int round = 0; round < 200; ++round) {
    const std::string key = test::RandomBytes(random, 8);
    const std::string blocks = test::RandomBytes(random, 8 * (1 + round % 4));
    const TDESCipher cipher(key);
    std::string mine = blocks;
    for (size_t at = 0; at < mine.size(); at += 8) {
      cipher.EncryptBlock(std::span(reinterpret_cast<uint8_t*>(mine.data() + at), 8));
    }
    const std::string reference = ReversedRuns(
        test::OpenSslEcb("DES-ECB", ReversedRuns(key, 8), ReversedRuns(blocks, 8), true), 8);
    ASSERT_EQ(ToHex(mine), ToHex(reference)) << "key " << ToHex(key);
    const std::string back = ReversedRuns(
        test::OpenSslEcb("DES-ECB", ReversedRuns(key, 8), ReversedRuns(mine, 8), false), 8);
    ASSERT_EQ(ToHex(back), ToHex(blocks));
  }
}

TEST(DESCipherTest, IgnoresParityBitsAndKeyBytesBeyondEight) {
  const std::string key = FromHex("0123456789ABCDEF");
  std::string flipped = key;
  for (char& c : flipped) c = static_cast<char>(c ^ 0x01);
  const uint64_t block = 0x0011223344556677ULL;
  const uint64_t expected = TDESCipher(key).EncryptedBlock(block);
  EXPECT_EQ(TDESCipher(flipped).EncryptedBlock(block), expected);
  EXPECT_EQ(TDESCipher(key + "extra").EncryptedBlock(block), expected);
  // A non-parity bit does matter.
  std::string changed = key;
  changed[0] = static_cast<char>(changed[0] ^ 0x02);
  EXPECT_NE(TDESCipher(changed).EncryptedBlock(block), expected);
}

TEST(DESCipherTest, RejectsAShortKey) {
  try {
    TDESCipher cipher(std::string_view("1234567"));
    FAIL() << "a 7-byte key was accepted";
  } catch (const Error& error) {
    EXPECT_STREQ(error.what(), "Key must be at least 8 bytes long.");
  }
  EXPECT_THROW(TDESCipher(nullptr, 0), Error);
  const TDESCipher cipher(std::string_view("12345678"));
  EXPECT_EQ(cipher.MinKeyLength(), 8u);
  EXPECT_EQ(cipher.MaxKeyLength(), 8u);
  EXPECT_EQ(cipher.BlockSize(), 8u);
}

}  // namespace
}  // namespace dodu

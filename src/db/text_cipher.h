#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace dodu {

// The store application's ciphering of short texts (passwords kept in its configuration or sent
// to its information service): DES with a fixed key over the text's Windows-1252 bytes, written
// as three decimal digits per ciphertext byte. Texts in and out are UTF-8; characters without a
// Windows-1252 byte become "?" before ciphering, as with any 8-bit text of the system.

// An empty text gives an empty result; a text of n Windows-1252 bytes gives 24 × (n div 8 + 1)
// digits, as there is always padding.
std::string CiphersText(std::string_view text);

// The inverse of CiphersText. An empty text gives an empty result; an incomplete final group
// of digits is ignored. Raises "'<group>' is not a valid integer value" for a group that is not
// three digits, "'<group>' is not a valid byte value" above 255, and the DES errors for a wrong
// length or padding.
std::string DeCiphersText(std::string_view digits);

// The fixed DES key of both operations, built from two 32-bit words (first four bytes from one,
// last four from the other, little-endian).
std::array<uint8_t, 8> TextCipherKey();

}  // namespace dodu

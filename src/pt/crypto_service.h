#pragma once

#include <string>

namespace dodu {

// The RSA key pair as PEM texts (PKCS #1 or the generic PEM forms); an empty text is a missing key.
struct RsaKeyPair {
  std::string privateKeyPem;
  std::string publicKeyPem;

  // The pair embedded in the library at build time.
  static const RsaKeyPair& Embedded();
};

// Each key text is decoded and checked at its first use in the process and kept until the
// library unloads; the functions below may run on several threads at once.

// RSA PKCS #1 v1.5 signature over the SHA-1 digest of the text's UTF-8 bytes, as standard base64
// on one line (172 characters for a 1024-bit key). Raises when the key is missing or unusable and
// when signing fails: a document never gets an empty signature.
std::string SignText(const std::string& aText, const RsaKeyPair& aKeys = RsaKeyPair::Embedded());

// Replaces the file (creating its directory) with one line: the base64 of the PKCS #1 v1.5
// private-key encryption (type 1 padding) of the text's bytes, which the public key opens. The
// text must fit one RSA block (117 bytes for a 1024-bit key).
void WriteCheckFile(const std::string& aFileName, const std::string& aText,
                    const RsaKeyPair& aKeys = RsaKeyPair::Embedded());

// False with an empty text when the file does not exist; otherwise the text recovered with the
// public key. A file that does not open with the key raises an error naming the file.
bool ReadCheckFile(const std::string& aFileName, std::string& aText,
                   const RsaKeyPair& aKeys = RsaKeyPair::Embedded());

}  // namespace dodu

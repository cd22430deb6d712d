#pragma once

#include <memory>
#include <optional>
#include <string>

struct evp_pkey_st;

namespace dodu::host {

// The RSA public key that opens the library's signatures and series check files.
class PublicKey {
 public:
  // A PEM text (PKCS #1 "RSA PUBLIC KEY" or SubjectPublicKeyInfo); raises when it is none.
  explicit PublicKey(const std::string& pem);
  ~PublicKey();
  PublicKey(const PublicKey&) = delete;
  PublicKey& operator=(const PublicKey&) = delete;

  // Whether the base64 text is an RSA PKCS #1 v1.5 signature of the SHA-1 digest of the text.
  bool Verifies(const std::string& text, const std::string& base64_signature) const;
  // The text of a check file: base64 of a PKCS #1 v1.5 private-key encryption, recovered with
  // this key; none when it does not open.
  std::optional<std::string> Recover(const std::string& base64_text) const;

 private:
  evp_pkey_st* fKey = nullptr;
};

// Standard base64 (line breaks allowed); none when the text is not base64.
std::optional<std::string> DecodeBase64(const std::string& text);

}  // namespace dodu::host

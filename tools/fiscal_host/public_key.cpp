#include "fiscal_host/public_key.h"

#include <openssl/decoder.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <stdexcept>

namespace dodu::host {

namespace {

struct ContextFree {
  void operator()(EVP_PKEY_CTX* context) const { EVP_PKEY_CTX_free(context); }
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
  void operator()(EVP_ENCODE_CTX* context) const { EVP_ENCODE_CTX_free(context); }
  void operator()(OSSL_DECODER_CTX* context) const { OSSL_DECODER_CTX_free(context); }
};
template <typename T>
using Owned = std::unique_ptr<T, ContextFree>;

const unsigned char* Bytes(const std::string& text) { return reinterpret_cast<const unsigned char*>(text.data()); }

}  // namespace

std::optional<std::string> DecodeBase64(const std::string& text) {
  Owned<EVP_ENCODE_CTX> context(EVP_ENCODE_CTX_new());
  if (!context) return std::nullopt;
  std::string bytes(text.size() / 4 * 3 + 3, '\0');
  auto* out = reinterpret_cast<unsigned char*>(bytes.data());
  int length = 0, final_length = 0;
  EVP_DecodeInit(context.get());
  if (EVP_DecodeUpdate(context.get(), out, &length, Bytes(text), static_cast<int>(text.size())) < 0 ||
      EVP_DecodeFinal(context.get(), out + length, &final_length) != 1) {
    return std::nullopt;
  }
  bytes.resize(static_cast<size_t>(length + final_length));
  return bytes;
}

PublicKey::PublicKey(const std::string& pem) {
  EVP_PKEY* key = nullptr;
  Owned<OSSL_DECODER_CTX> decoder(
      OSSL_DECODER_CTX_new_for_pkey(&key, "PEM", nullptr, "RSA", EVP_PKEY_PUBLIC_KEY, nullptr, nullptr));
  const unsigned char* data = Bytes(pem);
  size_t length = pem.size();
  if (!decoder || OSSL_DECODER_from_data(decoder.get(), &data, &length) != 1 || key == nullptr) {
    EVP_PKEY_free(key);
    throw std::runtime_error("the public key is no PEM RSA public key");
  }
  fKey = key;
}

PublicKey::~PublicKey() { EVP_PKEY_free(fKey); }

bool PublicKey::Verifies(const std::string& text, const std::string& base64_signature) const {
  const std::optional<std::string> signature = DecodeBase64(base64_signature);
  if (!signature || signature->empty()) return false;
  Owned<EVP_MD_CTX> digest(EVP_MD_CTX_new());
  EVP_PKEY_CTX* context = nullptr;  // owned by the digest context
  return digest && EVP_DigestVerifyInit(digest.get(), &context, EVP_sha1(), nullptr, fKey) == 1 &&
         EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING) == 1 &&
         EVP_DigestVerify(digest.get(), Bytes(*signature), signature->size(), Bytes(text), text.size()) == 1;
}

std::optional<std::string> PublicKey::Recover(const std::string& base64_text) const {
  const std::optional<std::string> encrypted = DecodeBase64(base64_text);
  if (!encrypted || encrypted->empty()) return std::nullopt;
  Owned<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new_from_pkey(nullptr, fKey, nullptr));
  size_t length = 0;
  if (!context || EVP_PKEY_verify_recover_init(context.get()) != 1 ||
      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) != 1 ||
      EVP_PKEY_verify_recover(context.get(), nullptr, &length, Bytes(*encrypted), encrypted->size()) != 1) {
    return std::nullopt;
  }
  std::string text(length, '\0');
  if (EVP_PKEY_verify_recover(context.get(), reinterpret_cast<unsigned char*>(text.data()), &length,
                              Bytes(*encrypted), encrypted->size()) != 1) {
    return std::nullopt;
  }
  text.resize(length);
  return text;
}

}  // namespace dodu::host

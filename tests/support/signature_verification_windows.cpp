#include "support/signature_verification.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <memory>

#include "support/file_wait.h"

namespace dodu::testing {

namespace fs = std::filesystem;

namespace {

std::string OpenSslWords() {
  const unsigned long code = ERR_get_error();
  if (code == 0) return "Verification failure";
  char text[256];
  ERR_error_string_n(code, text, sizeof text);
  return text;
}

}  // namespace

// No openssl program runs beside a Windows program: OpenSSL's own verification, with the same
// public key, stands in for it.
bool OpenSslVerifies(const std::string& text, const std::string& signature_base64, const fs::path&,
                     std::string& output) {
  const std::string pem = ReadWholeFile(fs::path(DODU_KEY_DIR) / "public.pem");
  std::unique_ptr<BIO, decltype(&BIO_free)> source(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())),
                                                   &BIO_free);
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      PEM_read_bio_PUBKEY(source.get(), nullptr, nullptr, nullptr), &EVP_PKEY_free);
  if (!key) {
    output = "no public key in " + (fs::path(DODU_KEY_DIR) / "public.pem").string() + ": " + OpenSslWords();
    return false;
  }
  if (signature_base64.empty() || signature_base64.size() % 4 != 0) {
    output = "invalid base64 signature: " + signature_base64;
    return false;
  }
  std::string signature(signature_base64.size() / 4 * 3, '\0');
  const int decoded = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(signature.data()),
                                      reinterpret_cast<const unsigned char*>(signature_base64.data()),
                                      static_cast<int>(signature_base64.size()));
  if (decoded < 0) {
    output = "invalid base64 signature: " + signature_base64;
    return false;
  }
  const size_t padding = signature_base64.size() - signature_base64.find_last_not_of('=') - 1;
  signature.resize(static_cast<size_t>(decoded) - padding);
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  const bool verified =
      EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha1(), nullptr, key.get()) == 1 &&
      EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()), signature.size(),
                       reinterpret_cast<const unsigned char*>(text.data()), text.size()) == 1;
  output = verified ? "Verified OK" : OpenSslWords();
  return verified;
}

}  // namespace dodu::testing

#pragma once

// OpenSSL's DES and Blowfish in ECB mode without padding: an independent reference for the
// system's own ciphers. Both live in OpenSSL 3's legacy provider; when it cannot be loaded the
// calls raise, so the tests that need it fail instead of passing without a reference.

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace dodu::test {

inline std::string OpenSslErrorText(const std::string& what) {
  char buffer[256] = "no OpenSSL error queued";
  if (unsigned long code = ERR_get_error(); code != 0) ERR_error_string_n(code, buffer, sizeof buffer);
  return what + ": " + buffer;
}

// Loads the legacy provider (and the default one, which an explicit load would otherwise
// displace) once for the process, and unloads both when the process ends so leak checkers stay
// quiet.
class LoadedProviders {
 public:
  LoadedProviders()
      : legacy_(OSSL_PROVIDER_load(nullptr, "legacy")),
        default_(OSSL_PROVIDER_load(nullptr, "default")) {}
  ~LoadedProviders() {
    if (default_ != nullptr) OSSL_PROVIDER_unload(default_);
    if (legacy_ != nullptr) OSSL_PROVIDER_unload(legacy_);
  }
  LoadedProviders(const LoadedProviders&) = delete;
  LoadedProviders& operator=(const LoadedProviders&) = delete;
  bool Loaded() const { return legacy_ != nullptr && default_ != nullptr; }

 private:
  OSSL_PROVIDER* legacy_;
  OSSL_PROVIDER* default_;
};

inline void RequireLegacyProvider() {
  static const LoadedProviders providers;
  if (!providers.Loaded()) {
    throw std::runtime_error(OpenSslErrorText(
        "OpenSSL's legacy provider is not available (legacy.so under the ossl-modules "
        "directory); the DES and Blowfish reference cannot run"));
  }
}

// `name` is "DES-ECB" or "BF-ECB"; `data` is whole 8-byte blocks in the standard's byte order.
inline std::string OpenSslEcb(const char* name, std::string_view key, std::string_view data,
                              bool encrypt) {
  RequireLegacyProvider();
  std::unique_ptr<EVP_CIPHER, decltype(&EVP_CIPHER_free)> cipher(
      EVP_CIPHER_fetch(nullptr, name, nullptr), &EVP_CIPHER_free);
  if (!cipher) throw std::runtime_error(OpenSslErrorText(std::string("fetching ") + name));
  std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> context(EVP_CIPHER_CTX_new(),
                                                                          &EVP_CIPHER_CTX_free);
  const auto* key_bytes = reinterpret_cast<const unsigned char*>(key.data());
  // The key length is set before the key: Blowfish's default is 16 bytes.
  if (!context || EVP_CipherInit_ex2(context.get(), cipher.get(), nullptr, nullptr, encrypt ? 1 : 0,
                                     nullptr) != 1 ||
      (static_cast<size_t>(EVP_CIPHER_CTX_get_key_length(context.get())) != key.size() &&
       EVP_CIPHER_CTX_set_key_length(context.get(), static_cast<int>(key.size())) != 1) ||
      EVP_CipherInit_ex2(context.get(), nullptr, key_bytes, nullptr, -1, nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(context.get(), 0) != 1) {
    throw std::runtime_error(OpenSslErrorText(std::string("setting up ") + name));
  }
  std::string out(data.size() + 8, '\0');
  int written = 0;
  int final_written = 0;
  auto* out_bytes = reinterpret_cast<unsigned char*>(out.data());
  if (EVP_CipherUpdate(context.get(), out_bytes, &written,
                       reinterpret_cast<const unsigned char*>(data.data()),
                       static_cast<int>(data.size())) != 1 ||
      EVP_CipherFinal_ex(context.get(), out_bytes + written, &final_written) != 1) {
    throw std::runtime_error(OpenSslErrorText(std::string("running ") + name));
  }
  out.resize(static_cast<size_t>(written + final_written));
  return out;
}

}  // namespace dodu::test

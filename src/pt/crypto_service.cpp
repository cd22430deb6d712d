#include "pt/crypto_service.h"

#include <openssl/crypto.h>
#include <openssl/decoder.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>

#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "base/error.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "pt/embedded_keys.h"

namespace dodu {

namespace {

struct OpenSslDeleter {
  void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
  void operator()(EVP_PKEY_CTX* p) const { EVP_PKEY_CTX_free(p); }
  void operator()(EVP_MD_CTX* p) const { EVP_MD_CTX_free(p); }
  void operator()(OSSL_DECODER_CTX* p) const { OSSL_DECODER_CTX_free(p); }
};
template <typename T>
using OpenSslPtr = std::unique_ptr<T, OpenSslDeleter>;

using Bytes = std::vector<unsigned char>;

// Drains this thread's OpenSSL error queue into one text.
std::string OpenSslReasons(std::string_view fallback) {
  std::string reasons;
  while (unsigned long code = ERR_get_error()) {
    char buffer[256];
    ERR_error_string_n(code, buffer, sizeof buffer);
    if (!reasons.empty()) reasons += "; ";
    reasons += buffer;
  }
  return reasons.empty() ? std::string(fallback) : reasons;
}

// Keys are never protected by a passphrase; refusing one keeps OpenSSL from prompting on a
// terminal when an encrypted key shows up.
int RefusePassphrase(char*, int, int, void*) { return -1; }

OpenSslPtr<EVP_PKEY> DecodePem(const std::string& aPem, int aSelection) {
  EVP_PKEY* key = nullptr;
  OpenSslPtr<OSSL_DECODER_CTX> decoder(
      OSSL_DECODER_CTX_new_for_pkey(&key, "PEM", nullptr, nullptr, aSelection, nullptr, nullptr));
  if (!decoder) return nullptr;
  OSSL_DECODER_CTX_set_pem_password_cb(decoder.get(), RefusePassphrase, nullptr);
  const auto* data = reinterpret_cast<const unsigned char*>(aPem.data());
  size_t length = aPem.size();
  if (OSSL_DECODER_from_data(decoder.get(), &data, &length) != 1) {
    EVP_PKEY_free(key);
    return nullptr;
  }
  return OpenSslPtr<EVP_PKEY>(key);
}

// A key that decodes but is no consistent RSA key would sign documents nobody can verify.
bool IsUsableRsaKey(EVP_PKEY* aKey, bool aPrivate, std::string& aReason) {
  if (!EVP_PKEY_is_a(aKey, "RSA")) {
    aReason = std::string("not an RSA key: ") + EVP_PKEY_get0_type_name(aKey);
    return false;
  }
  OpenSslPtr<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new_from_pkey(nullptr, aKey, nullptr));
  bool valid = context && (aPrivate ? EVP_PKEY_pairwise_check(context.get()) : EVP_PKEY_public_check(context.get())) == 1;
  if (!valid) aReason = OpenSslReasons("the key fails its consistency check");
  return valid;
}

OpenSslPtr<EVP_PKEY> DecodePrivateKey(const std::string& aPem) {
  ERR_clear_error();
  OpenSslPtr<EVP_PKEY> key = DecodePem(aPem, EVP_PKEY_KEYPAIR);
  if (!key) {
    ERR_clear_error();
    throw Error("Error while loading PEM Private Key.");
  }
  std::string reason;
  if (!IsUsableRsaKey(key.get(), true, reason))
    throw Error("Error while importing private key in RSA Object. [" + reason + "]");
  ERR_clear_error();  // what the decoders tried and dropped must not read as a later reason
  return key;
}

OpenSslPtr<EVP_PKEY> DecodePublicKey(const std::string& aPem) {
  ERR_clear_error();
  OpenSslPtr<EVP_PKEY> key = DecodePem(aPem, EVP_PKEY_PUBLIC_KEY);
  if (!key) {
    ERR_clear_error();
    throw Error("Error while loading PEM Public Key.");
  }
  std::string reason;
  if (!IsUsableRsaKey(key.get(), false, reason))
    throw Error("Error while importing public key in RSA Object. [" + reason + "]");
  ERR_clear_error();
  return key;
}

// Keys decoded and checked once per process, by their PEM text: the consistency check of a
// private key (primality tests) costs far more than the operation it guards. A key that fails
// is not kept, so it fails the same way at every use. Loaded keys are only read afterwards,
// which OpenSSL allows from several threads at once.
class LoadedKeys {
 public:
  // OpenSSL is initialised before this object is complete, so its exit clean-up is registered
  // first and runs after the keys are released, at process exit as at library unload.
  LoadedKeys() { OPENSSL_init_crypto(0, nullptr); }
  LoadedKeys(const LoadedKeys&) = delete;
  LoadedKeys& operator=(const LoadedKeys&) = delete;

  EVP_PKEY* Private(const std::string& aPem) { return Find(fPrivate, aPem, DecodePrivateKey); }
  EVP_PKEY* Public(const std::string& aPem) { return Find(fPublic, aPem, DecodePublicKey); }

 private:
  using Keys = std::map<std::string, OpenSslPtr<EVP_PKEY>, std::less<>>;

  EVP_PKEY* Find(Keys& aKeys, const std::string& aPem, OpenSslPtr<EVP_PKEY> (*aDecode)(const std::string&)) {
    std::lock_guard<std::mutex> lock(fMutex);
    auto found = aKeys.find(aPem);
    if (found != aKeys.end()) return found->second.get();
    // Decoded under the lock: two threads at first use must not both pay for the check.
    return aKeys.emplace(aPem, aDecode(aPem)).first->second.get();
  }

  std::mutex fMutex;
  Keys fPrivate, fPublic;
};

LoadedKeys& ProcessKeys() {
  static LoadedKeys keys;
  return keys;
}

EVP_PKEY* LoadPrivateKey(const std::string& aPem, const char* aNotFoundMessage) {
  if (aPem.empty()) throw Error(aNotFoundMessage);
  return ProcessKeys().Private(aPem);
}

EVP_PKEY* LoadPublicKey(const std::string& aPem) {
  // The wording says "encrypt" although the public key decrypts; callers and logs know it so.
  if (aPem.empty()) throw Error("Public Key not found. Unable to encrypt string");
  return ProcessKeys().Public(aPem);
}

std::string Base64Encode(const Bytes& aBytes) {
  std::string text(4 * ((aBytes.size() + 2) / 3) + 1, '\0');
  int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(text.data()), aBytes.data(),
                               static_cast<int>(aBytes.size()));
  text.resize(static_cast<size_t>(length));
  return text;
}

// Standard base64; line breaks and blanks anywhere are ignored.
bool Base64Decode(std::string_view aText, Bytes& aBytes) {
  std::string compact;
  for (char c : aText)
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') compact += c;
  if (compact.size() % 4 != 0) return false;
  size_t padding = 0;
  while (padding < 2 && padding < compact.size() && compact[compact.size() - 1 - padding] == '=') ++padding;
  aBytes.assign(3 * (compact.size() / 4), 0);
  int length = EVP_DecodeBlock(aBytes.data(), reinterpret_cast<const unsigned char*>(compact.data()),
                               static_cast<int>(compact.size()));
  if (length < 0 || static_cast<size_t>(length) < padding) return false;
  aBytes.resize(static_cast<size_t>(length) - padding);
  return true;
}

}  // namespace

const RsaKeyPair& RsaKeyPair::Embedded() {
  static const RsaKeyPair keys{EmbeddedPrivateKeyPem(), EmbeddedPublicKeyPem()};
  return keys;
}

std::string SignText(const std::string& aText, const RsaKeyPair& aKeys) {
  EVP_PKEY* key = LoadPrivateKey(aKeys.privateKeyPem, "Private Key not found. Unable to sign string");
  OpenSslPtr<EVP_MD_CTX> digest(EVP_MD_CTX_new());
  EVP_PKEY_CTX* context = nullptr;  // owned by the digest context
  const auto* data = reinterpret_cast<const unsigned char*>(aText.data());
  size_t length = 0;
  Bytes signature;
  bool signed_ok = digest && EVP_DigestSignInit(digest.get(), &context, EVP_sha1(), nullptr, key) == 1 &&
                   EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING) == 1 &&
                   EVP_DigestSign(digest.get(), nullptr, &length, data, aText.size()) == 1;
  if (signed_ok) {
    signature.resize(length);
    signed_ok = EVP_DigestSign(digest.get(), signature.data(), &length, data, aText.size()) == 1;
    signature.resize(length);
  }
  if (!signed_ok || signature.empty())
    throw Error("Unable to sign string. [" + OpenSslReasons("no signature produced") + "]");
  return Base64Encode(signature);
}

void WriteCheckFile(const std::string& aFileName, const std::string& aText, const RsaKeyPair& aKeys) {
  std::string directory = DirectoryOf(aFileName);
  if (!directory.empty() && !ForceDirectories(directory)) throw Error("Cannot create directory " + directory);
  EVP_PKEY* key = LoadPrivateKey(aKeys.privateKeyPem, "Private Key not found. Unable to encrypt string");
  // No digest is set: the text itself is padded (PKCS #1 type 1) and raised to the private
  // exponent, which is what the public key's "verify-recover" undoes.
  OpenSslPtr<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  const auto* data = reinterpret_cast<const unsigned char*>(aText.data());
  size_t length = 0;
  Bytes encrypted;
  bool encrypted_ok = context && EVP_PKEY_sign_init(context.get()) == 1 &&
                      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1 &&
                      EVP_PKEY_sign(context.get(), nullptr, &length, data, aText.size()) == 1;
  if (encrypted_ok) {
    encrypted.resize(length);
    encrypted_ok = EVP_PKEY_sign(context.get(), encrypted.data(), &length, data, aText.size()) == 1;
    encrypted.resize(length);
  }
  if (!encrypted_ok || encrypted.empty())
    throw Error("Unable to encrypt string for " + aFileName + ". [" + OpenSslReasons("no result produced") + "]");
  WriteFileAtomically(aFileName, Base64Encode(encrypted) + "\n");
}

bool ReadCheckFile(const std::string& aFileName, std::string& aText, const RsaKeyPair& aKeys) {
  aText.clear();
  if (!FileExists(aFileName)) return false;
  std::string content = ReadPrivateFileText(aFileName);
  EVP_PKEY* key = LoadPublicKey(aKeys.publicKeyPem);
  const std::string failure = "Check file " + aFileName + " cannot be decrypted. [";
  Bytes encrypted;
  if (!Base64Decode(content, encrypted) || encrypted.empty()) throw Error(failure + "not a base64 text]");
  OpenSslPtr<EVP_PKEY_CTX> context(EVP_PKEY_CTX_new_from_pkey(nullptr, key, nullptr));
  size_t length = 0;
  Bytes recovered;
  bool recovered_ok = context && EVP_PKEY_verify_recover_init(context.get()) == 1 &&
                      EVP_PKEY_CTX_set_rsa_padding(context.get(), RSA_PKCS1_PADDING) == 1 &&
                      EVP_PKEY_verify_recover(context.get(), nullptr, &length, encrypted.data(), encrypted.size()) == 1;
  if (recovered_ok) {
    recovered.resize(length);
    recovered_ok = EVP_PKEY_verify_recover(context.get(), recovered.data(), &length, encrypted.data(),
                                           encrypted.size()) == 1;
    recovered.resize(length);
  }
  if (!recovered_ok) throw Error(failure + OpenSslReasons("the key does not open it") + "]");
  aText.assign(recovered.begin(), recovered.end());
  return true;
}

}  // namespace dodu

#pragma once

namespace dodu {

// The RSA key pair the library signs with, as PKCS #1 PEM texts embedded at build time.
const char* EmbeddedPrivateKeyPem();
const char* EmbeddedPublicKeyPem();

}  // namespace dodu

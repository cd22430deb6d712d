#pragma once

namespace dodu::host {

// The SQLite schema of the store tables, as built.
const char* EmbeddedStoreSchema();
// The PostgreSQL schema of the same tables, for a server store.
const char* EmbeddedServerSchema();
// The public key that opens the library's signatures and check files, as built.
const char* EmbeddedPublicKeyPem();

}  // namespace dodu::host

#include "unavoidable_parts.h"

#include <openssl/decoder.h>
#include <openssl/evp.h>
#include <openssl/rsa.h>
#include <sqlite3.h>

#include <chrono>
#include <functional>
#include <memory>
#include <thread>
#include <stdexcept>
#include <vector>

#include "child_process.h"
#include "platform/files.h"

namespace dodu::bench {

namespace fs = std::filesystem;

namespace {

struct KeyDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;

Key LoadKey(const std::string& aPem) {
  EVP_PKEY* key = nullptr;
  OSSL_DECODER_CTX* decoder =
      OSSL_DECODER_CTX_new_for_pkey(&key, "PEM", nullptr, "RSA", EVP_PKEY_KEYPAIR, nullptr, nullptr);
  const auto* data = reinterpret_cast<const unsigned char*>(aPem.data());
  size_t length = aPem.size();
  const bool ok = decoder != nullptr && OSSL_DECODER_from_data(decoder, &data, &length) == 1;
  OSSL_DECODER_CTX_free(decoder);
  if (!ok) throw std::runtime_error("the private key does not load");
  return Key(key);
}

void SignDigest(EVP_PKEY* aKey, const std::string& aText) {
  EVP_MD_CTX* digest = EVP_MD_CTX_new();
  EVP_PKEY_CTX* context = nullptr;
  unsigned char signature[512];
  size_t length = sizeof signature;
  const bool ok = EVP_DigestSignInit(digest, &context, EVP_sha1(), nullptr, aKey) == 1 &&
                  EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING) == 1 &&
                  EVP_DigestSign(digest, signature, &length, reinterpret_cast<const unsigned char*>(aText.data()),
                                 aText.size()) == 1;
  EVP_MD_CTX_free(digest);
  if (!ok) throw std::runtime_error("signing failed");
}

void SignBlock(EVP_PKEY* aKey, const std::string& aText) {
  EVP_PKEY_CTX* context = EVP_PKEY_CTX_new_from_pkey(nullptr, aKey, nullptr);
  unsigned char block[512];
  size_t length = sizeof block;
  const bool ok = context != nullptr && EVP_PKEY_sign_init(context) == 1 &&
                  EVP_PKEY_CTX_set_rsa_padding(context, RSA_PKCS1_PADDING) == 1 &&
                  EVP_PKEY_sign(context, block, &length, reinterpret_cast<const unsigned char*>(aText.data()),
                                aText.size()) == 1;
  EVP_PKEY_CTX_free(context);
  if (!ok) throw std::runtime_error("encrypting the check block failed");
}

void Run(sqlite3* aDb, const char* aSql) {
  char* message = nullptr;
  if (sqlite3_exec(aDb, aSql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string reason = message != nullptr ? message : sqlite3_errmsg(aDb);
    sqlite3_free(message);
    throw std::runtime_error("commit part: " + reason);
  }
}

// A store file in write-ahead-log mode with full syncs, committing one row at a time.
class CommitTable {
 public:
  CommitTable(const fs::path& aFile, size_t aRowBytes) : fBody(aRowBytes, 'r') {
    if (sqlite3_open(aFile.c_str(), &fDb) != SQLITE_OK) throw std::runtime_error("cannot open " + aFile.string());
    Run(fDb, "pragma journal_mode=wal; pragma synchronous=FULL; create table if not exists r (n integer, body text)");
    if (sqlite3_prepare_v2(fDb, "insert into r values (?1, ?2)", -1, &fInsert, nullptr) != SQLITE_OK)
      throw std::runtime_error(sqlite3_errmsg(fDb));
  }
  ~CommitTable() {
    sqlite3_finalize(fInsert);
    sqlite3_close(fDb);
  }
  CommitTable(const CommitTable&) = delete;
  CommitTable& operator=(const CommitTable&) = delete;

  void Commit(int aNumber) {
    Run(fDb, "begin immediate");
    sqlite3_bind_int(fInsert, 1, aNumber);
    sqlite3_bind_text(fInsert, 2, fBody.data(), static_cast<int>(fBody.size()), SQLITE_STATIC);
    const int rc = sqlite3_step(fInsert);
    sqlite3_reset(fInsert);
    if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(fDb));
    Run(fDb, "commit");
  }

 private:
  std::string fBody;
  sqlite3* fDb = nullptr;
  sqlite3_stmt* fInsert = nullptr;
};

}  // namespace

struct UnavoidableParts::State {
  State(const fs::path& aDirectory, const std::string& aPem, size_t aRowBytes, size_t aCountersBytes,
        size_t aCheckBytes)
      : key(LoadKey(aPem)),
        table(aDirectory / "commit-part.db", aRowBytes),
        counters(aCountersBytes, 'c'),
        check(aCheckBytes, 'k'),
        countersFile((aDirectory / "counters-part.xml").string()),
        checkFile((aDirectory / "check-part.b64").string()) {}

  Key key;
  CommitTable table;
  const std::string signedText =
      "2024-02-09;2024-02-09T08:00:07;FR FR2024S01/0000042;27.45;" + std::string(172, 'S');
  std::string counters, check, countersFile, checkFile;
  int next = 0;
};

UnavoidableParts::UnavoidableParts(const fs::path& aDirectory, const std::string& aPrivateKeyPem, size_t aRowBytes,
                                   size_t aCountersBytes, size_t aCheckBytes) {
  fs::create_directories(aDirectory);
  fState = std::make_unique<State>(aDirectory, aPrivateKeyPem, aRowBytes, aCountersBytes, aCheckBytes);
  SignDigest(fState->key.get(), fState->signedText);  // the first use sets up the key's blinding
}

UnavoidableParts::~UnavoidableParts() = default;

void UnavoidableParts::Measure() {
  State& s = *fState;
  const int number = ++s.next;
  Stopwatch rsa;
  SignDigest(s.key.get(), s.signedText);
  SignBlock(s.key.get(), std::to_string(100000 + number));
  fRsa.Add(rsa.Milliseconds());
  Stopwatch commit;
  s.table.Commit(number);
  fCommit.Add(commit.Milliseconds());
  Stopwatch files;
  WriteFileAtomically(s.countersFile, s.counters);
  WriteFileAtomically(s.checkFile, s.check);
  fFiles.Add(files.Milliseconds());
}

double DurablePartsPerSecond(const fs::path& aDirectory, int aProcesses, size_t aRowBytes, size_t aCountersBytes,
                             size_t aCheckBytes, double aSeconds) {
  using Clock = std::chrono::steady_clock;
  fs::create_directories(aDirectory);
  const auto start = Clock::now() + std::chrono::milliseconds(300);
  const auto end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(aSeconds));
  std::vector<std::function<std::string()>> work;
  for (int p = 1; p <= aProcesses; ++p) {
    work.push_back([&, p]() -> std::string {
      const std::string name = "durable-" + std::to_string(p);
      CommitTable table(aDirectory / (name + ".db"), aRowBytes);
      const std::string counters(aCountersBytes, 'c'), check(aCheckBytes, 'k');
      const std::string counters_file = (aDirectory / (name + "-counters.xml")).string();
      const std::string check_file = (aDirectory / (name + "-check.b64")).string();
      std::this_thread::sleep_until(start);
      long documents = 0;
      while (Clock::now() < end) {
        table.Commit(static_cast<int>(documents));
        WriteFileAtomically(counters_file, counters);
        WriteFileAtomically(check_file, check);
        if (Clock::now() <= end) ++documents;
      }
      return std::to_string(documents);
    });
  }
  long total = 0;
  for (const std::string& answer : RunInChildren(work)) total += std::stol(answer);
  return static_cast<double>(total) / aSeconds;
}

}  // namespace dodu::bench

#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "sample_statistics.h"

namespace dodu::bench {

// What one document cannot do without, each measured alone:
// - two RSA private-key operations with a key already loaded (the signature over SHA-1 of a
//   signed text, and the check file's PKCS #1 block of the number);
// - one durable commit of one row of aRowBytes in a SQLite file in write-ahead-log mode with
//   synchronous=FULL, in aDirectory (the store's file system);
// - two durable atomic replacements (temporary file, sync, rename, directory sync) of files of
//   aCountersBytes and aCheckBytes in aDirectory.
// Measure() takes one sample of each; called between documents, the parts see the same load on
// the machine as the documents they are compared with.
class UnavoidableParts {
 public:
  UnavoidableParts(const std::filesystem::path& aDirectory, const std::string& aPrivateKeyPem, size_t aRowBytes,
                   size_t aCountersBytes, size_t aCheckBytes);
  ~UnavoidableParts();
  UnavoidableParts(const UnavoidableParts&) = delete;
  UnavoidableParts& operator=(const UnavoidableParts&) = delete;

  void Measure();
  const Samples& Rsa() const { return fRsa; }
  const Samples& Commit() const { return fCommit; }
  const Samples& Files() const { return fFiles; }

 private:
  struct State;
  std::unique_ptr<State> fState;
  Samples fRsa, fCommit, fFiles;
};

// Only the durable parts (one commit and two file replacements of those sizes) as many times as
// fit in aSeconds, in aProcesses processes at once, each in its own files in aDirectory: how many
// documents' worth of syncs per second the file system gives, the bound of any number of tills.
double DurablePartsPerSecond(const std::filesystem::path& aDirectory, int aProcesses, size_t aRowBytes,
                             size_t aCountersBytes, size_t aCheckBytes, double aSeconds);

}  // namespace dodu::bench

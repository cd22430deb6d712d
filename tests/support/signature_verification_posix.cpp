#include "support/signature_verification.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>

namespace dodu::testing {

namespace fs = std::filesystem;

namespace {

std::string Run(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) {
    status = -1;
    return "cannot run " + command;
  }
  char buffer[512];
  while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  int raw = pclose(pipe);
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return output;
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

}  // namespace

bool OpenSslVerifies(const std::string& text, const std::string& signature_base64, const fs::path& scratch,
                     std::string& output) {
  fs::create_directories(scratch);
  const fs::path data = scratch / "signed.txt", encoded = scratch / "signature.b64", decoded = scratch / "signature.bin";
  std::ofstream(data, std::ios::binary) << text;
  std::ofstream(encoded, std::ios::binary) << signature_base64 << "\n";
  int status = 0;
  output = Run("openssl base64 -d -A -in " + Quoted(encoded) + " -out " + Quoted(decoded), status);
  if (status != 0) return false;
  const fs::path key = fs::path(DODU_KEY_DIR) / "public.pem";
  output = Run("openssl dgst -sha1 -verify " + Quoted(key) + " -signature " + Quoted(decoded) + " " + Quoted(data),
               status);
  return status == 0 && output.find("Verified OK") != std::string::npos;
}

}  // namespace dodu::testing

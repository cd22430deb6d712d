#include "support/temporary_directory.h"

#include <random>
#include <stdexcept>

namespace dodu::testing {

std::filesystem::path MakeTemporaryDirectory(const std::string& prefix) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::random_device seed;
  std::mt19937_64 random(seed());
  std::uniform_int_distribution<size_t> letter(0, sizeof kLetters - 2);
  const std::filesystem::path parent = std::filesystem::temp_directory_path();
  // Creating a directory fails when the name is taken, so a name is never shared.
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = prefix;
    for (int i = 0; i < 10; ++i) name += kLetters[letter(random)];
    std::error_code error;
    if (std::filesystem::create_directory(parent / name, error)) return parent / name;
    if (error) throw std::runtime_error("cannot create a temporary directory in " + parent.string() + ": " + error.message());
  }
  throw std::runtime_error("cannot create a temporary directory in " + parent.string());
}

}  // namespace dodu::testing

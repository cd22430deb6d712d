#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace dodu::host {

// Exit statuses of the tool.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;  // an operation failed, a demo step went wrong, a chain is broken
inline constexpr int kExitUsage = 2;    // bad command line, or a request the tool refuses

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct CommandLine {
  std::string command;  // empty: show the usage
  std::vector<std::string> arguments;
  std::string directory;  // -C
  std::string library;    // --library
  std::string till;       // --till
  std::string publicKey;  // --public-key
  std::string from;       // --from (saft)
  std::string to;         // --to (saft)
  std::string output;     // -o, --output (saft)
  std::string store;      // --store (init): a server store's URL or ODBC connection string
};

// Options may stand before or after the command; "--" ends them. Raises UsageError for an
// unknown option or a missing value.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);
std::string UsageText();

}  // namespace dodu::host

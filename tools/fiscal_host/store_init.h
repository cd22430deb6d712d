#pragma once

#include <ostream>
#include <stdexcept>
#include <string>

#include "fiscal_host/work_directory.h"

namespace dodu::host {

// The directory already holds a store: `init` never touches an existing one.
class InitRefused : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Creates a working directory: the store with the schema, the demo company, its branch and the
// registered FR and NC series of the current year, the settings file and the library's
// directories. Says on `out` what it created. Raises InitRefused, or std::runtime_error when
// something cannot be created (then nothing of the store is left behind).
// With a server store (`server` a postgresql:// URL or an ODBC connection string) the store is
// the server's database: what it lacks of the schema and the rows is made there, what it holds
// is left as it is, and the settings file names it.
void InitWorkDirectory(const WorkDirectory& directory, const std::string& server, std::ostream& out);

}  // namespace dodu::host

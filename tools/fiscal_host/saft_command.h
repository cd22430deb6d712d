#pragma once

#include <ostream>
#include <string>

#include "fiscal_host/work_directory.h"

namespace dodu::host {

struct SaftOptions {
  std::string from, to;  // YYYY-MM-DD
  std::string output;    // empty: standard output
};

// fiscal-host saft: the SAF-T (PT) file of the documents of the store of a working directory
// whose invoice date lies in the period, written by the export of src/saft through the library's
// database layer (whatever engine qvSAFTPT.ini names). A bad period raises UsageError before
// anything is opened; with an output file nothing is left at its path unless the whole file was
// written (it is written beside it and renamed). Notes and a summary go to `log`. Answers the
// exit status.
int RunSaft(const WorkDirectory& directory, const SaftOptions& options, std::ostream& out, std::ostream& log);

}  // namespace dodu::host

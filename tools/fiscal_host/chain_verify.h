#pragma once

#include <ostream>
#include <string>

#include "fiscal_host/work_directory.h"

namespace dodu::host {

// Checks every stored document of the store of a working directory, series by series: each
// signature against the public key and its signed text, the chain (each PreviousHash is the Hash
// of the document before it in its series), numbers from 1 without gaps, the signed text's
// fields against the row (date, entry time, invoice number, total, previous signature), the
// invoice number and ATCUD against series and number, the Series row's last number and last
// signature, and the series' check file. One line per series on `out`, each break named by series
// and number, then a summary. `public_key_file` empty: the key built in. Answers the exit status.
int RunVerify(const WorkDirectory& directory, const std::string& public_key_file, std::ostream& out);

}  // namespace dodu::host

#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "fiscal_host/store_database.h"
#include "fiscal_host/work_directory.h"

namespace dodu::host {

// Checks each till's counters file against the store: its document count and day sales against
// the documents stored with its current Z report number, and its totals against each other
// (day total = sales - refunds - voids, the same for the grand totals). Reports any pending
// file a till left (a counters file or a check file waiting for its document to be settled).
// One line per till on `out`; answers the breaks found.
std::vector<std::string> CheckTillCounters(const WorkDirectory& directory, StoreDatabase& store, std::ostream& out);

}  // namespace dodu::host

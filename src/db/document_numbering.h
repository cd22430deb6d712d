#pragma once

#include <optional>
#include <string>

#include "db/sql_dialect.h"

namespace dodu {

// The numbering procedure's batches: the store application's document numbers of a year, and
// the next number of a type, period and store.
std::string AssignDocumentNumberStatement(const std::string& aDocType, const std::string& aYear);
std::string NextNumberStatement(const std::string& aDocType, const std::string& aDocPeriod, const std::string& aStore,
                                bool aZeroBased);
// The highest live code of a customer or supplier range.
std::string HighestCodeStatement(const std::string& aType, const std::string& aMin, const std::string& aMax,
                                 const SqlDialect& aDialect);
// The code after aCode: its trailing digits incremented within their width (C00041 → C00042);
// none when it has no trailing digits or they are all 9s.
std::optional<std::string> CodeAfter(const std::string& aCode);

}  // namespace dodu

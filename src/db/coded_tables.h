#pragma once

#include <string>
#include <vector>

#include "db/sql_dialect.h"

namespace dodu {

// The select of the decoded rows of a code by the first n key columns, one parameter each
// (":" + column). Raises when no column is given, and when the code or a column is not a plain
// name (CheckSqlIdentifier).
std::string GetTabelStatement(const std::string& aTbTab, const std::vector<std::string>& aKeyColumns,
                              const SqlDialect& aDialect);

}  // namespace dodu

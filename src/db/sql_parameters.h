#pragma once

#include <string>
#include <vector>

#include "db/sql_value.h"

namespace dodu {

// A statement whose ":name" parameters were replaced by positional "?" markers, with the value
// of every marker in order (a name used twice gives two markers with the same value).
struct tQV_BoundStatement {
  std::string sql;
  std::vector<const tQV_SQLParam*> values;
};

// Finds the ":name" parameters outside quoted texts, bracketed or quoted names and comments.
// Without parameters the text is left as it stands. Raises "Parameter <name> not found" for a
// given parameter that the text does not use and "No value given for parameter :<name>" for a
// text parameter that is not given. Names compare without regard to case.
tQV_BoundStatement BindParameters(const std::string& aSQL, const tQV_SQLParams& aParams);

}  // namespace dodu

#pragma once

#include <string>
#include <vector>

#include "db/sql_dialect.h"
#include "db/vendizio_record_getter.h"

namespace dodu {

// A name=value line split at its first "=" (a line without one is a name with an empty value).
std::pair<std::string, std::string> FieldLine(const std::string& aLine);

// The generic insert and update of a table from lines name=value: only the lines whose name,
// lower-cased, is one of aColumns (lower-case) take part, every value as a quoted text.
std::string InsertRecordStatement(const std::string& aTableName, const std::vector<std::string>& aColumns,
                                  const std::vector<std::string>& aFieldList, const SqlDialect& aDialect);
std::string UpdateRecordStatement(const tQV_VdzDecodeMap& aEntry, const std::vector<std::string>& aColumns,
                                  const std::vector<std::string>& aFieldList, const tQV_KeyValues& aKeyValues,
                                  const SqlDialect& aDialect, const tQV_NotifyHandler& aNotify);

}  // namespace dodu

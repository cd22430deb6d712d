#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace dodu {

// The longest name put into a statement as it is. PostgreSQL keeps 63 bytes of a name and cuts
// the rest without a word (two long names would meet); SQL Server allows 116 characters for a
// temporary table and 128 for other names, SQLite has no limit.
inline constexpr size_t kMaxSqlIdentifierLength = 63;

// Whether the name is plain: ASCII letters, digits and "_", not beginning with a digit, from 1 to
// aMaxLength characters. A plain name reads the same unquoted in every dialect and can neither
// end the statement nor open a comment or a literal.
bool IsPlainSqlIdentifier(std::string_view aName, size_t aMaxLength = kMaxSqlIdentifierLength);

// Raises, before any statement is built, when the name is not plain; aWhat says what the name
// names ("Coded table code", "Layout column of coded table ALIV").
void CheckSqlIdentifier(const std::string& aName, const std::string& aWhat,
                        size_t aMaxLength = kMaxSqlIdentifierLength);

}  // namespace dodu

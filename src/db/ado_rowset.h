#pragma once

#include <cstddef>
#include <string>

#include "db/db_result.h"

namespace dodu {

// What a recordset of the information service may hold. The columns are SQL Server's own limit
// of a SELECT; rows and values are far above what a till asks the service for, and keep a
// hostile answer from costing more than its size.
inline constexpr size_t kMaxRowsetColumns = 4096;
inline constexpr size_t kMaxRowsetRows = 100000;
inline constexpr size_t kMaxRowsetCellBytes = 1024 * 1024;

// A recordset persisted as XML by ADO (namespace urn:schemas-microsoft-com:rowset): the schema
// part gives the columns in their order with their types, the data part one z:row element per
// row with one attribute per non-null value. Rows that an update batch added (rs:insert) count;
// rows it deleted (rs:delete) do not. Raises with the reason for a text that is not such a
// document, and for one past the limits below.
tQV_ResultSet ReadAdoRowset(const std::string& aXml);

// The kind of value an ADO XML data type holds (dt:type, with rs:dbtype where it refines it).
tQV_CellKind AdoRowsetKind(const std::string& aDataType, const std::string& aDbType);

}  // namespace dodu

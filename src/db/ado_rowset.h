#pragma once

#include <string>

#include "db/db_result.h"

namespace dodu {

// A recordset persisted as XML by ADO (namespace urn:schemas-microsoft-com:rowset): the schema
// part gives the columns in their order with their types, the data part one z:row element per
// row with one attribute per non-null value. Rows that an update batch added (rs:insert) count;
// rows it deleted (rs:delete) do not. Raises with the reason for a text that is not such a
// document.
tQV_ResultSet ReadAdoRowset(const std::string& aXml);

// The kind of value an ADO XML data type holds (dt:type, with rs:dbtype where it refines it).
tQV_CellKind AdoRowsetKind(const std::string& aDataType, const std::string& aDbType);

}  // namespace dodu

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/sql_dialect.h"
#include "db/sql_value.h"
#include "db/vdz_tables.h"
#include "db/vendizio_dataset.h"

namespace dodu {

class tQV_VendizioProxy;

using tQV_KeyValues = std::vector<tQV_Variant>;
using tQV_NotifyHandler = std::function<void(int32_t aKind, const std::string& aText)>;

// The condition that selects a record by its key: "column=literal and " for each given value,
// in key order, then the soft-delete test. Fewer values than key columns test the leading
// columns; more raise. A value of a type without a literal form is reported through aNotify
// as "Tipo Dato <code> non gestito" and left out, so the server rejects the statement.
std::string KeyCondition(const tQV_VdzDecodeMap& aEntry, const tQV_KeyValues& aKeyValues,
                         const SqlDialect& aDialect, const tQV_NotifyHandler& aNotify);

std::string RecordGetStatement(const tQV_VdzDecodeMap& aEntry, const tQV_KeyValues& aKeyValues,
                               const SqlDialect& aDialect, const tQV_NotifyHandler& aNotify);
std::string RecordExistsStatement(const tQV_VdzDecodeMap& aEntry, const tQV_KeyValues& aKeyValues,
                                  const SqlDialect& aDialect, const tQV_NotifyHandler& aNotify);
std::string RecordDecodeStatement(const tQV_VdzDecodeMap& aEntry, const tQV_KeyValues& aKeyValues,
                                  const SqlDialect& aDialect, const tQV_NotifyHandler& aNotify);

// Reads store records by table and key through the proxy that owns it.
class tQV_VendizioRecordGetter {
 public:
  explicit tQV_VendizioRecordGetter(tQV_VendizioProxy& aProxy) : fProxy(&aProxy) {}

  // The rows with the key values, ordered by the key; no dataset for a table without an entry.
  std::unique_ptr<tQV_VendizioDataset> Get(tQV_VdzTable aTable, const tQV_KeyValues& aKeyValues);
  // Whether such a row exists; false for a table without an entry.
  bool Exists(tQV_VdzTable aTable, const tQV_KeyValues& aKeyValues);
  // The description of the row ("" when null or there is no entry).
  std::string Decode(tQV_VdzTable aTable, const tQV_KeyValues& aKeyValues);

 private:
  tQV_VendizioProxy* fProxy;
};

}  // namespace dodu

#include "db/record_writer.h"

#include <algorithm>

#include "base/ascii_text.h"
#include "base/conversions.h"
#include "base/error.h"
#include "db/vendizio_proxy.h"

namespace dodu {

namespace {

bool IsColumn(const std::vector<std::string>& columns, const std::string& name) {
  return std::find(columns.begin(), columns.end(), AsciiLower(name)) != columns.end();
}

}  // namespace

std::pair<std::string, std::string> FieldLine(const std::string& aLine) {
  const size_t equals = aLine.find('=');
  if (equals == std::string::npos) return {aLine, std::string()};
  return {aLine.substr(0, equals), aLine.substr(equals + 1)};
}

std::string InsertRecordStatement(const std::string& aTableName, const std::vector<std::string>& aColumns,
                                  const std::vector<std::string>& aFieldList, const SqlDialect& aDialect) {
  std::string names, values;
  for (const std::string& line : aFieldList) {
    const auto [name, value] = FieldLine(line);
    if (!IsColumn(aColumns, name)) continue;
    names += (names.empty() ? "" : ",") + name;
    values += (values.empty() ? "" : ",") + SqlQuoted(value);
  }
  return AsciiUpper(aDialect.InsertVerb()) + aTableName + " (" + names + ") VALUES(" + values + ")";
}

std::string UpdateRecordStatement(const tQV_VdzDecodeMap& aEntry, const std::vector<std::string>& aColumns,
                                  const std::vector<std::string>& aFieldList, const tQV_KeyValues& aKeyValues,
                                  const SqlDialect& aDialect, const tQV_NotifyHandler& aNotify) {
  std::string assignments;
  for (const std::string& line : aFieldList) {
    const auto [name, value] = FieldLine(line);
    if (!IsColumn(aColumns, name)) continue;
    assignments += (assignments.empty() ? "" : ",") + name + "=" + SqlQuoted(value);
  }
  return "update " + aEntry.tablename + " set " + assignments + " where " +
         KeyCondition(aEntry, aKeyValues, aDialect, aNotify);
}

bool tQV_VendizioProxy::InsertRecord(tQV_VdzTable aTable, const std::vector<std::string>& aFieldList) {
  const tQV_VdzDecodeMap* entry = FindVdzDecodeMap(aTable);
  if (entry == nullptr) throw Error("Tabella non trovata in Mappa");
  return ExecuteSQLCommand(InsertRecordStatement(entry->tablename, GetFieldNames(aTable), aFieldList, Dialect()));
}

bool tQV_VendizioProxy::UpdateRecord(tQV_VdzTable aTable, const std::vector<std::string>& aFieldList,
                                     const tQV_KeyValues& aKeyValues) {
  const tQV_VdzDecodeMap* entry = FindVdzDecodeMap(aTable);
  if (entry == nullptr) return false;
  return ExecuteSQLCommand(
      UpdateRecordStatement(*entry, GetFieldNames(aTable), aFieldList, aKeyValues, Dialect(), fNotify));
}

}  // namespace dodu

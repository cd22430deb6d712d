#include "db/coded_tables.h"

#include "base/ascii_text.h"
#include "base/error.h"
#include "db/sql_identifier.h"
#include "db/vendizio_proxy.h"

namespace dodu {

namespace {

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    if (comma > start) items.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return items;
}

// A code names the temporary table "#" + code, which must be a name of the same bounds.
void CheckCode(const std::string& aTbTab) {
  CheckSqlIdentifier(aTbTab, "Coded table code", kMaxSqlIdentifierLength - 1);
}

void CheckColumn(const std::string& aTbTab, const std::string& aColumn) {
  CheckSqlIdentifier(aColumn, "Column of coded table " + aTbTab);
}

// The layout's names are read from a table and go into the decoding statement as they are.
void CheckLayout(const std::string& aTbTab, const std::vector<tQV_TabelField>& aLayout) {
  for (const tQV_TabelField& field : aLayout) {
    CheckColumn(aTbTab, field.name);
    CheckColumn(aTbTab, field.source);
  }
}

}  // namespace

std::string GetTabelStatement(const std::string& aTbTab, const std::vector<std::string>& aKeyColumns,
                              const SqlDialect& aDialect) {
  CheckCode(aTbTab);
  if (aKeyColumns.empty()) throw Error("No key value given for the coded table " + aTbTab);
  for (const std::string& column : aKeyColumns) CheckColumn(aTbTab, column);
  std::string sql = "select * from " + aDialect.TemporaryTable(aTbTab) + " where ";
  for (const std::string& column : aKeyColumns) sql += column + "=:" + column + " and ";
  sql.erase(sql.size() - 4);
  return sql;
}

std::vector<tQV_TabelField> tQV_VendizioProxy::TabelLayout(const std::string& aTbTab, bool aDecodedOnly) {
  std::vector<tQV_TabelField> layout;
  for (auto rows = Get(nt_pgupr, {"TABEL00F", aTbTab}); !rows->Eof(); rows->Next()) {
    if (aDecodedOnly && rows->FieldByName("P4Seq").AsInteger() <= 0) continue;
    tQV_TabelField field;
    field.type = AsciiUpper(Trimmed(rows->FieldByName("P4Tip").AsString()));
    field.name = Trimmed(rows->FieldByName("P4FiR").AsString());
    field.source = Trimmed(rows->FieldByName("P4Fie").AsString());
    field.position = static_cast<int>(rows->FieldByName("P4Pos").AsInteger());
    field.length = static_cast<int>(rows->FieldByName("P4Len").AsInteger());
    field.decimals = static_cast<int>(rows->FieldByName("P4Dec").AsInteger());
    layout.push_back(std::move(field));
  }
  return layout;
}

std::string tQV_VendizioProxy::DecodeTabel(const std::string& aTbTab) {
  CheckCode(aTbTab);
  const std::string result = "#" + aTbTab;
  const std::vector<tQV_TabelField> layout = TabelLayout(aTbTab, true);
  CheckLayout(aTbTab, layout);
  const std::string statement = Dialect().DecodeTabelStatement(layout, aTbTab, Dialect().TemporaryTable(aTbTab));
  DropTable(result);
  ExecuteSQLCommand(statement);
  return result;
}

std::unique_ptr<tQV_VendizioDataset> tQV_VendizioProxy::GetTabel(const std::string& aTbTab,
                                                                 const tQV_KeyValues& aKeyValues) {
  CheckCode(aTbTab);
  const std::string prefix = aTbTab + "=";
  std::vector<std::string> columns;
  bool cached = false;
  for (const std::string& line : fTabelParameters) {
    if (line.compare(0, prefix.size(), prefix) == 0) {
      columns = SplitList(line.substr(prefix.size()));
      cached = true;
      break;
    }
  }
  if (!cached) {
    std::string list;
    for (const tQV_TabelField& field : TabelLayout(aTbTab, false)) {
      if (AsciiLower(field.source) != "tbkey") continue;
      CheckColumn(aTbTab, field.name);  // before it is kept in the list, whose separator is ","
      columns.push_back(field.name);
      list += (list.empty() ? "" : ",") + field.name;
    }
    fTabelParameters.push_back(prefix + list);
  }
  // The key columns are known good before the table is decoded: a refused name leaves nothing.
  if (!TableExists("#" + aTbTab)) DecodeTabel(aTbTab);

  if (aKeyValues.size() > columns.size())
    throw Error("Too many key values for the coded table " + aTbTab + ": " + std::to_string(aKeyValues.size()) +
                " given, " + std::to_string(columns.size()) + " key columns");
  columns.resize(aKeyValues.size());
  tQV_SQLParams params;
  for (size_t k = 0; k < columns.size(); ++k) params.push_back(tQV_SQLParam::Create(columns[k], aKeyValues[k]));
  // Left to the engine's own timeout, as the temporary table's query always was.
  return std::make_unique<tQV_VendizioDataset>(Run(GetTabelStatement(aTbTab, columns, Dialect()), params, 0));
}

bool tQV_VendizioProxy::ExistsTabel(const std::string& aTbTab, const tQV_KeyValues& aKeyValues) {
  return GetTabel(aTbTab, aKeyValues)->RecordCount() > 0;
}

}  // namespace dodu

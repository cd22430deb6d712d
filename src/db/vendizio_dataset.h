#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/amount.h"
#include "base/date_time.h"
#include "db/db_result.h"

namespace dodu {

// One value of the current row. A null value reads as "", 0, false or no date.
class tQV_Field {
 public:
  tQV_Field(const std::string& aName, const tQV_Cell* aCell) : fName(aName), fCell(aCell) {}

  const std::string& FieldName() const { return fName; }
  bool IsNull() const { return fCell == nullptr || fCell->kind == tQV_CellKind::Null; }
  tQV_CellKind Kind() const { return fCell == nullptr ? tQV_CellKind::Null : fCell->kind; }

  std::string AsString() const;
  // Raises when the value is not a whole number.
  int64_t AsInteger() const;
  // Exact, from the decimal text; raises when the value is no number.
  Amount AsAmount() const;
  // From yyyy-mm-dd, yyyy-mm-dd hh:nn:ss[.fff] (with a blank or a "T"), or a day count.
  DateTime AsDateTime() const;
  // From 1/0, a number (not zero is true) or True/False; raises for other texts.
  bool AsBoolean() const;

 private:
  std::string fName;
  const tQV_Cell* fCell;
};

// The result set of a statement: open, on its first row, read entirely when the statement ran.
// Field names compare without regard to letter case, as the server compares them.
class tQV_VendizioDataset {
 public:
  explicit tQV_VendizioDataset(tQV_ResultSet aResult);

  bool Active() const { return fActive; }
  void Close();

  bool Eof() const { return !fActive || fRecNo >= fResult.rows.size(); }
  bool Bof() const { return fRecNo == 0; }
  void First() { fRecNo = 0; }
  void Next() {
    if (!Eof()) ++fRecNo;
  }
  int64_t RecordCount() const { return fActive ? static_cast<int64_t>(fResult.rows.size()) : 0; }
  int64_t RecNo() const { return static_cast<int64_t>(fRecNo) + 1; }

  int FieldCount() const { return static_cast<int>(fResult.columns.size()); }
  const std::vector<std::string>& FieldNames() const { return fResult.columns; }
  bool HasField(const std::string& aName) const;
  // The declared kind of a column (Null when the source did not declare one).
  tQV_CellKind FieldKind(int aIndex) const {
    return static_cast<size_t>(aIndex) < fResult.columnKinds.size() ? fResult.columnKinds[static_cast<size_t>(aIndex)]
                                                                    : tQV_CellKind::Null;
  }
  // Raises "Field '<name>' not found". At the end of the data every field is null.
  tQV_Field FieldByName(const std::string& aName) const;
  tQV_Field Fields(int aIndex) const;

 private:
  tQV_ResultSet fResult;
  std::unordered_map<std::string, size_t> fIndex;  // lower-case name to column
  size_t fRecNo = 0;
  bool fActive = true;
};

}  // namespace dodu

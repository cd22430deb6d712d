#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace dodu {

// What the engine said a value is; the value itself is kept as the engine's text form.
enum class tQV_CellKind { Null, Integer, Number, Text, DateTime, Boolean, Binary };

struct tQV_Cell {
  tQV_CellKind kind = tQV_CellKind::Null;
  std::string text;
};

// One row of a result set. An engine gives a cell for every column, in column order; a persisted
// rowset names only the values a row has, and its row holds only those (a missing one is null),
// so a row costs what it carries, not what the widest schema declares.
class tQV_Row {
 public:
  tQV_Row() = default;
  // A cell for every column, in order.
  tQV_Row(std::vector<tQV_Cell> aCells) : fCells(std::move(aCells)) {}
  tQV_Row(std::initializer_list<tQV_Cell> aCells) : fCells(aCells) {}
  // Only the given cells, each with its column; columns ascending, none twice.
  static tQV_Row Sparse(std::vector<std::pair<uint32_t, tQV_Cell>> aCells);

  // The cell of a column; null when the row holds none for it.
  const tQV_Cell* Find(size_t aColumn) const;
  // The cells held, in column order, and the column of each.
  size_t CellCount() const { return fCells.size(); }
  const tQV_Cell& CellAt(size_t aIndex) const { return fCells[aIndex]; }
  size_t ColumnOf(size_t aIndex) const { return fColumns.empty() ? aIndex : fColumns[aIndex]; }

 private:
  std::vector<tQV_Cell> fCells;
  std::vector<uint32_t> fColumns;  // the column of each cell; empty when cell i is column i
};

// The rows of one result set, read completely when the statement ran.
struct tQV_ResultSet {
  bool hasColumns = false;  // false when no statement of the text returned a result set
  std::vector<std::string> columns;
  std::vector<tQV_CellKind> columnKinds;  // the declared kind of each column; empty when not known
  std::vector<tQV_Row> rows;
};

}  // namespace dodu

#include "db/db_result.h"

#include <algorithm>

namespace dodu {

tQV_Row tQV_Row::Sparse(std::vector<std::pair<uint32_t, tQV_Cell>> aCells) {
  tQV_Row row;
  row.fCells.reserve(aCells.size());
  row.fColumns.reserve(aCells.size());
  for (auto& [column, cell] : aCells) {
    row.fColumns.push_back(column);
    row.fCells.push_back(std::move(cell));
  }
  return row;
}

const tQV_Cell* tQV_Row::Find(size_t aColumn) const {
  if (fColumns.empty()) return aColumn < fCells.size() ? &fCells[aColumn] : nullptr;
  const auto found = std::lower_bound(fColumns.begin(), fColumns.end(), aColumn);
  if (found == fColumns.end() || *found != aColumn) return nullptr;
  return &fCells[static_cast<size_t>(found - fColumns.begin())];
}

}  // namespace dodu

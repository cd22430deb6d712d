#pragma once

#include <string>
#include <vector>

namespace dodu {

// What the engine said a value is; the value itself is kept as the engine's text form.
enum class tQV_CellKind { Null, Integer, Number, Text, DateTime, Boolean, Binary };

struct tQV_Cell {
  tQV_CellKind kind = tQV_CellKind::Null;
  std::string text;
};

// The rows of one result set, read completely when the statement ran.
struct tQV_ResultSet {
  bool hasColumns = false;  // false when no statement of the text returned a result set
  std::vector<std::string> columns;
  std::vector<tQV_CellKind> columnKinds;  // the declared kind of each column; empty when not known
  std::vector<std::vector<tQV_Cell>> rows;
};

}  // namespace dodu

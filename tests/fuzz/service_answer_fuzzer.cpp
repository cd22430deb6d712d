// Feeds arbitrary bytes to the readers of the store's information service answers, which come
// from an HTTP server: the answer reader (with and without a list for the recordsets) and the
// ADO rowset reader, given the input itself and the text of each rs element of the answer. A
// reader may reject its input only with dodu::Error; anything else (a crash, a sanitizer report,
// another exception) is a finding, and so is an answer whose readings disagree with each other.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/date_time.h"
#include "base/error.h"
#include "db/ado_rowset.h"
#include "db/information_service.h"
#include "db/vendizio_dataset.h"

namespace {

void Check(bool aCondition) {
  if (!aCondition) __builtin_trap();
}

template <typename Action>
void Tolerating(Action aAction) {
  try {
    aAction();
  } catch (const dodu::Error&) {
  }
}

// A read rowset stays within its limits; every cell of a row lies in a column, in column order
// and once, and a value keeps its column's kind.
void CheckRowset(const dodu::tQV_ResultSet& aRowset) {
  Check(aRowset.hasColumns);
  Check(aRowset.columnKinds.size() == aRowset.columns.size());
  Check(aRowset.columns.size() <= dodu::kMaxRowsetColumns);
  Check(aRowset.rows.size() <= dodu::kMaxRowsetRows);
  for (const auto& row : aRowset.rows) {
    Check(row.CellCount() <= aRowset.columns.size());
    for (size_t i = 0; i < row.CellCount(); ++i) {
      const size_t column = row.ColumnOf(i);
      Check(column < aRowset.columns.size());
      Check(i == 0 || row.ColumnOf(i - 1) < column);
      Check(row.Find(column) == &row.CellAt(i));
      Check(row.CellAt(i).text.size() <= dodu::kMaxRowsetCellBytes);
      Check(row.CellAt(i).kind == dodu::tQV_CellKind::Null || row.CellAt(i).kind == aRowset.columnKinds[column]);
    }
  }
}

// Reads the values of the rows the way the store operations do, up to a budget of values: a
// caller that reads every field of every row pays columns x rows whatever the reader does, and
// a wide rowset of many rows would make this target slow rather than find anything.
void WalkDataset(dodu::tQV_VendizioDataset& aDataset) {
  constexpr long kValueBudget = 20000;
  long values = 0;
  for (aDataset.First(); !aDataset.Eof() && values < kValueBudget; aDataset.Next()) {
    for (int i = 0; i < aDataset.FieldCount() && values < kValueBudget; ++i, ++values) {
      const dodu::tQV_Field field = aDataset.Fields(i);
      Check(aDataset.HasField(field.FieldName()));
      aDataset.FieldByName(field.FieldName());
      field.AsString();
      Tolerating([&] { field.AsInteger(); });
      Tolerating([&] { field.AsAmount(); });
      Tolerating([&] { field.AsDateTime(); });
      Tolerating([&] { field.AsBoolean(); });
    }
  }
}

void ReadRowset(const std::string& aText) {
  Tolerating([&] {
    dodu::tQV_ResultSet rowset = dodu::ReadAdoRowset(aText);
    CheckRowset(rowset);
    dodu::tQV_VendizioDataset dataset(std::move(rowset));
    WalkDataset(dataset);
  });
}

struct Reading {
  bool read = false;  // false when the reader raised
  bool answer = false;
  std::vector<std::string> output;
  std::vector<std::unique_ptr<dodu::tQV_VendizioDataset>> datasets;
  dodu::DateTime time{-7.0};  // a time the reader cannot leave there by chance
};

Reading ReadAnswer(const std::string& aText, bool aWithDatasets) {
  Reading r;
  try {
    r.answer = dodu::ReadInformationServiceAnswer(aText, r.output, aWithDatasets ? &r.datasets : nullptr, r.time);
    r.read = true;
  } catch (const dodu::Error&) {
  }
  if (!r.read) return r;
  if (!r.answer) Check(!r.output.empty() && r.output.back().rfind("Error=", 0) == 0);
  for (auto& dataset : r.datasets) WalkDataset(*dataset);
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::string text(reinterpret_cast<const char*>(aData), aSize);

  const Reading without = ReadAnswer(text, false);
  const Reading with = ReadAnswer(text, true);
  // The recordsets add datasets and may fail the reading; they change nothing else.
  if (with.read) {
    Check(without.read && with.answer == without.answer && with.output == without.output);
    Check(with.time == without.time);
  }
  if (!without.read) Check(!with.read);
  if (without.read && !without.answer) Check(with.read && with.datasets.empty());

  // The rowset reader on its own: the whole input, and each recordset of the answer.
  ReadRowset(text);
  pugi::xml_document document;
  if (document.load_buffer(text.data(), text.size())) {
    size_t recordsets = 0;
    for (const pugi::xml_node& child : document.document_element().child("Response").children("rs")) {
      ReadRowset(child.text().get());
      ++recordsets;
    }
    if (with.read && with.answer && document.document_element().child("Head").child("Server"))
      Check(with.datasets.size() == recordsets);
  }
  return 0;
}

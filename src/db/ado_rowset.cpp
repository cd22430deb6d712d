#include "db/ado_rowset.h"

#include <pugixml.hpp>

#include <algorithm>
#include <map>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "base/ascii_text.h"
#include "base/error.h"

namespace dodu {

namespace {

constexpr const char* kSchemaNamespace = "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882";
constexpr const char* kDataTypeNamespace = "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882";
constexpr const char* kRowsetNamespace = "urn:schemas-microsoft-com:rowset";
constexpr const char* kRowNamespace = "#RowsetSchema";

// The prefixes bound to each namespace on the way from the root to an element; the document
// may choose any prefix.
struct Prefixes {
  std::map<std::string, std::string> byNamespace;

  void Learn(const pugi::xml_node& node) {
    for (const pugi::xml_attribute& attribute : node.attributes()) {
      const std::string name = attribute.name();
      if (name.rfind("xmlns:", 0) == 0) byNamespace[attribute.value()] = name.substr(6);
    }
  }
  std::string Name(const char* aNamespace, const std::string& local) const {
    auto found = byNamespace.find(aNamespace);
    if (found == byNamespace.end()) return local;
    return found->second + ":" + local;
  }
};

struct Column {
  std::string attribute;  // the attribute that carries the value in a row
  std::string name;       // the column's name
  int number = 0;
  tQV_CellKind kind = tQV_CellKind::Text;
};

std::vector<Column> ReadColumns(const pugi::xml_node& elementType, const Prefixes& p) {
  std::vector<Column> columns;
  // The name outlives the loop: the iterators keep a pointer to it.
  const std::string attribute_type = p.Name(kSchemaNamespace, "AttributeType");
  for (const pugi::xml_node& type : elementType.children(attribute_type.c_str())) {
    Column column;
    column.attribute = type.attribute("name").value();
    const pugi::xml_attribute real_name = type.attribute(p.Name(kRowsetNamespace, "name").c_str());
    column.name = real_name ? real_name.value() : column.attribute;
    column.number = type.attribute(p.Name(kRowsetNamespace, "number").c_str()).as_int(0);
    // The data type is an attribute of the column itself, or of its datatype child.
    pugi::xml_node holder = type;
    if (!type.attribute(p.Name(kDataTypeNamespace, "type").c_str()))
      holder = type.child(p.Name(kSchemaNamespace, "datatype").c_str());
    column.kind = AdoRowsetKind(holder.attribute(p.Name(kDataTypeNamespace, "type").c_str()).value(),
                                holder.attribute(p.Name(kRowsetNamespace, "dbtype").c_str()).value());
    if (column.attribute.empty()) throw Error("A column of the rowset schema has no name");
    if (columns.size() >= kMaxRowsetColumns)
      throw Error("Rowset XML: more than " + std::to_string(kMaxRowsetColumns) + " columns");
    columns.push_back(std::move(column));
  }
  // Columns are in rs:number order; a schema without numbers keeps the document's order.
  std::stable_sort(columns.begin(), columns.end(), [](const Column& a, const Column& b) { return a.number < b.number; });
  return columns;
}

// The column each row attribute fills. A schema that gives two columns one attribute is refused:
// no recordset is saved that way.
std::unordered_map<std::string_view, uint32_t> ColumnsByAttribute(const std::vector<Column>& columns) {
  std::unordered_map<std::string_view, uint32_t> byAttribute;
  for (size_t i = 0; i < columns.size(); ++i) {
    if (!byAttribute.emplace(columns[i].attribute, static_cast<uint32_t>(i)).second)
      throw Error("Rowset XML: two columns carry the attribute " + columns[i].attribute);
  }
  return byAttribute;
}

// One row: the values it names, each in its column; attributes of no column are not values.
// A row walks its own attributes, so its cost is what it carries, whatever the column count.
tQV_Row ReadRow(const pugi::xml_node& node, const std::vector<Column>& columns,
                const std::unordered_map<std::string_view, uint32_t>& byAttribute) {
  std::vector<std::pair<uint32_t, tQV_Cell>> cells;
  for (const pugi::xml_attribute& value : node.attributes()) {
    const auto found = byAttribute.find(value.name());
    if (found == byAttribute.end()) continue;
    const std::string_view text = value.value();
    if (text.size() > kMaxRowsetCellBytes) {
      throw Error("Rowset XML: a value of the column " + columns[found->second].name + " is longer than " +
                  std::to_string(kMaxRowsetCellBytes) + " bytes");
    }
    cells.emplace_back(found->second, tQV_Cell{columns[found->second].kind, std::string(text)});
  }
  // An attribute given twice counts once, its first value (as a look-up by name finds it).
  std::stable_sort(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  cells.erase(std::unique(cells.begin(), cells.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
              cells.end());
  return tQV_Row::Sparse(std::move(cells));
}

// The rows in document order, those inside rs:insert elements (at any depth) included. A loop,
// not recursion: the depth comes from the server, and a deep enough nesting would exhaust the
// stack.
void ReadRows(const pugi::xml_node& data, const std::string& rowName, const std::string& insertName,
              const std::vector<Column>& columns, tQV_ResultSet& result) {
  const auto byAttribute = ColumnsByAttribute(columns);
  std::vector<pugi::xml_node> resume;  // for each rs:insert entered, the node after it
  pugi::xml_node node = data.first_child();
  while (node || !resume.empty()) {
    if (!node) {
      node = resume.back();
      resume.pop_back();
      continue;
    }
    if (insertName == node.name()) {
      resume.push_back(node.next_sibling());
      node = node.first_child();
      continue;
    }
    if (rowName == node.name()) {
      if (result.rows.size() >= kMaxRowsetRows)
        throw Error("Rowset XML: more than " + std::to_string(kMaxRowsetRows) + " rows");
      result.rows.push_back(ReadRow(node, columns, byAttribute));
    }
    node = node.next_sibling();
  }
}

}  // namespace

tQV_CellKind AdoRowsetKind(const std::string& aDataType, const std::string& aDbType) {
  const std::string type = AsciiLower(aDataType);
  const std::string db_type = AsciiLower(aDbType);
  if (type == "i1" || type == "i2" || type == "i4" || type == "i8" || type == "int" || type == "ui1" ||
      type == "ui2" || type == "ui4" || type == "ui8")
    return tQV_CellKind::Integer;
  if (type == "number" || type == "float" || type == "r4" || type == "r8" || type == "fixed.14.4")
    return tQV_CellKind::Number;
  if (type == "boolean") return tQV_CellKind::Boolean;
  if (type == "datetime" || type == "date" || type == "time" || type == "datetime.tz" || db_type == "timestamp")
    return tQV_CellKind::DateTime;
  if (type == "bin.hex" || type == "bin.base64") return tQV_CellKind::Binary;
  return tQV_CellKind::Text;
}

tQV_ResultSet ReadAdoRowset(const std::string& aXml) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(aXml.data(), aXml.size());
  if (!parsed) throw Error(std::string("Rowset XML: ") + parsed.description());
  const pugi::xml_node root = document.document_element();
  Prefixes p;
  p.Learn(root);
  if (p.byNamespace.count(kRowsetNamespace) == 0) throw Error("Rowset XML: not an ADO rowset document");

  const pugi::xml_node schema = root.child(p.Name(kSchemaNamespace, "Schema").c_str());
  if (!schema) throw Error("Rowset XML: no schema");
  pugi::xml_node elementType;
  const std::string element_type = p.Name(kSchemaNamespace, "ElementType");
  for (const pugi::xml_node& type : schema.children(element_type.c_str()))
    if (std::string(type.attribute("name").value()) == "row") elementType = type;
  if (!elementType) throw Error("Rowset XML: the schema describes no row");

  tQV_ResultSet result;
  result.hasColumns = true;
  const std::vector<Column> columns = ReadColumns(elementType, p);
  for (const Column& column : columns) {
    result.columns.push_back(column.name);
    result.columnKinds.push_back(column.kind);
  }
  const pugi::xml_node data = root.child(p.Name(kRowsetNamespace, "data").c_str());
  if (data) ReadRows(data, p.Name(kRowNamespace, "row"), p.Name(kRowsetNamespace, "insert"), columns, result);
  return result;
}

}  // namespace dodu

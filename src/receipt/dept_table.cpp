#include "receipt/dept_table.h"

#include <memory>

#include "receipt/receipt_util.h"
#include "receipt/request_element.h"

namespace dodu {

namespace {

// Lenient: only "service" (any letter case) makes a service department.
qvDepartmentSalesType SalesTypeOf(std::string aText) {
  for (char& c : aText)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return aText == "service" ? st_Service : st_Product;
}

}  // namespace

void kDeptTable::Deserialize(const pugi::xml_document& aXmlDocument) {
  using U = krptUtil;
  for (pugi::xml_node child : RequireRequestDocument(aXmlDocument, "DeptTable").children()) {
    if (child.type() != pugi::node_element) continue;
    auto department = std::make_unique<kDepartment>();
    department->fCode = U::GetNodeValueAsString(child, "Code");
    department->fDescription = U::GetNodeValueAsString(child, "Description");
    department->fVATCode = U::GetNodeValueAsString(child, "VATCode");
    department->fEACode = U::GetNodeValueAsString(child, "EACode");
    department->fSalesType = SalesTypeOf(U::GetNodeValueAsString(child, "SalesType"));
    Add(std::move(department));
  }
}

kDepartment* kDeptTable::Get(const std::string& aCode) const {
  for (const auto& department : *this)
    if (department->fCode == aCode) return department.get();
  return nullptr;
}

kDepartment* kDeptTable::GetByIndex(int32_t aIndex) const {
  for (const auto& department : *this)
    if (department->fIndex == aIndex) return department.get();
  return nullptr;
}

}  // namespace dodu

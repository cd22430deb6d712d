#include "receipt/economic_activity_table.h"

#include <memory>

#include "receipt/receipt_util.h"
#include "receipt/request_element.h"

namespace dodu {

void kEconomicActivityTable::Deserialize(const pugi::xml_document& aXmlDocument) {
  using U = krptUtil;
  for (pugi::xml_node child : RequireRequestDocument(aXmlDocument, "DeptTable").children()) {
    if (child.type() != pugi::node_element) continue;
    const std::string code = U::GetNodeValueAsString(child, "EACode");
    if (code.empty() || Get(code) != nullptr) continue;
    auto activity = std::make_unique<kEconomicActivity>();
    activity->fIndex = static_cast<int32_t>(Count()) + 1;
    activity->fCode = code;
    activity->fDescription = U::GetNodeValueAsString(child, "EADescription");
    activity->fVentilazione = U::GetNodeValueAsString(child, "EAVATMode") == "1";
    Add(std::move(activity));
  }
}

kEconomicActivity* kEconomicActivityTable::Get(const std::string& aCode) const {
  for (const auto& activity : *this)
    if (activity->fCode == aCode) return activity.get();
  return nullptr;
}

kEconomicActivity* kEconomicActivityTable::GetByIndex(int32_t aIndex) const {
  for (const auto& activity : *this)
    if (activity->fIndex == aIndex) return activity.get();
  return nullptr;
}

}  // namespace dodu

#include "receipt/vat_table.h"

#include <limits>
#include <memory>

#include "base/error.h"
#include "receipt/receipt_util.h"
#include "receipt/request_element.h"

namespace dodu {

void kVatTable::Deserialize(const pugi::xml_document& aXmlDocument) {
  using U = krptUtil;
  for (pugi::xml_node child : RequireRequestDocument(aXmlDocument, "VATTable").children()) {
    if (child.type() != pugi::node_element) continue;
    auto vat = std::make_unique<kVat>();
    vat->fCode = U::GetNodeValueAsString(child, "Code");
    vat->fDescription = U::GetNodeValueAsString(child, "Description");
    vat->fRate = U::GetNodeValueAsCurrency(child, "Rate");
    Add(std::move(vat));
  }
}

kVat* kVatTable::Get(const std::string& aCode) const {
  for (const auto& vat : *this)
    if (vat->fCode == aCode) return vat.get();
  return nullptr;
}

kVat* kVatTable::GetByIndex(int32_t aIndex) const {
  for (const auto& vat : *this)
    if (vat->fIndex == aIndex) return vat.get();
  return nullptr;
}

int32_t kVatTable::GetFirstAvailableIndex() const {
  bool found = false;
  int32_t largest = 0;
  for (const auto& vat : *this) {
    if (vat->fRate.IsZero()) continue;
    if (!found || vat->fIndex > largest) largest = vat->fIndex;
    found = true;
  }
  if (!found) return 1;
  if (largest == std::numeric_limits<int32_t>::max()) throw Error("No VAT index is available");
  return largest + 1;
}

}  // namespace dodu

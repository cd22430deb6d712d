#pragma once

#include <cstdint>
#include <string>

#include <pugixml.hpp>

#include "receipt/owning_list.h"

namespace dodu {

class kEconomicActivity {
 public:
  int32_t fIndex = 0;
  std::string fCode;
  std::string fDescription;
  bool fVentilazione = false;
};

class kEconomicActivityTable : public kOwningList<kEconomicActivity> {
 public:
  // Collects the distinct economic activities of the request's DeptTable element, numbered from
  // 1 in the order of their first department; raises "DeptTable node not found" without one.
  void Deserialize(const pugi::xml_document& aXmlDocument);
  kEconomicActivity* Get(const std::string& aCode) const;
  kEconomicActivity* GetByIndex(int32_t aIndex) const;
};

}  // namespace dodu

#pragma once

#include <cstdint>
#include <string>

#include <pugixml.hpp>

#include "receipt/owning_list.h"
#include "receipt/receipt_types.h"

namespace dodu {

class kDepartment {
 public:
  int32_t fIndex = 0;
  std::string fCode;
  std::string fDescription;
  std::string fVATCode;
  qvDepartmentSalesType fSalesType = st_Product;
  std::string fEACode;  // economic activity
};

class kDeptTable : public kOwningList<kDepartment> {
 public:
  // Appends one entry per child of the request's DeptTable element (Index stays 0); raises
  // "DeptTable node not found" without one.
  void Deserialize(const pugi::xml_document& aXmlDocument);
  kDepartment* Get(const std::string& aCode) const;
  kDepartment* GetByIndex(int32_t aIndex) const;
};

}  // namespace dodu

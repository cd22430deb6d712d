#pragma once

#include <cstdint>
#include <string>

#include <pugixml.hpp>

#include "base/amount.h"
#include "receipt/owning_list.h"

namespace dodu {

class kVat {
 public:
  int32_t fIndex = 0;
  std::string fCode;
  std::string fDescription;
  Amount fRate;  // percent
};

class kVatTable : public kOwningList<kVat> {
 public:
  // Appends one entry per child of the request's VATTable element (Index stays 0); raises
  // "VATTable node not found" without one.
  void Deserialize(const pugi::xml_document& aXmlDocument);
  // The first entry with exactly this code, or nullptr.
  kVat* Get(const std::string& aCode) const;
  // The first entry with this index, or nullptr.
  kVat* GetByIndex(int32_t aIndex) const;
  // One past the largest index among the entries with a rate; 1 when there is none.
  int32_t GetFirstAvailableIndex() const;
};

}  // namespace dodu

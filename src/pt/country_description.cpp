#include "pt/country_table.h"

namespace dodu {

std::string CountryDescription(const std::string& aCode) {
  for (const Country& country : kCountries) {
    if (aCode == country.alpha2 || aCode == country.alpha3) return country.name;
  }
  return std::string();
}

}  // namespace dodu

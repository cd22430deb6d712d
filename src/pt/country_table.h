#pragma once

#include <array>
#include <string>

namespace dodu {

// One country of ISO 3166-1.
struct Country {
  const char* alpha2;
  const char* alpha3;
  const char* numeric;
  const char* name;  // English short name
};

// The ISO 3166-1 countries in alphabetical order of their names.
extern const std::array<Country, 249> kCountries;

// The English short name of the country whose alpha-2 or alpha-3 code equals the code exactly
// (letter case included); empty when none does.
std::string CountryDescription(const std::string& aCode);

}  // namespace dodu

#include <gtest/gtest.h>

#include <cctype>
#include <set>

#include "pt/country_table.h"

namespace dodu {
namespace {

TEST(CountryDescription, ExactAlpha2OrAlpha3Code) {
  const std::pair<const char*, const char*> cases[] = {
      {"PT", "Portugal"}, {"PRT", "Portugal"}, {"pt", ""},        {"Pt", ""},    {"ES", "Spain"},
      {"DEU", "Germany"}, {"CI", "C\u00f4te d'Ivoire"},            {"620", ""},   {"", ""},
      {"PTX", ""},        {" PT", ""},      {"Desconhecido", ""},
  };
  for (const auto& [code, name] : cases) EXPECT_EQ(CountryDescription(code), name) << "'" << code << "'";
}

TEST(CountryDescription, TableHoldsEachCodeOnce) {
  std::set<std::string> codes;
  for (const Country& country : kCountries) {
    const std::string alpha2 = country.alpha2, alpha3 = country.alpha3;
    EXPECT_EQ(alpha2.size(), 2u) << country.name;
    EXPECT_EQ(alpha3.size(), 3u) << country.name;
    for (char c : alpha2 + alpha3) EXPECT_TRUE(std::isupper(static_cast<unsigned char>(c))) << country.name;
    EXPECT_TRUE(codes.insert(alpha2).second) << alpha2;
    EXPECT_TRUE(codes.insert(alpha3).second) << alpha3;
  }
}

}  // namespace
}  // namespace dodu

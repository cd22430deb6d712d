#pragma once

#include <string>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "base/error.h"

namespace dodu::test {

// Parses a fixture; a fixture that is not well-formed is a mistake in the test itself.
inline void LoadXml(pugi::xml_document& aDocument, const std::string& aText) {
  pugi::xml_parse_result result = aDocument.load_string(aText.c_str());
  ASSERT_TRUE(result) << result.description() << " in fixture:\n" << aText;
}

// The message of the dodu::Error that aAction raises; a marker when it raises none.
template <typename Action>
std::string ErrorOf(Action aAction) {
  try {
    aAction();
  } catch (const Error& e) {
    return e.what();
  }
  return "<no error>";
}

}  // namespace dodu::test

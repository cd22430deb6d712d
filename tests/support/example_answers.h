#pragma once

#include <string>
#include <vector>

namespace dodu::testing {

// What a documented answer leaves open because it changes from run to run. Everything else of an
// answer must match its file exactly.
struct VolatileParts {
  // Elements (by name, anywhere) that hold the local time of the call as yyyy-mm-ddThh:nn:ss.
  std::vector<std::string> nowElements;
  // Elements that hold the library's version text.
  std::vector<std::string> versionElements;
};

// The answer in the form its example file keeps: parsed and written again with one layout, the
// four signature characters as {{hash4}} (the same four in the QR code and on the certification
// line), the call's local time as {{now}} and the report's "Data Registo" time as
// {{dd/mm/yyyy hh:nn}}. A volatile part that does not have its expected form is left as it is,
// so the comparison shows it. Raises std::runtime_error for text that is no XML.
std::string ExampleForm(const std::string& answer_xml, const VolatileParts& parts);

// An example file written again with the layout of ExampleForm, so layout never counts.
std::string CanonicalExample(const std::string& file_xml);

}  // namespace dodu::testing

// The library exports its nine functions by name and nothing else.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "support/child_process.h"
#include "support/unavailable_here.h"

namespace dodu::testing {
namespace {

TEST(ExportedSymbolsTest, ExactlyTheNineFunctionsAreDefined) {
  DODU_SKIP_WITHOUT(SystemFeature::kElfExportTable);
  ChildProcess nm("nm", {"-D", "--defined-only", DODU_LIBRARY_PATH}, {}, true);
  const ProcessExit exit = nm.Wait();
  const std::string& output = nm.Output();
  ASSERT_TRUE(exit.Succeeded()) << "nm -D --defined-only " << DODU_LIBRARY_PATH << ": " << exit.text << "\n" << output;

  std::set<std::string> names;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);) {
    std::istringstream fields(line);
    std::string address, type, name;
    if (!(fields >> address >> type >> name)) {
      ADD_FAILURE() << "unexpected nm line: " << line;
      continue;
    }
    EXPECT_EQ(type, "T") << name << " should be a function";
    names.insert(name);
  }
  const std::set<std::string> expected = {"OPEN",           "PROCESSRECEIPT",  "PROCESSREPRINTRECEIPT",
                                          "PROCESSZREPORT", "PROCESSXREPORT",  "PROCESSGETSTATUS",
                                          "SysAllocStringLen", "SysFreeString", "SysStringLen"};
  EXPECT_EQ(names, expected) << output;
}

}  // namespace
}  // namespace dodu::testing

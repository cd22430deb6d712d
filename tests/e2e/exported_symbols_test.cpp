// The library exports its nine functions by name and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

TEST(ExportedSymbolsTest, ExactlyTheNineFunctionsAreDefined) {
  const std::string command = std::string("nm -D --defined-only '") + DODU_LIBRARY_PATH + "' 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr) << command;
  std::string output;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
  const int status = pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << "\n" << output;

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

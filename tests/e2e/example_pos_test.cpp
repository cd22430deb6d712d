// The example till of examples/pos.c, run as a program on a fresh store through a whole day.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "support/store_fixture.h"

namespace dodu::testing {
namespace {

#ifdef DODU_EXAMPLE_POS_PATH
TEST(ExamplePos, RunsTheWholeDayAndExitsWithZero) {
  StoreFixture store;
  store.AddCompanyAndBranch();
  // The till dates its documents now, so the series of this year must be registered.
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  const std::string year = std::to_string(local.tm_year + 1900);
  store.AddSeries("FR" + year + "S01", "AAJFJ2K6");
  store.AddSeries("NC" + year + "S01", "BBKGK3L7");

  // The fixture has set QV_HOST_DIR, QV_FPR_DB and the working directory the program inherits.
  std::unique_ptr<FILE, decltype(&pclose)> program(popen(DODU_EXAMPLE_POS_PATH " 2>&1", "r"), &pclose);
  ASSERT_NE(program, nullptr);
  std::string output;
  std::array<char, 4096> buffer{};
  while (size_t n = fread(buffer.data(), 1, buffer.size(), program.get())) output.append(buffer.data(), n);
  const int status = pclose(program.release());
  EXPECT_EQ(status, 0) << output;
  const std::vector<std::string> lines = {std::string("OPEN: handle 1\n"), "Sale: Sale FR FR" + year + "S01/0000001, number 1,",
        "Credit note: Refund NC NC" + year + "S01/0000001, number 1,",
        "Negative sale: Refund NC NC" + year + "S01/0000002, number 2,", std::string("total 5,"),
        "Sale to void: Sale FR FR" + year + "S01/0000002, number 2,", "Void: Void FR FR" + year + "S01/0000002",
        std::string("ATCUD AAJFJ2K6-0000001\n  QR A:500100200*B:123456789*C:PT*D:FR*E:N*"),
        std::string("Reprint: IsReprint True\n"), std::string("X report: day total "),
        std::string("Z report: number 1, grand total "), std::string("Status: day opened False, till T01\n")};
  for (const std::string& expected : lines) {
    EXPECT_NE(output.find(expected), std::string::npos) << expected << "\n" << output;
  }
}
#endif

}  // namespace
}  // namespace dodu::testing

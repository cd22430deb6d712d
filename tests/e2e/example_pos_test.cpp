// The example till of examples/pos.c, run as a program on a fresh store through a whole day.
#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#include "platform/local_time.h"
#include "support/child_process.h"
#include "support/store_fixture.h"

namespace dodu::testing {
namespace {

#ifdef DODU_EXAMPLE_POS_PATH
TEST(ExamplePos, RunsTheWholeDayAndExitsWithZero) {
  StoreFixture store;
  store.AddCompanyAndBranch();
  // The till dates its documents now, so the series of this year must be registered.
  const std::tm local = LocalTimeOf(std::time(nullptr));
  const std::string year = std::to_string(local.tm_year + 1900);
  store.AddSeries("FR" + year + "S01", "AAJFJ2K6");
  store.AddSeries("NC" + year + "S01", "BBKGK3L7");

  // The fixture has set QV_HOST_DIR, QV_FPR_DB and the working directory the program inherits.
  ChildProcess program(DODU_EXAMPLE_POS_PATH, {}, {}, true);
  const ProcessExit exit = program.Wait();
  const std::string& output = program.Output();
  EXPECT_TRUE(exit.Succeeded()) << exit.text << "\n" << output;
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

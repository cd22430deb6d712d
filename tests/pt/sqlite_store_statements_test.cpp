// The statement set of the embedded store, run on a real SQLite file.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "base/temp_directory.h"
#include "db/vendizio_proxy.h"
#include "pt/store_statements.h"

namespace dodu {
namespace {

using testing::TempDirectory;

class SqliteStore : public ::testing::Test {
 protected:
  void SetUp() override {
    proxy = Connect();
    std::ifstream schema(std::string(DODU_SOURCE_DIR) + "/schema/sqlite.sql");
    std::stringstream text;
    text << schema.rdbuf();
    proxy->ExecuteSQLCommand(text.str());
  }

  std::unique_ptr<tQV_VendizioProxy> Connect() {
    auto connected = std::make_unique<tQV_VendizioProxy>();
    connected->SetEngine(dbe_SQLite);
    connected->SetDbName(directory / "store.db");
    connected->SetLogHandler([](tQV_MessageType, const std::string&) {});
    EXPECT_TRUE(connected->Connect()) << connected->ConnectionError();
    return connected;
  }

  TempDirectory directory;
  std::unique_ptr<tQV_VendizioProxy> proxy;
};

// A host that forks after it has numbered documents must not hand the same row identifiers to
// parent and child: the second insert would fail on the key and refuse the document.
TEST_F(SqliteStore, ForkedProcessesMakeDifferentRowIdentifiers) {
  auto statements = CreateStoreStatements(*proxy, directory / "locks");
  statements->LoadSeries("A");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int status = 1;
    try {
      auto own = Connect();
      CreateStoreStatements(*own, directory / "locks")->LoadSeries("B");
      status = 0;
    } catch (...) {
    }
    _exit(status);
  }
  int status = -1;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_NO_THROW(statements->LoadSeries("C"));
  auto rows = proxy->CreateDataset("select count(distinct Id) as Ids from Series");
  EXPECT_EQ(rows->FieldByName("Ids").AsInteger(), 3);
}

TEST_F(SqliteStore, NewSeriesRowHasNoValidationCodeAndNoHistory) {
  auto statements = CreateStoreStatements(*proxy, directory / "locks");
  const SeriesState state = statements->LoadSeries("FR2024S01");
  EXPECT_EQ(state.lastNumber, 0);
  EXPECT_EQ(state.lastHash, "");
  EXPECT_TRUE(state.lastDate.IsZero());
  EXPECT_EQ(state.validationCode, "");
  EXPECT_FALSE(state.closed);
  proxy->ExecuteSQLCommand(
      "update Series set Serie_LastNumber=5,Serie_LastHash='h',Serie_LastDate='2024-02-09T10:00:01.000',"
      "Serie_Validation_Code='V',Serie_Closed=1");
  const SeriesState stored = statements->LoadSeries("FR2024S01");
  EXPECT_EQ(stored.lastNumber, 5);
  EXPECT_EQ(stored.lastHash, "h");
  EXPECT_EQ(stored.lastDate, EncodeDateTime({2024, 2, 9, 10, 0, 1, 0}));
  EXPECT_EQ(stored.validationCode, "V");
  EXPECT_TRUE(stored.closed);
  EXPECT_EQ(proxy->CreateDataset("select count(*) as N from Series")->FieldByName("N").AsInteger(), 1);
}

}  // namespace
}  // namespace dodu

// The store and the till's files stay together: a document that fails on its way into the store
// leaves the counters file, the check file and the database as they were before it.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstring>
#include <deque>
#include <filesystem>

#include "support/receipt_till.h"
#include "support/unavailable_here.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

// Makes the COMMIT of a transaction that inserted into Receipts fail, on every connection this
// process opens from now on (the library's too: one SQLite library serves the process).
class FailingReceiptCommits {
 public:
  FailingReceiptCommits() { sqlite3_auto_extension(reinterpret_cast<void (*)()>(&Register)); }
  ~FailingReceiptCommits() {
    sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&Register));
    armed = false;
  }
  static inline bool armed = false;

 private:
  // One flag per connection: the open transaction inserted a receipt.
  static inline std::deque<bool> inserted;

  static int Register(sqlite3* db, char**, const sqlite3_api_routines*) {
    bool* flag = &inserted.emplace_back(false);
    sqlite3_update_hook(
        db,
        [](void* f, int operation, const char*, const char* table, sqlite3_int64) {
          if (operation == SQLITE_INSERT && std::strcmp(table, "Receipts") == 0) *static_cast<bool*>(f) = true;
        },
        flag);
    sqlite3_commit_hook(
        db,
        [](void* f) {
          const bool fail = armed && *static_cast<bool*>(f);
          *static_cast<bool*>(f) = false;
          return fail ? 1 : 0;
        },
        flag);
    sqlite3_rollback_hook(db, [](void* f) { *static_cast<bool*>(f) = false; }, flag);
    return SQLITE_OK;
  }
};

TEST(ReceiptStore, FailureAfterTheDocumentWasCountedLeavesEverythingAsBefore) {
  ReceiptTill till;
  ASSERT_EQ(till.Process(ReceiptRequest{}).code, 0);
  const TillSnapshot before(till);
  till.Store().Execute(
      "create trigger FailReceipt before insert on Receipts begin select raise(abort, 'injected failure'); end;");
  ExportResult failed = till.Process(ReceiptRequest{});
  EXPECT_EQ(failed.code, -1);
  EXPECT_EQ(failed.error, "injected failure");
  EXPECT_TRUE(TillSnapshot(till) == before);
  EXPECT_EQ(till.Counter("CurrentReceiptNo"), "1");
  EXPECT_NE(till.Log("-999: injected failure").find("-999: injected failure"), std::string::npos);

  till.Store().Execute("drop trigger FailReceipt");
  ExportResult next = till.Process(ReceiptRequest{});
  ASSERT_EQ(next.code, 0) << next.error;
  EXPECT_EQ(Answer(next.output).Value("Number"), "2");
  ExpectVerifiedChains(till.Receipts(), till.Store().Root() / "openssl");
}

TEST(ReceiptStore, FailedCommitSetsTheCheckFileBack) {
  DODU_SKIP_WITHOUT(SystemFeature::kSharedSqlite);
  FailingReceiptCommits injection;
  ReceiptTill till;
  ASSERT_EQ(till.Process(ReceiptRequest{}).code, 0);
  const TillSnapshot before(till);
  ASSERT_TRUE(before.invoiceCheckFile);

  FailingReceiptCommits::armed = true;
  ExportResult failed = till.Process(ReceiptRequest{});
  FailingReceiptCommits::armed = false;
  EXPECT_EQ(failed.code, -1);
  EXPECT_FALSE(failed.error.empty());
  EXPECT_TRUE(TillSnapshot(till) == before);
  EXPECT_EQ(till.CheckText(kInvoiceSeries), "1");
  EXPECT_EQ(till.Series(kInvoiceSeries).at("Serie_LastNumber"), "1");
  EXPECT_EQ(till.Counter("CurrentReceiptNo"), "1");

  ExportResult next = till.Process(ReceiptRequest{});
  ASSERT_EQ(next.code, 0) << next.error;
  EXPECT_EQ(Answer(next.output).Value("Number"), "2");
  EXPECT_EQ(till.CheckText(kInvoiceSeries), "2");
  ExpectVerifiedChains(till.Receipts(), till.Store().Root() / "openssl");
}

// Handles this process holds open on the file.
int OpenHandlesOn(const fs::path& file) {
  const fs::path target = fs::canonical(file);
  int count = 0;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd", error)) {
    std::error_code unreadable;
    if (fs::read_symlink(entry.path(), unreadable) == target) ++count;
  }
  return count;
}

TEST(ReceiptStore, OpenReplacesTheDatabaseConnection) {
  DODU_SKIP_WITHOUT(SystemFeature::kOpenFileListing);
  ReceiptTill till;
  EXPECT_EQ(OpenHandlesOn(till.Store().DatabaseFile()), 1);
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(till.Driver().Open(Envelope(till.Handle(), "T01")).code, 0);
    ASSERT_EQ(till.Driver().Open(Envelope(0, "T0" + std::to_string(i + 2))).code, 0);
    EXPECT_EQ(OpenHandlesOn(till.Store().DatabaseFile()), 1) << "after " << i + 1 << " rounds";
  }
  ExportResult sale = till.Process(ReceiptRequest{});
  ASSERT_EQ(sale.code, 0) << sale.error;
  EXPECT_EQ(till.Receipts().size(), 1u);
}

// The fixture makes its store in rollback mode, as a store made before the change to
// write-ahead logging; the library changes it over when it opens it, and the documents stay.
TEST(ReceiptStore, AStoreMadeInRollbackModeTakesDocumentsAndEndsInWriteAheadLogMode) {
  {
    StoreFixture plain;
    ASSERT_EQ(plain.Query("pragma journal_mode").at(0).at("journal_mode"), "delete");
  }
  ReceiptTill till;
  ExportResult sale = till.Process(ReceiptRequest());
  ASSERT_EQ(sale.code, 0) << sale.error;
  ReceiptRequest second;
  second.dateTime = "2024-02-09T10:05:00";
  ASSERT_EQ(till.Process(second).code, 0);
  EXPECT_EQ(till.Store().Query("pragma journal_mode").at(0).at("journal_mode"), "wal");
  EXPECT_EQ(till.Receipts().size(), 2u);
  EXPECT_EQ(till.Series(kInvoiceSeries).at("Serie_LastNumber"), "2");
}

}  // namespace
}  // namespace dodu::testing

// The files a series has beside the store: its lock file and its check file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/files.h"
#include "support/environment.h"
#include "support/file_wait.h"
#include "support/receipt_till.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

// A series code names the check file, the lock file and the pending files (whose names carry it
// twice over, in hexadecimal): one longer than any of them allows is refused before anything is
// locked, numbered or written, with that reason.
TEST(SeriesFiles, ASeriesCodeTooLongForItsFilesIsRefusedWithThatReason) {
  ReceiptTill till;
  // The template "{{DocumentType}}{{YYYY}}" + part gives "FR2024" + part.
  for (size_t length : {size_t{51}, size_t{76}, size_t{120}, size_t{306}}) {
    const std::string code = "FR2024" + std::string(length - 6, 'L');
    till.Store().Execute("delete from BranchRecord where Branch_Code='S02'");
    till.Store().Execute("insert into BranchRecord values ('S02','Loja Longa','Rua 1','Lisboa','1100-061','FR','" +
                         code + "','NC','" + code + "');");
    till.Store().AddSeries(code, "LONGSER" + std::to_string(length));
    const TillSnapshot before(till);
    ReceiptRequest sale;
    sale.storeCode = "S02";
    ExportResult result = till.Process(sale);
    EXPECT_EQ(result.code, -1) << length;
    EXPECT_EQ(result.error, "Serie [" + code + "] cannot be numbered: its code is " + std::to_string(length) +
                                " bytes long, and a series code may have at most 50 bytes");
    EXPECT_TRUE(TillSnapshot(till) == before) << length;
    EXPECT_EQ(till.Series(code).at("Serie_LastNumber"), "0") << length;
    EXPECT_EQ(FilesIn(till.Store().HostDir() / "PT_Check"), std::vector<std::string>{}) << length;
  }
}

// The longest series code numbers, voids and counts like any other: its pending files fit.
TEST(SeriesFiles, TheLongestSeriesCodeNumbersAndVoids) {
  ReceiptTill till;
  const std::string code = "FR2024" + std::string(44, 'L');
  ASSERT_EQ(code.size(), 50u);
  till.Store().Execute("insert into BranchRecord values ('S02','Loja Longa','Rua 1','Lisboa','1100-061','FR','" +
                       code + "','NC','" + code + "');");
  till.Store().AddSeries(code, "LONGSER50");
  ReceiptRequest sale;
  sale.storeCode = "S02";
  ExportResult result = till.Process(sale);
  ASSERT_EQ(result.code, 0) << result.error;
  EXPECT_EQ(Answer(result.output).Value("Number"), "1");
  EXPECT_EQ(till.CheckText(code), "1");
  EXPECT_EQ(till.Counter("CurrentReceiptNo"), "1");

  ReceiptRequest void_request = VoidOf("C1-S02", "1", "2024-02-09T10:00:00");
  void_request.storeCode = "S02";
  ExportResult voided = till.Process(void_request);
  ASSERT_EQ(voided.code, 0) << voided.error;
  EXPECT_EQ(till.Receipt(code, 1).at("Status"), "A");
  EXPECT_EQ(till.Counter("DailyVoids"), "12.3");
  // Nothing is left pending beside the counters file.
  for (const std::string& name : FilesIn(till.CountersFile().parent_path()))
    EXPECT_EQ(name.find("pending"), std::string::npos) << name;
}

TEST(SeriesFiles, ASeriesThatIsNotRegisteredLeavesNoLockFile) {
  ReceiptTill till("T01", /*register_series=*/false);
  const TillSnapshot before(till);
  for (const char* sub_type : {"", "M"}) {
    ReceiptRequest sale;
    sale.subType = sub_type;
    sale.externalReference = "M 1/1";
    ExportResult result = till.Process(sale);
    EXPECT_EQ(result.code, -1);
    EXPECT_EQ(result.error, "Serie Validation Code from serie [FR2024S01" + std::string(sub_type) + "] is missing.");
  }
  EXPECT_TRUE(TillSnapshot(till) == before);
  EXPECT_EQ(FilesIn(till.Store().HostDir() / "PT_Check"), std::vector<std::string>{});

  // Once registered, the series numbers as usual.
  till.Store().AddSeries(kInvoiceSeries, kInvoiceValidation);
  ExportResult sale = till.Process(ReceiptRequest());
  ASSERT_EQ(sale.code, 0) << sale.error;
  EXPECT_EQ(Answer(sale.output).Value("Number"), "1");
}

// Two machines (two host directories) numbering one series: each keeps its check files beside
// its own executable unless QVPA_PT_10.ini names a shared check-file directory.
class TwoMachines : public ::testing::Test {
 protected:
  void SetUp() override {
    machineA = till.Store().HostDir();
    machineB = till.Store().Root() / "host-b";
    fs::create_directories(machineB);
  }
  void OnMachine(const fs::path& host) { SetEnvironment("QV_HOST_DIR", PathText(host)); }
  void NameCheckFileDirectory(const fs::path& host, const std::string& directory) {
    std::ofstream(host / "QVPA_PT_10.ini") << "[ReceiptSubTypes]\n[CheckFiles]\nDirectory=" << directory << "\n";
  }
  ExportResult SaleFromMachineB(const std::string& date_time) {
    OnMachine(machineB);
    ExportResult open = till.Driver().Open(Envelope(0, "T02"));
    EXPECT_EQ(open.code, 0) << open.error;
    ReceiptRequest sale;
    sale.dateTime = date_time;
    ExportResult result = till.Driver().ProcessReceipt(Envelope(open.handle, "T02", sale.Xml()));
    OnMachine(machineA);
    return result;
  }

  ReceiptTill till;
  fs::path machineA, machineB;
};

TEST_F(TwoMachines, WithoutASharedDirectoryTheSecondMachineIsRefused) {
  ASSERT_EQ(till.Process(ReceiptRequest()).code, 0);
  const TillSnapshot before(till);
  ExportResult second = SaleFromMachineB("2024-02-09T10:05:00");
  EXPECT_EQ(second.code, -1);
  EXPECT_EQ(second.error, "Last Number for Serie [FR2024S01] does not match [DB=1 CK=0]");
  EXPECT_TRUE(TillSnapshot(till) == before);
}

TEST_F(TwoMachines, ASharedCheckFileDirectoryLetsBothNumberTheSeries) {
  const fs::path shared = till.Store().Root() / "shared-checks";
  NameCheckFileDirectory(machineA, shared.string());
  NameCheckFileDirectory(machineB, shared.string());
  ExportResult first = till.Process(ReceiptRequest());
  ASSERT_EQ(first.code, 0) << first.error;
  ExportResult second = SaleFromMachineB("2024-02-09T10:05:00");
  ASSERT_EQ(second.code, 0) << second.error;
  EXPECT_EQ(Answer(second.output).Value("Number"), "2");
  ReceiptRequest third;
  third.dateTime = "2024-02-09T10:10:00";
  ExportResult back = till.Process(third);
  ASSERT_EQ(back.code, 0) << back.error;
  EXPECT_EQ(Answer(back.output).Value("Number"), "3");

  EXPECT_TRUE(fs::exists(shared / (std::string(kInvoiceSeries) + ".b64")));
  EXPECT_FALSE(fs::exists(machineA / "PT_Check" / (std::string(kInvoiceSeries) + ".b64")));
  EXPECT_FALSE(fs::exists(machineB / "PT_Check" / (std::string(kInvoiceSeries) + ".b64")));
  EXPECT_EQ(till.Series(kInvoiceSeries)["Serie_LastNumber"], "3");
}

TEST_F(TwoMachines, ARelativeDirectoryIsTakenBelowTheExecutablesDirectory) {
  NameCheckFileDirectory(machineA, "checks");
  ASSERT_EQ(till.Process(ReceiptRequest()).code, 0);
  EXPECT_TRUE(fs::exists(machineA / "checks" / (std::string(kInvoiceSeries) + ".b64")));
  EXPECT_FALSE(fs::exists(machineA / "PT_Check" / (std::string(kInvoiceSeries) + ".b64")));
}

}  // namespace
}  // namespace dodu::testing

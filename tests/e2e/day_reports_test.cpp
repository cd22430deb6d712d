// Z and X reports, reprint and status through the loaded library.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <pugixml.hpp>

#include "base/date_time.h"
#include "support/driver_library.h"
#include "support/file_wait.h"
#include "support/store_fixture.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

std::string Sale(const std::string& date_time) {
  return "<Receipt><Type>Sale</Type><BusinessDate>2024-02-09T00:00:00</BusinessDate><DateTime>" + date_time +
         "</DateTime><CompanyTaxCode>PT500100200</CompanyTaxCode><StoreCode>S01</StoreCode><TillCode>01</TillCode>"
         "<CompanyCode>C1</CompanyCode><OperatorCode>OP1</OperatorCode><TotalAmount>12.30</TotalAmount>"
         "<Lines><productsale><Description>Cafe</Description><Quantity>1</Quantity><Price>12.3</Price>"
         "<Amount>12.3</Amount><TaxCode>NOR</TaxCode></productsale></Lines>"
         "<Taxes><Tax><Type>VAT</Type><Code>NOR</Code><Rate>23</Rate><TaxableAmount>10</TaxableAmount>"
         "<TaxAmount>2.30</TaxAmount></Tax></Taxes>"
         "<Payments><Payment><Type>cash</Type><Amount>12.3</Amount></Payment></Payments></Receipt>";
}

std::string Reference(const std::string& type, const std::string& serial, const std::string& number,
                      const std::string& date_time) {
  return "<ReceiptReference><ReceiptType>" + type + "</ReceiptType><DeviceSerialNumber>" + serial +
         "</DeviceSerialNumber><ReceiptNumber>" + number + "</ReceiptNumber><ReceiptDateTime>" + date_time +
         "</ReceiptDateTime></ReceiptReference>";
}

std::string Void(const std::string& number, const std::string& date_time) {
  return "<Receipt><Type>Void</Type><CompanyTaxCode>PT500100200</CompanyTaxCode><StoreCode>S01</StoreCode>"
         "<OperatorCode>OP2</OperatorCode><TotalAmount>0</TotalAmount><Lines/><Taxes/><Payments/>"
         "<References><OriginalReceipt><DeviceSerialNumber>C1-S01</DeviceSerialNumber><ReceiptNumber>" +
         number + "</ReceiptNumber><ReceiptDateTime>" + date_time +
         "</ReceiptDateTime></OriginalReceipt></References></Receipt>";
}

// Parsed keeping CR LF as sent: a report text's line ends are part of what the caller prints.
pugi::xml_node Root(pugi::xml_document& document, const std::string& text) {
  EXPECT_TRUE(document.load_string(text.c_str(), pugi::parse_default & ~pugi::parse_eol)) << text;
  return document.document_element();
}

class DayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_.AddCompanyAndBranch();
    store_.AddSeries("FR2024S01", "AAJFJ2K6");
    ExportResult open = driver_.Open(Envelope(0, "T01"));
    ASSERT_EQ(open.code, 0) << open.error;
    handle_ = open.handle;
  }

  fs::path Counters() const { return store_.DataDir() / "T01" / "counters.actual.fprc"; }

  // Puts the day where a test needs it: report number, documents and daily sales.
  void SetDay(int z_number, int documents, const std::string& sales, const std::string& grand_sales) {
    pugi::xml_document counters;
    ASSERT_TRUE(counters.load_file(Counters().c_str()));
    pugi::xml_node root = counters.child("FPRCounters");
    root.child("CurrentZReportNo").text().set(z_number);
    root.child("CurrentReceiptNo").text().set(documents);
    for (const char* name : {"DailySales", "DailyTotal"}) root.child(name).text().set(sales.c_str());
    for (const char* name : {"GrandTotalSales", "GrandTotalTotal"}) root.child(name).text().set(grand_sales.c_str());
    ASSERT_TRUE(counters.save_file(Counters().c_str()));
  }

  std::string Request(const std::string& documents = "") const { return Envelope(handle_, "T01", documents); }

  StoreFixture store_;
  DriverLibrary driver_;
  int32_t handle_ = 0;
};

TEST_F(DayTest, ZReportClosesDaySevenAndKeepsItsCounters) {
  SetDay(7, 3, "10", "250.5");
  const std::string day_before = ReadWholeFile(Counters());

  ExportResult z = driver_.ProcessZReport(Request());
  ASSERT_EQ(z.code, 0) << z.error;
  pugi::xml_document result;
  pugi::xml_node report = Root(result, z.output);
  EXPECT_STREQ(report.name(), "ZReport");
  EXPECT_STREQ(report.child_value("ReportNumber"), "7");
  EXPECT_STREQ(report.child_value("DayReceiptsNumber"), "3");
  EXPECT_STREQ(report.child_value("DayRefundsNumber"), "0");
  EXPECT_STREQ(report.child_value("DayTotalAmount"), "10");
  EXPECT_STREQ(report.child_value("GrandTotalAmount"), "250.5");
  EXPECT_EQ(std::string(report.child_value("ReportDateTime")).substr(10), "T00:00:00");
  const std::string text = report.child_value("Text");
  EXPECT_EQ(text.rfind("Z-REPORT # 0007\r\n\r\n" + std::string(44, '-'), 0), 0u) << text;
  EXPECT_NE(text.find("\r\nData Registo" + FormatDateTime("dd/mm/yyyy", Now())), std::string::npos) << text;
  EXPECT_NE(text.find("\r\nDocumentos Emitidos" + std::string(15, ' ') + std::string(9, ' ') + "3"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.substr(text.size() - 1), "3");  // no line break after the last line

  const fs::path copy = store_.DataDir() / "T01" / "Processed" / FormatDateTime("yyyymmdd", Now()) / "0007-9999.fprd";
  EXPECT_EQ(ReadWholeFile(copy), day_before);
  EXPECT_EQ(ReadWholeFile(store_.DataDir() / "T01" / "counters.previous.fprc"), day_before);

  pugi::xml_document counters;
  pugi::xml_node after = Root(counters, ReadWholeFile(Counters()));
  EXPECT_STREQ(after.child_value("CurrentZReportNo"), "8");
  EXPECT_STREQ(after.child_value("CurrentReceiptNo"), "0");
  EXPECT_STREQ(after.child_value("DailySales"), "0");
  EXPECT_STREQ(after.child_value("GrandTotalSales"), "250.5");

  // The status right after the Z report: the new day has no document.
  ExportResult status = driver_.ProcessGetStatus(Request());
  ASSERT_EQ(status.code, 0) << status.error;
  pugi::xml_document status_document;
  EXPECT_STREQ(Root(status_document, status.output).child_value("DayOpened"), "False");
}

// A Z report that died after copying the day and before closing it left its copy: asked again,
// the report replaces the copy and closes the day once.
TEST_F(DayTest, ZReportReplacesTheCopyOfAnUnfinishedReportAndClosesTheDayOnce) {
  SetDay(7, 3, "10", "10");
  const fs::path day = store_.DataDir() / "T01" / "Processed" / FormatDateTime("yyyymmdd", Now());
  fs::create_directories(day);
  std::ofstream(day / "0007-9999.fprd") << "left by a report that died";
  const std::string closing_day = ReadWholeFile(Counters());

  ExportResult z = driver_.ProcessZReport(Request());
  ASSERT_EQ(z.code, 0) << z.error;
  EXPECT_EQ(ReadWholeFile(day / "0007-9999.fprd"), closing_day);
  EXPECT_EQ(ReadWholeFile(store_.DataDir() / "T01" / "counters.previous.fprc"), closing_day);
  pugi::xml_document counters;
  EXPECT_STREQ(Root(counters, ReadWholeFile(Counters())).child_value("CurrentZReportNo"), "8");
  pugi::xml_document result;
  EXPECT_STREQ(Root(result, z.output).child_value("ReportNumber"), "7");
}

TEST_F(DayTest, ZReportPrintsTheRequestTextAndStillClosesTheDay) {
  SetDay(2, 1, "5", "5");
  ExportResult z = driver_.ProcessZReport(
      Request("<ZReport><StoreCode>S01</StoreCode><TillCode>01</TillCode><PrintText>true</PrintText>"
              "<Text>Fecho do dia\nLoja Baixa</Text></ZReport>"));
  ASSERT_EQ(z.code, 0) << z.error;
  pugi::xml_document result;
  EXPECT_EQ(std::string(Root(result, z.output).child_value("Text")), "Fecho do dia\r\nLoja Baixa\r\n");
  pugi::xml_document counters;
  EXPECT_STREQ(Root(counters, ReadWholeFile(Counters())).child_value("CurrentZReportNo"), "3");
}

TEST_F(DayTest, XReportsReadTheDayAndWriteNothing) {
  SetDay(4, 2, "1234.5", "2000");
  const std::string before = ReadWholeFile(Counters());
  ExportResult first = driver_.ProcessXReport(Request());
  ExportResult second = driver_.ProcessXReport(Request());
  ASSERT_EQ(first.code, 0) << first.error;
  ASSERT_EQ(second.code, 0) << second.error;
  pugi::xml_document a, b;
  pugi::xml_node x1 = Root(a, first.output), x2 = Root(b, second.output);
  EXPECT_STREQ(x1.name(), "XReport");
  for (const char* name : {"DayTotalAmount", "DayReceiptsNumber", "ReportNumber", "GrandTotalAmount"})
    EXPECT_STREQ(x1.child_value(name), x2.child_value(name)) << name;
  EXPECT_STREQ(x1.child_value("DayTotalAmount"), "1234.5");
  EXPECT_STREQ(x1.child_value("ReportNumber"), "4");
  const std::string text = x1.child_value("Text");
  EXPECT_EQ(text.rfind("X-REPORT\r\n" + std::string(44, '-') + "\r\n", 0), 0u) << text;
  EXPECT_NE(text.find("\r\nData Registo " + FormatDateTime("dd/mm/yyyy", Now())), std::string::npos) << text;
  EXPECT_NE(text.find("Total do Dia" + std::string(22, ' ') + "  1,234.50\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("Total Geral"), std::string::npos);
  EXPECT_EQ(ReadWholeFile(Counters()), before);
}

TEST_F(DayTest, ReprintReturnsTheStoredDocumentAsIssuedEvenWhenVoided) {
  ExportResult sale = driver_.ProcessReceipt(Request(Sale("2024-02-09T10:00:00")));
  ASSERT_EQ(sale.code, 0) << sale.error;
  ExportResult status = driver_.ProcessGetStatus(Request());
  pugi::xml_document status_document;
  pugi::xml_node s = Root(status_document, status.output);
  EXPECT_STREQ(s.child_value("DayOpened"), "True");
  EXPECT_STREQ(s.child_value("SerialNumber"), "T01");
  EXPECT_STREQ(s.child_value("FiscalMode"), "RT");
  EXPECT_STREQ(s.child_value("FirmwareVersion"), "2.04");
  EXPECT_STREQ(s.child_value("TrainingMode"), "False");

  ExportResult voided = driver_.ProcessReceipt(Request(Void("1", "2024-02-09T10:00:00")));
  ASSERT_EQ(voided.code, 0) << voided.error;

  ExportResult reprint =
      driver_.ProcessReprintReceipt(Request(Reference("Sale", "C1-S01", "1", "2024-02-09T10:00:00")));
  ASSERT_EQ(reprint.code, 0) << reprint.error;
  pugi::xml_document document;
  pugi::xml_node receipt = Root(document, reprint.output).child("Receipt");
  EXPECT_STREQ(receipt.child_value("IsReprint"), "True");
  EXPECT_STREQ(receipt.child_value("Type"), "Sale");
  EXPECT_STREQ(receipt.child_value("InvoiceNumber"), "FR FR2024S01/0000001");
  EXPECT_EQ(store_.Query("select Status from Receipts")[0]["Status"], "A");
}

TEST_F(DayTest, ReprintFindsTheDocumentWithinADayOfAnInexactTime) {
  ASSERT_EQ(driver_.ProcessReceipt(Request(Sale("2024-02-09T10:00:00.120"))).code, 0);
  // A time a little before: only the search by number and day finds it, and only in its own store.
  ExportResult reprint =
      driver_.ProcessReprintReceipt(Request(Reference("Sale", "C1-S01", "1", "2024-02-09T09:59:59.997")));
  ASSERT_EQ(reprint.code, 0) << reprint.error;
  ExportResult other_store =
      driver_.ProcessReprintReceipt(Request(Reference("Sale", "OTHER", "1", "2024-02-09T09:59:59.997")));
  EXPECT_EQ(other_store.error, "Receipt not found");
  pugi::xml_document document;
  EXPECT_STREQ(Root(document, reprint.output).child("Receipt").child_value("IsReprint"), "True");

  ExportResult missing =
      driver_.ProcessReprintReceipt(Request(Reference("Sale", "C1-S01", "2", "2024-02-09T10:00:00")));
  EXPECT_EQ(missing.code, -1);
  EXPECT_EQ(missing.error, "Receipt not found");
  EXPECT_TRUE(missing.outputWasNull);
}

}  // namespace
}  // namespace dodu::testing

// The SQL Server statement texts, character by character, and the refusal of receipt numbers
// that are no decimal integers.
#include <gtest/gtest.h>

#include "base/conversions.h"
#include "pt/store_statements.h"

namespace dodu {
namespace {

const DateTime kDocumentTime = EncodeDateTime({2024, 2, 9, 10, 15, 30, 750});

TEST(SqlServerText, SeriesLock) {
  EXPECT_EQ(sqlserver_text::LockSeries("FR2024A"),
            "declare @ReturnCode int \r\nEXEC @ReturnCode=Sp_getapplock @Resource = 'FR2024A',"
            "@LockMode = 'Exclusive',@LockOwner = 'Session',@LockTimeout = 5000 select @ReturnCode as ReturnCode");
  EXPECT_EQ(sqlserver_text::UnlockSeries("FR2024A"),
            "declare @ReturnCode int \r\nEXEC @ReturnCode=Sp_releaseapplock @Resource = 'FR2024A',"
            "@LockOwner = 'Session'select @ReturnCode as ReturnCode");
  EXPECT_EQ(sqlserver_text::LockSeries("O'X"),
            "declare @ReturnCode int \r\nEXEC @ReturnCode=Sp_getapplock @Resource = 'O''X',"
            "@LockMode = 'Exclusive',@LockOwner = 'Session',@LockTimeout = 5000 select @ReturnCode as ReturnCode");
  EXPECT_EQ(sqlserver_text::UnlockSeries("O'X"),
            "declare @ReturnCode int \r\nEXEC @ReturnCode=Sp_releaseapplock @Resource = 'O''X',"
            "@LockOwner = 'Session'select @ReturnCode as ReturnCode");
}

TEST(SqlServerText, SeriesRow) {
  EXPECT_EQ(sqlserver_text::LoadSeries("FR2024A"),
            "declare @Serie varchar(50)='FR2024A'\r\n"
            "declare @LastNumber integer\r\n"
            "declare @LastHash varchar(512)\r\n"
            "declare @LastDate datetime\r\n"
            "declare @ValidationCode varchar(50)\r\n"
            "declare @SerieClosed bit\r\n"
            "select @LastNumber=Serie_LastNumber,@LastHash=Serie_LastHash,@LastDate=Serie_LastDate,"
            "@ValidationCode=Serie_Validation_Code,@SerieClosed=Serie_Closed\r\n"
            "  from Series\r\n"
            "  where Serie_Code=@Serie\r\n"
            "\r\n"
            "if @@ROWCOUNT=0\r\n"
            "begin\r\n"
            "  set @LastNumber=0\r\n"
            "  set @LastHash=''\r\n"
            "  set @LastDate=null\r\n"
            "  set @SerieClosed=null\r\n"
            "  insert Series (Id,Serie_Code,Serie_LastNumber,Serie_LastHash,Serie_LastDate)\r\n"
            "    values(NewId(),@Serie,@LastNumber,@LastHash,@LastDate)\r\n"
            "end\r\n"
            "select @LastNumber as LastNumber,@LastHash as LastHash,@LastDate as LastDate,"
            "@ValidationCode as ValidationCode, @SerieClosed as SerieClosed");
  EXPECT_EQ(sqlserver_text::LoadSeries("O'X").substr(0, 40), "declare @Serie varchar(50)='O''X'\r\ndecla");
  EXPECT_EQ(sqlserver_text::UpdateSeries("O'X", 42, "ab+/cd==", kDocumentTime),
            "update Series   set Serie_LastNumber=42,      Serie_LastHash='ab+/cd==',"
            "      Serie_LastDate='2024-02-09T10:15:30.750'  where Serie_Code='O''X'");
}

TEST(SqlServerText, CompanyAndBranch) {
  EXPECT_EQ(sqlserver_text::SelectCompany("PT500100200"),
            "select * from CompanyRecord where Company_VatId='PT500100200'");
  EXPECT_EQ(sqlserver_text::SelectBranch("S'01"), "select * from BranchRecord where Branch_Code='S''01'");
}

TEST(SqlServerText, InsertReceipt) {
  StoredDocument d;
  d.seriesCode = "FR2024A";
  d.storeCode = "S01";
  d.tillCode = "03";
  d.number = 42;
  d.zReportNumber = 7;
  d.deviceSerial = "C1-S01";
  d.invoiceNumber = "FR FR2024A/0000042";
  d.documentDateTime = kDocumentTime;
  d.grossTotal = Amount::Parse("12.30");
  d.systemEntryDateTime = EncodeDateTime({2024, 2, 9, 10, 15, 31, 0});
  d.documentCode = "FR";
  d.operatorCode = "O'P";
  d.previousHash = "PREV";
  d.hash = "SIG";
  d.hashedString = "2024-02-09;2024-02-09T10:15:31;FR FR2024A/0000042;12.30;PREV";
  d.sourceBilling = "M";
  d.manualDocumentNumber = "123/2024";
  d.atcud = "AAJFJ2K6-0000042";
  d.receiptXml = "<Receipt a='1'/>";
  EXPECT_EQ(sqlserver_text::InsertReceipt(d),
            "insert Receipts (id,Serie,StoreCode,TillCode,Number,ZReportNumber,DeviceSerial,ReceiptNumber,"
            "ReceiptDatetime,Totalamount,SystemEntryDateTime,Status,DocumentType,ReceiptOperator,PreviousHash,Hash,"
            "HashedString,LastReceiptStatusOperator,LastStatusDateTime,SourceBilling,ManualDocumentNumber,FiscalId,"
            "Receipt) values(NewId(),'FR2024A','S01','03',42,7,'C1-S01','FR FR2024A/0000042',"
            "'2024-02-09T10:15:30.750',12.3,'2024-02-09T10:15:31','N','FR','O''P','PREV','SIG',"
            "'2024-02-09;2024-02-09T10:15:31;FR FR2024A/0000042;12.30;PREV','O''P','2024-02-09T10:15:31','M',"
            "'123/2024','AAJFJ2K6-0000042','<Receipt a=''1''/>')");
  d.grossTotal = Amount::Parse("12");
  d.sourceBilling = d.manualDocumentNumber = "";
  const std::string text = sqlserver_text::InsertReceipt(d);
  EXPECT_NE(text.find(",'2024-02-09T10:15:30.750',12,'2024-02-09T10:15:31','N',"), std::string::npos) << text;
  EXPECT_NE(text.find(",'2024-02-09T10:15:31','','','AAJFJ2K6-0000042',"), std::string::npos) << text;
}

TEST(SqlServerText, SearchesAndVoid) {
  EXPECT_EQ(sqlserver_text::FindReceipt("C1-S01", "42", kDocumentTime),
            "select * from Receipts where DeviceSerial='C1-S01' and Number=42 and "
            "ReceiptDateTime='2024-02-09T10:15:30.750'");
  EXPECT_EQ(sqlserver_text::FindReceiptWithinDay("C1-S01", "42", kDocumentTime),
            "select * from Receipts where DeviceSerial='C1-S01' and Number=42 and ReceiptDateTime between "
            "'2024-02-09T10:15:30.750' and '2024-02-10T10:15:30.750'");
  EXPECT_EQ(sqlserver_text::VoidReceipt("FR'2024", 42, "O'P", EncodeDateTime({2024, 2, 10, 8, 0, 0, 500})),
            "update Receipts set Status='A',LastReceiptStatusOperator='O''P',LastStatusDateTime='2024-02-10T08:00:00' "
            "where Serie='FR''2024' and Number=42 and Status='N'");
  EXPECT_EQ(sqlserver_text::SelectSeriesEnd("FR'2024"),
            "select Serie_LastNumber,Serie_LastHash from Series where Serie_Code='FR''2024'");
  EXPECT_EQ(sqlserver_text::SelectDocumentState("FR'2024", 42),
            "select Hash,Status,LastStatusDateTime,HashedString from Receipts where Serie='FR''2024' and Number=42");
}

TEST(ReceiptNumber, OnlyDecimalIntegersReachAStatement) {
  const std::pair<const char*, bool> cases[] = {
      {"42", true},        {"0", true},           {"-5", true},        {"007", true},
      {"2147483647", true}, {"2147483648", false}, {"", false},         {"+5", false},
      {" 5", false},       {"5 ", false},         {"4.2", false},      {"1 or 1=1", false},
      {"1;drop table Receipts", false},           {"0x10", false},     {"1e3", false},
  };
  for (const auto& [text, valid] : cases) EXPECT_EQ(IsDecimalInteger(text), valid) << "'" << text << "'";
}

}  // namespace
}  // namespace dodu

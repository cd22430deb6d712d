#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/conversions.h"
#include "receipt/customer_display.h"
#include "receipt/dept_table.h"
#include "receipt/drawer.h"
#include "receipt/economic_activity_table.h"
#include "receipt/ej_files_request.h"
#include "receipt/ej_report.h"
#include "receipt/nf_receipt.h"
#include "receipt/payment_receipt.h"
#include "receipt/receipt_reference.h"
#include "receipt/vat_table.h"
#include "receipt/z_report.h"
#include "xml_fixture.h"

namespace dodu {
namespace {

using test::ErrorOf;
using test::LoadXml;

Amount A(const char* text) { return Amount::Parse(text); }

// A request envelope holding the given document elements.
std::string Envelope(const std::string& documents) {
  return "<ReceiptPrinterManager><Driver>DODU_PT_10</Driver><Parameters/>" + documents + "</ReceiptPrinterManager>";
}

template <typename Document>
std::string ErrorReading(const std::string& documents) {
  pugi::xml_document xml;
  LoadXml(xml, Envelope(documents));
  Document document;
  return ErrorOf([&] { document.Deserialize(xml); });
}

template <typename Document>
void Read(Document& document, const std::string& documents) {
  pugi::xml_document xml;
  LoadXml(xml, Envelope(documents));
  document.Deserialize(xml);
}

TEST(RequestDocumentsTest, MissingElementTexts) {
  // A document element is looked for directly under the envelope only.
  const std::string nested = "<Other><ReceiptReference/><NFReceipt/><Display/><Drawer/><EJReport/>"
                             "<EJRequest/><Payment/><VATTable/><DeptTable/></Other>";
  EXPECT_EQ(ErrorReading<kReceiptReference>(nested), "ReceiptReference node not found");
  EXPECT_EQ(ErrorReading<kNFReceipt>(nested), "NFReceipt node not found");
  EXPECT_EQ(ErrorReading<kCustomerDisplay>(nested), "Display node not found");
  EXPECT_EQ(ErrorReading<kDrawer>(nested), "Drawer node not found");
  EXPECT_EQ(ErrorReading<kEJReport>(nested), "EJReport node not found");
  EXPECT_EQ(ErrorReading<kEJFilesRequest>(nested), "EJRequest node not found");
  EXPECT_EQ(ErrorReading<kPaymentReceipt>(nested), "Payment node not found");
  EXPECT_EQ(ErrorReading<kVatTable>(nested), "VATTable node not found");
  EXPECT_EQ(ErrorReading<kDeptTable>(nested), "DeptTable node not found");
  EXPECT_EQ(ErrorReading<kEconomicActivityTable>(nested), "DeptTable node not found");
  EXPECT_EQ(ErrorReading<kZReport>(nested), "<no error>");
}

TEST(RequestDocumentsTest, ReceiptReference) {
  kReceiptReference reference;
  Read(reference, R"(<ReceiptReference><ReceiptType>REFUND</ReceiptType><EJNumber>1</EJNumber>
      <EJClosingNumber>2</EJClosingNumber><ReceiptDateTime>2024-03-05T14:30:00</ReceiptDateTime>
      <ReceiptNumber>FS A/3</ReceiptNumber><DeviceSerialNumber>D</DeviceSerialNumber></ReceiptReference>)");
  EXPECT_EQ(reference.fReceiptType, rt_Refund);
  EXPECT_EQ(reference.fEJNumber + reference.fEJClosingNumber + reference.fReceiptNumber + reference.fDeviceSerialNumber,
            "12FS A/3D");
  EXPECT_EQ(DateTimeToXmlText(false, reference.fReceiptDateTime), "2024-03-05T14:30:00");

  kReceiptReference empty_date;
  Read(empty_date, "<ReceiptReference><ReceiptType>Sale</ReceiptType><ReceiptDateTime/></ReceiptReference>");
  EXPECT_TRUE(empty_date.fReceiptDateTime.IsZero());

  EXPECT_EQ(ErrorReading<kReceiptReference>("<ReceiptReference><ReceiptNumber>1</ReceiptNumber></ReceiptReference>"),
            "ReceiptType  is invalid");
  EXPECT_EQ(ErrorReading<kReceiptReference>(
                "<ReceiptReference><ReceiptType>Sale</ReceiptType><ReceiptDateTime>2024-03-05</ReceiptDateTime>"
                "</ReceiptReference>"),
            "Error in processing node ReceiptDateTime as datetime.\r\nDateTime Format invalid: [2024-03-05]");
}

TEST(RequestDocumentsTest, ZReport) {
  kZReport absent;
  Read(absent, "");
  EXPECT_FALSE(absent.fPrintText);
  EXPECT_TRUE(absent.fText.empty());

  struct Case {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"one&#10;two&#10;three", {"one", "two", "three"}},
      {"one&#13;&#10;two&#13;three&#10;", {"one", "two", "three"}},
      {"a&#10;&#10;b", {"a", "", "b"}},
      {"", {}},
  };
  for (const Case& c : cases) {
    kZReport report;
    report.fText = {"previous"};
    Read(report, "<ZReport><StoreCode>S</StoreCode><TillCode>T</TillCode><PrintText>1</PrintText><Text>" + c.text +
                     "</Text></ZReport>");
    EXPECT_EQ(report.fStoreCode + report.fTillCode, "ST");
    EXPECT_TRUE(report.fPrintText);
    EXPECT_EQ(report.fText, c.lines) << c.text;
  }
}

TEST(RequestDocumentsTest, NonFiscalReceiptSections) {
  kNFReceipt receipt;
  Read(receipt, R"(<NFReceipt><StoreCode>S</StoreCode><TillCode>T</TillCode><Number>N</Number>
      <DateTime>2024-03-05T14:30:00</DateTime><CountryCode>PT</CountryCode><CompanyCode>C</CompanyCode>
      <CompanyTaxCode>5</CompanyTaxCode><OperatorCode>O</OperatorCode>
      <Header><Lines><Text><Value>Top</Value><Alignment>center</Alignment><Effects>bold,italic</Effects></Text></Lines></Header>
      <Lines><Barcode><Value>1</Value><Type>ean8</Type><QRCodeMinVersion>1</QRCodeMinVersion></Barcode><Skip/></Lines>
      <Footer><Lines><Image><Alignment>Right</Alignment><Value>logo.bmp</Value></Image>
        <Image><Alignment>left</Alignment><Value>r1</Value><Source>Resource</Source></Image></Lines></Footer>
    </NFReceipt>)");
  EXPECT_EQ(receipt.fLayout, "DocumentLayout");
  EXPECT_TRUE(receipt.fDefaultLayout);
  EXPECT_EQ(receipt.fStoreCode + receipt.fTillCode + receipt.fReceiptNumber + receipt.fCountryCode +
                receipt.fCompanyCode + receipt.fCompanyTaxCode + receipt.fOperatorCode,
            "STNPTC5O");
  EXPECT_EQ(DateTimeToXmlText(false, receipt.fReceiptDateTime), "2024-03-05T14:30:00");

  ASSERT_EQ(receipt.fHeaderLines.Count(), 1u);
  const auto& top = dynamic_cast<const kReceiptMessageTextLine&>(receipt.fHeaderLines[0]);
  EXPECT_EQ(top.fSection, rs_lead);
  EXPECT_EQ(top.fNFOwner, &receipt);
  EXPECT_EQ(top.fOwner, nullptr);
  EXPECT_EQ(top.fEffects, qvReceiptMessageLineEffectSet().set(le_bold).set(le_italic));
  ASSERT_EQ(receipt.fLines.Count(), 1u);
  const auto& barcode = dynamic_cast<const kReceiptMessageBarcodeLine&>(receipt.fLines[0]);
  EXPECT_EQ(barcode.fSection, rs_body);
  EXPECT_EQ(barcode.fBarcodeType, bt_EAN8);
  EXPECT_EQ(barcode.fQRCodeMinVersion, 1);
  ASSERT_EQ(receipt.fFooterLines.Count(), 2u);
  const auto& logo = dynamic_cast<const kReceiptMessageImageLine&>(receipt.fFooterLines[0]);
  EXPECT_EQ(logo.fSection, rs_trail);
  EXPECT_EQ(logo.fAlignment, la_right);
  EXPECT_EQ(logo.fValue, "logo.bmp");
  EXPECT_EQ(logo.fSource, is_FileSystem);
  EXPECT_EQ(dynamic_cast<const kReceiptMessageImageLine&>(receipt.fFooterLines[1]).fSource, is_Resource);

  EXPECT_EQ(ErrorReading<kNFReceipt>("<NFReceipt><Lines><Text><Value>x</Value><Alignment>left</Alignment>"
                                     "<Effects>bold;italic</Effects></Text></Lines></NFReceipt>"),
            "Effect bold;italic is invalid");
}

TEST(RequestDocumentsTest, NonFiscalTextFollowsItsReceiptsSpecialCharsSetting) {
  kNFReceipt receipt;
  Read(receipt, "<NFReceipt><Layout>Slip</Layout><Lines><Text><Value>Ç€</Value><Alignment>left</Alignment></Text>"
                "</Lines></NFReceipt>");
  EXPECT_EQ(receipt.fLayout, "Slip");
  const auto& text = dynamic_cast<const kReceiptMessageTextLine&>(receipt.fLines[0]);
  EXPECT_EQ(text.Value(), "CE");
  receipt.fSupportSpecialChars = true;
  EXPECT_EQ(text.Value(), "Ç€");
}

TEST(RequestDocumentsTest, DisplayAndDrawer) {
  kCustomerDisplay display;
  Read(display, "<Display><Clear>true</Clear><Lines><Text><Value>Hi</Value><Alignment>left</Alignment>"
                "<Size>x</Size></Text><Barcode/></Lines></Display>");
  EXPECT_TRUE(display.fClear);
  ASSERT_EQ(display.fLines.Count(), 1u);
  EXPECT_EQ(display.fLines[0].fValue, "Hi");
  EXPECT_EQ(display.fLines[0].fOwner, nullptr);
  EXPECT_EQ(display.fLines[0].fNFOwner, nullptr);
  EXPECT_EQ(ErrorReading<kCustomerDisplay>("<Display><Lines><Text><Value>x</Value></Text></Lines></Display>"),
            "Alignment  is invalid");

  kDrawer drawer;
  Read(drawer, "<Drawer><Number>2</Number></Drawer>");
  EXPECT_EQ(drawer.fNumber, 2);
  EXPECT_EQ(ErrorReading<kDrawer>("<Drawer><Number>two</Number></Drawer>"),
            "Error in processing node Number as integer.\r\n'two' is not a valid integer value");
}

TEST(RequestDocumentsTest, ElectronicJournalRequests) {
  kEJReport report;
  Read(report, "<EJReport><ReportType>CreditNote</ReportType><ReportDestination>Memory</ReportDestination>"
               "<StartDate>2024-03-01T00:00:00</StartDate><EndDate>2024-03-05 23:59:59</EndDate>"
               "<StartNumber>x</StartNumber><EndNumber>99999999999</EndNumber></EJReport>");
  EXPECT_EQ(report.fReportType, ejrt_CreditNote);
  EXPECT_EQ(report.fDestination, rd_Memory);
  EXPECT_EQ(DateTimeToXmlText(false, report.fEndDate), "2024-03-05T23:59:59");
  EXPECT_EQ(report.fStartNumber, 0);
  EXPECT_EQ(report.fEndNumber, 0);

  const std::string kinds = "<ReportType>zreport</ReportType><ReportDestination>printer</ReportDestination>";
  EXPECT_EQ(ErrorReading<kEJReport>("<EJReport>" + kinds + "<EndDate>2024-03-05T00:00:00</EndDate></EJReport>"),
            "DateTime Format invalid: []");
  EXPECT_EQ(ErrorReading<kEJReport>("<EJReport>" + kinds +
                                    "<StartDate>2024-03-01</StartDate><EndDate>2024-03-05T00:00:00</EndDate></EJReport>"),
            "DateTime Format invalid: [2024-03-01]");
  EXPECT_EQ(ErrorReading<kEJReport>("<EJReport><ReportDestination>printer</ReportDestination></EJReport>"),
            "ReportType  is invalid");

  kEJFilesRequest files;
  Read(files, "<EJRequest><RequestType>XML</RequestType><StartDate/><EndDate>2024-03-05T10:00:00</EndDate>"
              "<OutputDir>/tmp/ej</OutputDir></EJRequest>");
  EXPECT_EQ(files.fReqType, ej_xml);
  EXPECT_TRUE(files.fStartDate.IsZero());
  EXPECT_EQ(DateTimeToXmlText(false, files.fEndDate), "2024-03-05T10:00:00");
  EXPECT_EQ(files.fOutputDir, "/tmp/ej");
  EXPECT_EQ(ErrorReading<kEJFilesRequest>("<EJRequest/>"), "RequestType  is invalid");
}

TEST(RequestDocumentsTest, PaymentReceipt) {
  struct Case {
    const char* location;
    const char* error;
    QvPrintLocation expected;
  } cases[] = {
      {"", nullptr, pl_ECR},
      {"ECR", nullptr, pl_ECR},
      {"EFT", nullptr, pl_EFT},
      {"eft", "Payment Location eft invalid. Allowed values are: ECR,EFT.", pl_ECR},
      {" EFT", "Payment Location  EFT invalid. Allowed values are: ECR,EFT.", pl_ECR},
  };
  for (const Case& c : cases) {
    const std::string xml = std::string("<Payment><Copies>-3</Copies><StoreCode>S</StoreCode><TillCode>T</TillCode>"
                                        "<Reference>R</Reference><Amount>12.34</Amount><Currency>EUR</Currency>"
                                        "<ReceiptId>I</ReceiptId><PrintLocation>") +
                            c.location + "</PrintLocation></Payment>";
    if (c.error != nullptr) {
      EXPECT_EQ(ErrorReading<kPaymentReceipt>(xml), c.error);
      continue;
    }
    kPaymentReceipt payment;
    Read(payment, xml);
    EXPECT_EQ(payment.fPrintLocation, c.expected) << c.location;
    EXPECT_EQ(payment.fCopies, 0);
    EXPECT_EQ(payment.fStoreCode + payment.fTillCode + payment.fReference + payment.fCurrency + payment.fReceiptId,
              "STREURI");
    EXPECT_EQ(payment.fAmount, A("12.34"));
  }
  kPaymentReceipt copies;
  Read(copies, "<Payment><Copies>2</Copies></Payment>");
  EXPECT_EQ(copies.fCopies, 2);
}

TEST(RequestDocumentsTest, VatTable) {
  kVatTable table;
  Read(table, "<VATTable><A><Code>NOR</Code><Description>Normal</Description><Rate>23</Rate></A>"
              "<B><Code>ISE</Code><Rate>0</Rate></B><C><Code>nor</Code><Rate>6</Rate></C></VATTable>");
  ASSERT_EQ(table.Count(), 3u);
  EXPECT_EQ(table.Get("NOR")->fRate, A("23"));
  EXPECT_EQ(table.Get("nor")->fRate, A("6"));
  EXPECT_EQ(table.Get("RED"), nullptr);
  EXPECT_EQ(table.GetByIndex(0), &table[0]);  // read entries all have index 0
  EXPECT_EQ(table.GetFirstAvailableIndex(), 1);
  table[0].fIndex = 4;
  table[1].fIndex = 9;  // rate 0: not counted
  table[2].fIndex = 2;
  EXPECT_EQ(table.GetFirstAvailableIndex(), 5);
  EXPECT_EQ(table.GetByIndex(9)->fCode, "ISE");
  EXPECT_EQ(table.GetByIndex(7), nullptr);
  kVatTable empty;
  EXPECT_EQ(empty.GetFirstAvailableIndex(), 1);
  EXPECT_EQ(ErrorReading<kVatTable>("<VATTable><V><Rate>23%</Rate></V></VATTable>"),
            "Error in processing node Rate as currency.\r\n'23%' is not a valid amount");
}

TEST(RequestDocumentsTest, DepartmentsAndTheirEconomicActivities) {
  const std::string xml = R"(<DeptTable>
      <D><Code>D1</Code><Description>Food</Description><VATCode>RED</VATCode><SalesType>Product</SalesType>
         <EACode>EA1</EACode><EADescription>Retail</EADescription><EAVATMode>1</EAVATMode></D>
      <D><Code>D2</Code><SalesType>SERVICE</SalesType><EACode>EA2</EACode><EADescription>Repairs</EADescription></D>
      <D><Code>D3</Code><SalesType>other</SalesType><EACode>EA1</EACode><EADescription>Duplicate</EADescription></D>
      <D><Code>D4</Code><SalesType></SalesType></D>
      <D><Code>D5</Code><EACode>EA3</EACode><EAVATMode>true</EAVATMode></D>
    </DeptTable>)";
  kDeptTable departments;
  Read(departments, xml);
  ASSERT_EQ(departments.Count(), 5u);
  EXPECT_EQ(departments.Get("D1")->fVATCode, "RED");
  EXPECT_EQ(departments.Get("D1")->fDescription, "Food");
  EXPECT_EQ(departments.Get("D1")->fSalesType, st_Product);
  EXPECT_EQ(departments.Get("D2")->fSalesType, st_Service);
  EXPECT_EQ(departments.Get("D3")->fSalesType, st_Product);
  EXPECT_EQ(departments.Get("D4")->fSalesType, st_Product);
  EXPECT_EQ(departments.Get("D3")->fEACode, "EA1");
  EXPECT_EQ(departments.GetByIndex(0)->fCode, "D1");

  kEconomicActivityTable activities;
  Read(activities, xml);
  ASSERT_EQ(activities.Count(), 3u);
  const std::vector<std::string> codes = {"EA1", "EA2", "EA3"};
  for (size_t i = 0; i < codes.size(); ++i) {
    EXPECT_EQ(activities[i].fCode, codes[i]);
    EXPECT_EQ(activities[i].fIndex, static_cast<int32_t>(i + 1));
  }
  EXPECT_EQ(activities.Get("EA1")->fDescription, "Retail");  // the first department's
  EXPECT_TRUE(activities.Get("EA1")->fVentilazione);
  EXPECT_FALSE(activities.Get("EA3")->fVentilazione);  // only the text 1 counts
  EXPECT_EQ(activities.GetByIndex(2)->fCode, "EA2");
}

}  // namespace
}  // namespace dodu

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/conversions.h"
#include "receipt/receipt.h"
#include "xml_fixture.h"

namespace dodu {
namespace {

using test::ErrorOf;
using test::LoadXml;

Amount A(const char* text) { return Amount::Parse(text); }

constexpr const char* kFullReceipt = R"(<Receipt>
  <Layout>Invoice80</Layout>
  <BusinessDate>2024-03-05T08:15:00</BusinessDate>
  <Type>Refund</Type>
  <SubType>FS</SubType>
  <ReceiptTypeDescription>Credit note</ReceiptTypeDescription>
  <ExternalReference>EXT-1</ExternalReference>
  <StoreCode>S01</StoreCode><StoreAddress>Rua A</StoreAddress><StoreZipCode>1000-001</StoreZipCode>
  <StoreCity>Lisboa</StoreCity><TillCode>T1</TillCode>
  <Number>42</Number>
  <DateTime>2024-03-05T14:30:00</DateTime>
  <ZReportNumber>7</ZReportNumber>
  <DeviceSerialNumber>DEV1</DeviceSerialNumber>
  <InvoiceNumber>FT 1/2</InvoiceNumber>
  <InvoiceDateTime>2024-03-04T10:00:00</InvoiceDateTime>
  <TotalAmount>-12.30</TotalAmount>
  <TipAmount>0.5</TipAmount>
  <CountryCode>PT</CountryCode><FiscalAreaCode>PT</FiscalAreaCode><CompanyCode>C1</CompanyCode>
  <CompanyTaxCode>500000000</CompanyTaxCode><OperatorCode>OP</OperatorCode>
  <ReceiptBarcode>123</ReceiptBarcode><CurrencyCode>EUR</CurrencyCode>
  <CustomerCode>CU</CustomerCode><CustomerCard>CARD</CustomerCard><CustomerBusinessName>ACME</CustomerBusinessName>
  <CustomerName>Ana</CustomerName><CustomerSurname>Silva</CustomerSurname><CustomerAddress>Rua B</CustomerAddress>
  <CustomerZIPCode></CustomerZIPCode><CustomerZipCode>2000-002</CustomerZipCode>
  <CustomerCity>Porto</CustomerCity><CustomerProvince>P</CustomerProvince><CustomerCountry>PT</CustomerCountry>
  <CustomerCountryDescription>Portugal</CustomerCountryDescription>
  <CustomerTaxCode>123456789</CustomerTaxCode><CustomerFiscalCode>FC</CustomerFiscalCode>
  <CustomerIdType>Passport</CustomerIdType><CustomerIdNumber>X1</CustomerIdNumber>
  <CustomerIdCountry>PT</CustomerIdCountry>
  <CustomerEmail>ignored@example.com</CustomerEmail>
  <CustomerIdEmail>ana@example.com</CustomerIdEmail>
  <CustomerMobileNumber>911</CustomerMobileNumber>
  <CustomerDateOfBirth>1980-12-31</CustomerDateOfBirth>
  <LotteryIdCode>L</LotteryIdCode>
  <ToBeInvoiced>1</ToBeInvoiced><SendByEmail>TRUE</SendByEmail>
  <EmailReference>ER</EmailReference><EmailRecipients>a@b</EmailRecipients>
  <PrintReceipt>false</PrintReceipt><IsReprint>0</IsReprint>
  <References>
    <OriginalReceipt>
      <ReceiptDateTime>2024-03-01T09:00:00</ReceiptDateTime>
      <ReceiptNumber>FS 1/1</ReceiptNumber>
      <DeviceSerialNumber>DEV0</DeviceSerialNumber>
      <ServerSerialNumber>SRV</ServerSerialNumber>
      <EJNumber>3</EJNumber><EJClosingNumber>4</EJClosingNumber>
      <ExcludeFPCheck>true</ExcludeFPCheck>
      <ReferenceType>EFTReceipt</ReferenceType>
      <InvoiceNumber>FT 0/1</InvoiceNumber>
      <InvoiceDateTime>2024-03-01T09:05:00</InvoiceDateTime>
      <ExternalReference>not read</ExternalReference>
    </OriginalReceipt>
  </References>
  <Headers><HeaderLine>ACME SA</HeaderLine><Other>NIF 5</Other></Headers>
  <Lines>
    <ProductSale><Code>P1</Code><Description>Caf&#xE9;</Description><Quantity>2</Quantity><UOM>UN</UOM>
      <Department>D1</Department><TaxCode>NOR</TaxCode><Price>5</Price><Amount>10</Amount>
      <FreeOfCharge>false</FreeOfCharge><Attribute>Product</Attribute><VoucherCode>not read</VoucherCode></ProductSale>
    <PRODUCTRETURN><Code>P2</Code><Amount>3</Amount></PRODUCTRETURN>
    <weightedproductsale><Code>W</Code><Quantity>0.350</Quantity><Amount>2.1</Amount><Tare>0.01</Tare></weightedproductsale>
    <VoucherSale><Code>V</Code><Price>20</Price><FreeOfCharge>1</FreeOfCharge></VoucherSale>
    <GiftCardRedeem><Code>G</Code><Price>5</Price><FreeOfCharge>1</FreeOfCharge></GiftCardRedeem>
    <CollectAmount><Description>Deposit</Description><Amount>1.5</Amount></CollectAmount>
    <SubTotal><Amount>23.6</Amount></SubTotal>
    <Text><Description>Thanks</Description></Text>
    <DiscountPercentage><Percentage>10</Percentage><Amount>1</Amount><Description>Promo</Description></DiscountPercentage>
    <MarkupAmountOnSubtotal><Amount>0.25</Amount><Description>Fee</Description></MarkupAmountOnSubtotal>
  </Lines>
  <Taxes>
    <Tax><Type>VAT</Type><Code>NOR</Code><Description>Normal</Description><Rate>23</Rate>
      <TaxableAmount>10</TaxableAmount><TaxAmount>2.3</TaxAmount><TotalAmount>12.3</TotalAmount></Tax>
    <tax><Type>VAT</Type><Code>skipped</Code></tax>
    <Tax><Type>salestax</Type><Code>ALT</Code><TaxRate>6</TaxRate></Tax>
  </Taxes>
  <Payments>
    <Payment><Type>Cash</Type><Description>Notes</Description><Amount>20</Amount><Currency>EUR</Currency>
      <Quantity>1</Quantity><UnitPrice>20</UnitPrice></Payment>
    <Payment><Type>change</Type><Amount>-7.7</Amount></Payment>
    <Note>skipped</Note>
  </Payments>
  <TrailerMessages>
    <Text><Value>Obrigado</Value><Size>2</Size><Alignment>Center</Alignment></Text>
    <Barcode><Value>123456</Value><Type>qrcode</Type><QRCodeMinVersion>5</QRCodeMinVersion></Barcode>
    <Barcode><Value>1</Value><Type>EAN13</Type><HRI>false</HRI><QRCodeMinVersion>0</QRCodeMinVersion></Barcode>
    <Image><Alignment>left</Alignment><Value>logo.bmp</Value></Image>
    <Unknown/>
  </TrailerMessages>
  <LeaderLines><Barcode><Value>9</Value><Type>code39</Type></Barcode></LeaderLines>
</Receipt>)";

class ReceiptReaderTest : public ::testing::Test {
 protected:
  void Read(const std::string& xml) {
    LoadXml(document_, xml);
    receipt_.Deserialize(document_);
  }
  std::string ReadError(const std::string& xml) {
    LoadXml(document_, xml);
    return ErrorOf([&] { receipt_.Deserialize(document_); });
  }
  pugi::xml_document document_;
  kReceipt receipt_;
};

// A receipt with the three required lists and whatever header elements are given.
std::string Minimal(const std::string& header, const std::string& lists = "<Lines/><Taxes/><Payments/>") {
  return "<Receipt><Type>Sale</Type>" + header + lists + "</Receipt>";
}

TEST_F(ReceiptReaderTest, ReadsEveryHeaderField) {
  Read(kFullReceipt);
  const kReceipt& r = receipt_;
  EXPECT_EQ(r.fLayout, "Invoice80");
  EXPECT_FALSE(r.fDefaultLayout);
  EXPECT_EQ(DateTimeToXmlText(false, r.fBusinessDate), "2024-03-05T08:15:00");
  EXPECT_EQ(r.fReceiptType, rt_Refund);
  EXPECT_EQ(r.ReceiptSubtype(), "FS");
  EXPECT_EQ(r.fReceiptTypeDescription, "Credit note");
  EXPECT_EQ(r.fExternalReference, "EXT-1");
  EXPECT_EQ(r.fStoreCode + r.fStoreAddress + r.fStoreZipCode + r.fStoreCity + r.fTillCode,
            "S01Rua A1000-001LisboaT1");
  EXPECT_EQ(r.fReceiptNumber, "42");
  EXPECT_EQ(DateTimeToXmlText(false, r.fReceiptDateTime), "2024-03-05T14:30:00");
  EXPECT_EQ(r.fReceiptZReportNumber, "7");
  EXPECT_EQ(r.fDeviceSerialNumber, "DEV1");
  EXPECT_EQ(r.fInvoiceNumber, "FT 1/2");
  EXPECT_EQ(DateTimeToXmlText(false, r.fInvoiceDateTime), "2024-03-04T10:00:00");
  EXPECT_EQ(r.fTotalAmount, A("-12.3"));
  EXPECT_EQ(r.fTipAmount, A("0.5"));
  EXPECT_EQ(r.fCountryCode + r.fFiscalAreaCode + r.fCompanyCode + r.fCompanyTaxCode + r.fOperatorCode +
                r.fReceiptBarcode + r.fCurrencyCode,
            "PTPTC1500000000OP123EUR");
  EXPECT_EQ(r.fCustomerCode + r.fCustomerCard + r.fCustomerBusinessName + r.fCustomerName + r.fCustomerSurname +
                r.fCustomerAddress,
            "CUCARDACMEAnaSilvaRua B");
  EXPECT_EQ(r.fCustomerZipCode, "2000-002");  // the empty upper-case spelling gives way
  EXPECT_EQ(r.fCustomerCity + r.fCustomerProvince + r.fCustomerCountry + r.fCustomerCountryDescription +
                r.fCustomerTaxCode + r.fCustomerFiscalCode,
            "PortoPPTPortugal123456789FC");
  EXPECT_EQ(r.fCustomerIdType, cid_Passport);
  EXPECT_EQ(r.fCustomerIdNumber + r.fCustomerIdCountry, "X1PT");
  EXPECT_EQ(r.fCustomerEmail, "ana@example.com");
  EXPECT_EQ(r.fCustomerMobileNumber, "911");
  EXPECT_EQ(DateToXmlText(r.fCustomerDateOfBirth), "1980-12-31");
  EXPECT_EQ(r.fLotteryIdCode, "L");
  EXPECT_TRUE(r.fToBeInvoiced);
  EXPECT_TRUE(r.fSendByEmail);
  EXPECT_EQ(r.fEmailReference + r.fEmailRecipients, "ERa@b");
  EXPECT_FALSE(r.fPrintReceipt);
  EXPECT_FALSE(r.fIsReprint);
  EXPECT_FALSE(r.fSupportSpecialChars);

  const qvOriginalReceipt& o = r.fOriginalReceipt;
  EXPECT_EQ(DateTimeToXmlText(false, o.ReceiptDateTime), "2024-03-01T09:00:00");
  EXPECT_EQ(o.ReceiptNumber + o.DeviceSerialNumber + o.ServerSerialNumber + o.EJNumber + o.EJClosingNumber,
            "FS 1/1DEV0SRV34");
  EXPECT_TRUE(o.ExcludeFPCheck);
  EXPECT_EQ(o.ReferenceType, rrt_EFTReceipt);
  EXPECT_EQ(o.InvoiceNumber, "FT 0/1");
  EXPECT_EQ(DateTimeToXmlText(false, o.InvoiceDateTime), "2024-03-01T09:05:00");
  EXPECT_EQ(o.ExternalReference, "");
  EXPECT_EQ(r.Headers(), (std::vector<std::string>{"ACME SA", "NIF 5"}));
}

TEST_F(ReceiptReaderTest, ReadsLinesByElementNameInDocumentOrder) {
  Read(kFullReceipt);
  const kReceiptLines& lines = receipt_.fLines;
  ASSERT_EQ(lines.Count(), 10u);
  const std::vector<qvReceiptLineType> types = {
      rlt_ProductSale, rlt_ProductReturn, rlt_WeightedProductSale, rlt_VoucherSale, rlt_GiftCardRedeem,
      rlt_CollectAmount, rlt_SubTotal, rlt_Text, rlt_DiscountPercentage, rlt_MarkupAmountOnSubtotal};
  for (size_t i = 0; i < types.size(); ++i) {
    EXPECT_EQ(lines[i].fLineType, types[i]) << i;
    EXPECT_EQ(lines[i].fOwner, &receipt_);
  }
  const auto& sale = dynamic_cast<const kReceiptLineProductSale&>(lines[0]);
  EXPECT_EQ(sale.fCode + sale.fUOM + sale.fDepartment + sale.fTaxCode, "P1UND1NOR");
  EXPECT_EQ(sale.fDescription, "Caf\xC3\xA9");
  EXPECT_EQ(sale.Description(), "Caf ");
  EXPECT_EQ(sale.fQuantity, A("2"));
  EXPECT_EQ(sale.fPrice, A("5"));
  EXPECT_EQ(sale.fAmount, A("10"));
  EXPECT_EQ(sale.fAttribute, rla_Product);
  EXPECT_EQ(sale.fVoucherCode, "");
  const auto& returned = dynamic_cast<const kReceiptLineProductReturn&>(lines[1]);
  EXPECT_EQ(returned.fAttribute, rla_Service);  // no Attribute: a service
  EXPECT_EQ(returned.GetAmount(), A("-3"));
  EXPECT_EQ(dynamic_cast<const kReceiptLineWeightedProductSale&>(lines[2]).fTare, A("0.01"));
  EXPECT_TRUE(dynamic_cast<const kReceiptLineVoucherSale&>(lines[3]).fFreeOfCharge);
  EXPECT_FALSE(dynamic_cast<const kReceiptLineGiftCardRedeem&>(lines[4]).fFreeOfCharge);  // not read
  EXPECT_EQ(lines[4].GetAmount(), A("-5"));
  EXPECT_EQ(dynamic_cast<const kReceiptLineCollectAmount&>(lines[5]).fAmount, A("1.5"));
  EXPECT_EQ(dynamic_cast<const kReceiptLineSubtotal&>(lines[6]).fAmount, A("23.6"));
  EXPECT_EQ(dynamic_cast<const kReceiptLineText&>(lines[7]).fDescription, "Thanks");
  const auto& percentage = dynamic_cast<const kReceiptLineDiscountPercentage&>(lines[8]);
  EXPECT_EQ(percentage.fPercentage, A("10"));
  EXPECT_EQ(percentage.fAmount, A("1"));
  EXPECT_EQ(percentage.GetAmount(), A("-1"));
  EXPECT_NE(dynamic_cast<const kReceiptLineMarkupAmountOnSubTotal*>(&lines[9]), nullptr);
  EXPECT_EQ(lines[9].GetAmount(), A("0.25"));
}

TEST_F(ReceiptReaderTest, ReadsTaxesPaymentsAndMessages) {
  Read(kFullReceipt);
  ASSERT_EQ(receipt_.fTaxes.Count(), 2u);  // <tax> is skipped
  const kReceiptTaxLine& normal = receipt_.fTaxes[0];
  EXPECT_EQ(normal.fTaxType, tt_VAT);
  EXPECT_EQ(normal.fTaxCode + normal.fTaxDescription, "NORNormal");
  EXPECT_EQ(normal.fTaxRate, A("23"));
  EXPECT_EQ(normal.fTaxableAmount, A("10"));
  EXPECT_EQ(normal.fTaxAmount, A("2.3"));
  EXPECT_EQ(normal.fTotalAmount, A("12.3"));
  EXPECT_EQ(receipt_.fTaxes[1].fTaxType, tt_SalesTax);
  EXPECT_EQ(receipt_.fTaxes[1].fTaxRate, Amount());  // TaxRate is not Rate

  ASSERT_EQ(receipt_.fPayments.Count(), 2u);
  const kReceiptPaymentLine& cash = receipt_.fPayments[0];
  EXPECT_EQ(cash.fPaymentType, rpt_Cash);
  EXPECT_EQ(cash.fDescription + cash.fCurrency, "NotesEUR");
  EXPECT_EQ(cash.fQuantity, A("1"));
  EXPECT_EQ(cash.fUnitPrice, A("20"));
  EXPECT_EQ(receipt_.fPayments[1].fPaymentType, Rpt_Change);
  EXPECT_EQ(receipt_.fPayments.TotalAmount(), A("20"));

  const kReceiptMessageLines& trailer = receipt_.fTrailerMessages;
  ASSERT_EQ(trailer.Count(), 4u);
  const auto& text = dynamic_cast<const kReceiptMessageTextLine&>(trailer[0]);
  EXPECT_EQ(text.fValue, "Obrigado");
  EXPECT_EQ(text.fSize, 2);
  EXPECT_EQ(text.fAlignment, la_center);
  EXPECT_EQ(text.fSection, rs_lead);
  EXPECT_TRUE(text.fEffects.none());
  EXPECT_EQ(text.fOwner, &receipt_);
  const auto& qr = dynamic_cast<const kReceiptMessageBarcodeLine&>(trailer[1]);
  EXPECT_EQ(qr.fBarcodeType, bt_QRCODE);
  EXPECT_TRUE(qr.fHRI);
  EXPECT_EQ(qr.fQRCodeMinVersion, 5);
  const auto& ean = dynamic_cast<const kReceiptMessageBarcodeLine&>(trailer[2]);
  EXPECT_FALSE(ean.fHRI);
  EXPECT_EQ(ean.fQRCodeMinVersion, 1);
  const auto& image = dynamic_cast<const kReceiptMessageImageLine&>(trailer[3]);
  EXPECT_EQ(image.fAlignment, la_left);
  EXPECT_EQ(image.fValue, "");  // the receipt reads only the alignment of an image
  ASSERT_EQ(receipt_.fLeaderLines.Count(), 1u);
  EXPECT_EQ(dynamic_cast<const kReceiptMessageBarcodeLine&>(receipt_.fLeaderLines[0]).fQRCodeMinVersion, 1);
}

TEST_F(ReceiptReaderTest, HeaderDefaultsAndAlternatives) {
  Read(Minimal("<DateTime>2024-03-05T14:30:00</DateTime><Layout></Layout>"
               "<CustomerZIPCode>1111</CustomerZIPCode><CustomerZipCode>2222</CustomerZipCode>"
               "<References><Other/></References>"));
  EXPECT_EQ(receipt_.fLayout, "DocumentLayout");
  EXPECT_TRUE(receipt_.fDefaultLayout);
  EXPECT_EQ(DateTimeToXmlText(false, receipt_.fBusinessDate), "2024-03-05T14:30:00");
  EXPECT_EQ(receipt_.fCustomerZipCode, "1111");
  EXPECT_TRUE(receipt_.fPrintReceipt);
  EXPECT_FALSE(receipt_.fToBeInvoiced);
  EXPECT_EQ(receipt_.fCustomerIdType, cid_NA);
  EXPECT_TRUE(receipt_.fOriginalReceipt.ReceiptDateTime.IsZero());
  EXPECT_EQ(receipt_.fOriginalReceipt.ReferenceType, rrt_OriginalReceipt);
  EXPECT_TRUE(receipt_.fLines.empty());
  EXPECT_TRUE(receipt_.fTaxes.empty());
  EXPECT_TRUE(receipt_.fPayments.empty());
}

TEST_F(ReceiptReaderTest, FindsTheReceiptAtTheRootOrDirectlyUnderIt) {
  Read("<ReceiptPrinterManager><Driver/>" + Minimal("<Number>7</Number>") + "</ReceiptPrinterManager>");
  EXPECT_EQ(receipt_.fReceiptNumber, "7");
  kReceipt nested;
  pugi::xml_document document;
  LoadXml(document, "<A><B>" + Minimal("") + "</B></A>");
  EXPECT_EQ(ErrorOf([&] { nested.Deserialize(document); }), "Receipt node not found");
}

TEST_F(ReceiptReaderTest, FailureTexts) {
  struct Case {
    std::string xml;
    std::string error;
  };
  const std::vector<Case> cases = {
      {"<Other/>", "Receipt node not found"},
      {"<Receipt><Type>Sale</Type></Receipt>", "Unable to find Lines node "},
      {Minimal("", "<Lines/><Payments/>"), "Unable to find Taxes node "},
      {Minimal("", "<Lines/><Taxes/>"), "Unable to find Payments node "},
      {"<Receipt><Lines/><Taxes/><Payments/></Receipt>", "ReceiptType  is invalid"},
      {Minimal("<BusinessDate>2024-03-05</BusinessDate>"),
       "Error in processing node BusinessDate as datetime.\r\nDateTime Format invalid: [2024-03-05]"},
      {Minimal("<DateTime>2024-02-30T10:00:00</DateTime>"),
       "Error in processing node DateTime as datetime.\r\nDateTime Format invalid: [2024-02-30T10:00:00]"},
      {Minimal("<InvoiceDateTime/>"), "Error in processing node InvoiceDateTime as datetime.\r\nDateTime Format invalid: []"},
      {Minimal("<PrintReceipt></PrintReceipt>"),
       "Error in processing node PrintReceipt as boolean.\r\n'' is not a valid boolean value"},
      {Minimal("<CustomerDateOfBirth>1980-13-01</CustomerDateOfBirth>"),
       "Error in processing node CustomerDateOfBirth as date.\r\nDate Format invalid: [1980-13-01]"},
      {Minimal("<TotalAmount>1,5</TotalAmount>"),
       "Error in processing node TotalAmount as currency.\r\n'1,5' is not a valid amount"},
      {Minimal("", "<Lines><ProductSale/><Sale/></Lines><Taxes/><Payments/>"), "LineType sale is invalid"},
      {Minimal("", "<Lines/><Taxes><Tax/></Taxes><Payments/>"), "TaxType  is invalid"},
      {Minimal("", "<Lines/><Taxes/><Payments><Payment><Type>Bitcoin</Type></Payment></Payments>"),
       "PaymentType bitcoin is invalid"},
      {Minimal("<TrailerMessages><Text><Value>x</Value></Text></TrailerMessages>"), "Alignment  is invalid"},
      {Minimal("<LeaderLines><Image/></LeaderLines>"), "Alignment  is invalid"},
      {Minimal("<TrailerMessages><Barcode><Value>1</Value></Barcode></TrailerMessages>"), "BarcodeType  is invalid"},
      {Minimal("<CustomerIdType>DriverLicence</CustomerIdType>"), "CustomerIdType driverlicence is invalid"},
  };
  for (const Case& c : cases) {
    kReceipt receipt;
    pugi::xml_document document;
    LoadXml(document, c.xml);
    EXPECT_EQ(ErrorOf([&] { receipt.Deserialize(document); }), c.error) << c.xml;
  }
}

TEST_F(ReceiptReaderTest, WhatWasReadBeforeAFailureStaysAndTheBrokenEntryIsDropped) {
  const std::string error = ReadError(Minimal(
      "<Number>9</Number>",
      "<Lines><ProductSale><Amount>1</Amount></ProductSale>"
      "<ProductSale><Amount>2</Amount><Price>x</Price></ProductSale></Lines><Taxes/><Payments/>"));
  EXPECT_EQ(error, "Error in processing node Price as currency.\r\n'x' is not a valid amount");
  EXPECT_EQ(receipt_.fReceiptNumber, "9");
  ASSERT_EQ(receipt_.fLines.Count(), 1u);
  EXPECT_EQ(receipt_.fLines[0].GetAmount(), A("1"));
}

TEST_F(ReceiptReaderTest, BadInputFailsCleanly) {
  struct Case {
    std::string xml;
    std::string error;
  };
  std::string deep;
  for (int i = 0; i < 20000; ++i) deep += "<D>";
  for (int i = 0; i < 20000; ++i) deep += "</D>";
  const std::vector<Case> cases = {
      {Minimal("<TotalAmount>92233720368547758070</TotalAmount>"),
       "Error in processing node TotalAmount as currency.\r\n'92233720368547758070' is not a valid amount"},
      {Minimal("<TotalAmount>-922337203685477.58095</TotalAmount>"),
       "Error in processing node TotalAmount as currency.\r\n'-922337203685477.58095' is not a valid amount"},
      {Minimal("<Number>" + deep + "</Number>"),
       "Error in processing node Number as string.\r\nElement Number holds child elements, not a text"},
      {Minimal("", "<Lines>" + deep + "</Lines><Taxes/><Payments/>"), "LineType d is invalid"},
      {Minimal("<Type>\x01</Type>"), "<no error>"},  // the first Type wins
      {"<Receipt><Type>S&#x1;ale</Type><Lines/><Taxes/><Payments/></Receipt>", "ReceiptType s\x01" "ale is invalid"},
  };
  for (const Case& c : cases) {
    kReceipt receipt;
    pugi::xml_document document;
    LoadXml(document, c.xml);
    EXPECT_EQ(ErrorOf([&] { receipt.Deserialize(document); }), c.error) << c.xml.substr(0, 200);
  }
}

TEST_F(ReceiptReaderTest, ExtraDecimalsRoundOnceToFourTiesToEven) {
  Read(Minimal("<TotalAmount>10.00005</TotalAmount><TipAmount>0.00015</TipAmount>"));
  EXPECT_EQ(receipt_.fTotalAmount.ToFixed(4), "10.0000");
  EXPECT_EQ(receipt_.fTipAmount.ToFixed(4), "0.0002");
}

TEST_F(ReceiptReaderTest, ControlCharactersAreKeptButNormalizedAway) {
  Read(Minimal("", "<Lines><Text><Description>a&#9;b&#x1F;c</Description></Text></Lines><Taxes/><Payments/>"));
  const auto& text = dynamic_cast<const kReceiptLineText&>(receipt_.fLines[0]);
  EXPECT_EQ(text.fDescription, "a\tb\x1F" "c");
  EXPECT_EQ(text.Description(), "a b c");
}

}  // namespace
}  // namespace dodu

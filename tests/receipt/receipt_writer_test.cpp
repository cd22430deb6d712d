#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/conversions.h"
#include "receipt/receipt.h"
#include "receipt/receipt_util.h"
#include "xml_fixture.h"

namespace dodu {
namespace {

using test::ErrorOf;
using test::LoadXml;
using U = krptUtil;

Amount A(const char* text) { return Amount::Parse(text); }

// The names of the element children of a node, in order.
std::vector<std::string> ChildNames(const pugi::xml_node& node) {
  std::vector<std::string> names;
  for (pugi::xml_node child : node.children()) names.emplace_back(child.name());
  return names;
}

TEST(ReceiptWriterTest, EmptyModelWritesEveryElement) {
  kReceipt receipt;
  const std::string text = receipt.Serialize();
  EXPECT_EQ(text.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?>", 0), 0u) << text;
  pugi::xml_document document;
  LoadXml(document, text);
  pugi::xml_node root = document.document_element();
  ASSERT_STREQ(root.name(), "Receipt");
  const std::vector<std::string> expected = {
      "Layout", "BusinessDate", "Type", "SubType", "ReceiptTypeDescription", "ExternalReference", "StoreCode",
      "StoreAddress", "StoreZipCode", "StoreCity", "TillCode", "Number", "DateTime", "ZReportNumber",
      "DeviceSerialNumber", "InvoiceNumber", "InvoiceDateTime", "TotalAmount", "TipAmount", "CountryCode",
      "FiscalAreaCode", "CompanyCode", "CompanyTaxCode", "OperatorCode", "ReceiptBarcode", "CurrencyCode",
      "CustomerCode", "CustomerCard", "CustomerBusinessName", "CustomerName", "CustomerSurname", "CustomerAddress",
      "CustomerZIPCode", "CustomerCity", "CustomerProvince", "CustomerCountry", "CustomerCountryDescription",
      "CustomerTaxCode", "CustomerFiscalCode", "CustomerIdType", "CustomerIdNumber", "CustomerIdCountry",
      "CustomerDateOfBirth", "CustomerEmail", "CustomerMobileNumber", "LotteryIdCode", "ToBeInvoiced",
      "SendByEmail", "EmailReference", "EmailRecipients", "PrintReceipt", "IsReprint", "References", "Headers",
      "Lines", "Taxes", "Payments", "TrailerMessages", "LeaderLines"};
  EXPECT_EQ(ChildNames(root), expected);
  struct Value {
    const char* name;
    const char* text;
  } values[] = {{"Layout", ""},
                {"BusinessDate", "1899-12-30T00:00:00"},
                {"Type", "Sale"},
                {"TotalAmount", "0"},
                {"CustomerIdType", ""},
                {"CustomerDateOfBirth", "1899-12-30"},
                {"PrintReceipt", "False"},
                {"IsReprint", "False"}};
  for (const Value& v : values) EXPECT_EQ(U::GetNodeValueAsString(root, v.name), v.text) << v.name;
  pugi::xml_node original = root.child("References").child("OriginalReceipt");
  EXPECT_EQ(ChildNames(original),
            (std::vector<std::string>{"ReceiptDateTime", "ReceiptNumber", "DeviceSerialNumber", "ServerSerialNumber",
                                      "EJNumber", "EJClosingNumber", "ExcludeFPCheck", "ReferenceType",
                                      "InvoiceNumber", "InvoiceDateTime"}));
  EXPECT_EQ(U::GetNodeValueAsString(original, "ReferenceType"), "OriginalReceipt");
  EXPECT_EQ(U::GetNodeValueAsString(original, "ExcludeFPCheck"), "False");
  for (const char* list : {"Headers", "Lines", "Taxes", "Payments", "TrailerMessages", "LeaderLines"})
    EXPECT_FALSE(root.child(list).first_child()) << list;
}

TEST(ReceiptWriterTest, LinesAndValueFormats) {
  kReceipt receipt;
  receipt.fBusinessDate = EncodeDateTime({2024, 3, 5, 14, 30, 0, 0});
  receipt.fCustomerDateOfBirth = EncodeDate(1980, 12, 31);
  receipt.fTotalAmount = A("-3.25");
  receipt.fHeaders = {"ACME", "NIF 5"};
  receipt.fLines.Add(kReceiptLineProductSale::Build(&receipt, "P", "Café", A("1.5"), "UN", "D", "NOR", A("2"),
                                                    A("3"), "", ""));
  auto& weighted = receipt.fLines.Add(std::make_unique<kReceiptLineWeightedProductSale>(&receipt));
  weighted.fTare = A("0.05");
  weighted.fAttribute = rla_Service;
  receipt.fLines.Add(kReceiptLineDiscountAmount::Build(&receipt, "Promo", A("2.50"), "", "", ""));
  receipt.fLines.Add(std::make_unique<kReceiptLineVoucherRedeem>(&receipt));
  receipt.fLines.Add(kReceiptLineGiftCardRedeem::Build(&receipt, "G", "", "", "", A("5"), "", ""));
  receipt.fLines.Add(std::make_unique<kReceiptLineMarkupPercentageOnSubTotal>(&receipt));
  receipt.fLines.Add(std::make_unique<kReceiptLineCollectAmount>(&receipt));

  pugi::xml_document document;
  LoadXml(document, receipt.Serialize());
  pugi::xml_node root = document.document_element();
  EXPECT_EQ(U::GetNodeValueAsString(root, "BusinessDate"), "2024-03-05T14:30:00");
  EXPECT_EQ(U::GetNodeValueAsString(root, "CustomerDateOfBirth"), "1980-12-31");
  EXPECT_EQ(U::GetNodeValueAsString(root, "TotalAmount"), "-3.25");
  EXPECT_EQ(ChildNames(root.child("Headers")), (std::vector<std::string>{"HeaderLine", "HeaderLine"}));
  EXPECT_EQ(ChildNames(root.child("Lines")),
            (std::vector<std::string>{"productsale", "weightedproductsale", "discountamount", "voucherredeem",
                                      "giftcardredeem", "markuppercentageonsubtotal", "collectamount"}));
  pugi::xml_node sale = root.child("Lines").first_child();
  EXPECT_EQ(ChildNames(sale), (std::vector<std::string>{"Code", "Description", "Quantity", "UOM", "Department",
                                                        "TaxCode", "Price", "Amount", "FreeOfCharge", "Attribute"}));
  EXPECT_EQ(U::GetNodeValueAsString(sale, "Description"), "Café");  // stored text, not normalized
  EXPECT_EQ(U::GetNodeValueAsString(sale, "Quantity"), "1.5");
  EXPECT_EQ(U::GetNodeValueAsString(sale, "Price"), "2");
  EXPECT_EQ(U::GetNodeValueAsString(sale, "Amount"), "3");
  EXPECT_EQ(U::GetNodeValueAsString(sale, "Attribute"), "0");
  pugi::xml_node weighted_node = sale.next_sibling();
  EXPECT_EQ(ChildNames(weighted_node)[8], "Tare");
  EXPECT_EQ(U::GetNodeValueAsString(weighted_node, "Tare"), "0.05");
  EXPECT_EQ(U::GetNodeValueAsString(weighted_node, "Attribute"), "1");
  pugi::xml_node discount = weighted_node.next_sibling();
  EXPECT_EQ(ChildNames(discount), (std::vector<std::string>{"Amount", "Description"}));
  EXPECT_EQ(U::GetNodeValueAsString(discount, "Amount"), "2.5");
  pugi::xml_node voucher = discount.next_sibling();
  EXPECT_EQ(ChildNames(voucher), (std::vector<std::string>{"Code", "Description", "Department", "TaxCode", "Price"}));
  pugi::xml_node gift = voucher.next_sibling();
  EXPECT_EQ(ChildNames(gift),
            (std::vector<std::string>{"Code", "Description", "Department", "TaxCode", "Price", "FreeOfCharge"}));
  EXPECT_EQ(ChildNames(gift.next_sibling()), (std::vector<std::string>{"Percentage", "Amount", "Description"}));
  EXPECT_EQ(ChildNames(gift.next_sibling().next_sibling()),
            (std::vector<std::string>{"Description", "Department", "TaxCode", "Amount"}));
}

TEST(ReceiptWriterTest, ALineWhoseTypeDoesNotMatchItsClassIsRefused) {
  kReceipt receipt;
  receipt.fLines.Add(std::make_unique<kReceiptLineText>(&receipt)).SetLineType(rlt_ProductSale);
  EXPECT_EQ(ErrorOf([&] { receipt.Serialize(); }), "Line 1: line type productsale does not match the line's kind");
}

// Reading the written text back gives the same model except where writer and reader differ on
// purpose: e-mail, tax rate, attribute, default layout, la_none alignment, gift-card redemption.
TEST(ReceiptWriterTest, RoundTripKeepsTheModelExceptTheKnownDifferences) {
  pugi::xml_document request;
  LoadXml(request, R"(<Receipt>
    <BusinessDate>2024-03-05T14:30:00</BusinessDate><Type>InvoiceSale</Type><Number>1</Number>
    <CustomerIdEmail>ana@example.com</CustomerIdEmail><CustomerIdType>NationalId</CustomerIdType>
    <CustomerZipCode>1000</CustomerZipCode><TotalAmount>12.3</TotalAmount><PrintReceipt>true</PrintReceipt>
    <References><OriginalReceipt><ReferenceType>Empties</ReferenceType><EJNumber>5</EJNumber></OriginalReceipt></References>
    <Headers><H>one</H></Headers>
    <Lines>
      <productsale><Description>Caf&#xE9;</Description><Quantity>1</Quantity><Amount>10</Amount>
        <Attribute>product</Attribute></productsale>
      <giftcardredeem><Price>2</Price></giftcardredeem>
      <discountamountonsubtotal><Amount>0.5</Amount></discountamountonsubtotal>
    </Lines>
    <Taxes><Tax><Type>VAT</Type><Code>NOR</Code><Rate>23</Rate><TaxAmount>2.3</TaxAmount></Tax></Taxes>
    <Payments><Payment><Type>DebitCard</Type><Amount>12.3</Amount></Payment></Payments>
    <TrailerMessages><Text><Value>T</Value><Alignment>right</Alignment><Size>3</Size></Text></TrailerMessages>
    <LeaderLines><Barcode><Value>B</Value><Type>upca</Type><HRI>false</HRI></Barcode></LeaderLines>
  </Receipt>)");
  kReceipt first;
  first.Deserialize(request);
  ASSERT_TRUE(first.fDefaultLayout);
  // Free of charge is written for a gift-card redemption but never read back.
  dynamic_cast<kReceiptLineGiftCardRedeem&>(first.fLines[1]).fFreeOfCharge = true;

  pugi::xml_document written;
  LoadXml(written, first.Serialize());
  kReceipt second;
  second.Deserialize(written);

  EXPECT_EQ(second.fLayout, "DocumentLayout");
  EXPECT_FALSE(second.fDefaultLayout);  // the defaulted name reads as a chosen one
  EXPECT_EQ(second.fCustomerEmail, "");
  EXPECT_EQ(second.fTaxes[0].fTaxRate, Amount());
  EXPECT_EQ(dynamic_cast<const kReceiptLineProductSale&>(second.fLines[0]).fAttribute, rla_Service);
  EXPECT_FALSE(dynamic_cast<const kReceiptLineGiftCardRedeem&>(second.fLines[1]).fFreeOfCharge);

  // Everything else survives.
  EXPECT_EQ(second.fBusinessDate, first.fBusinessDate);
  EXPECT_EQ(second.fReceiptType, rt_InvoiceSale);
  EXPECT_EQ(second.fCustomerIdType, cid_NationalId);
  EXPECT_EQ(second.fCustomerZipCode, "1000");
  EXPECT_EQ(second.fTotalAmount, A("12.3"));
  EXPECT_TRUE(second.fPrintReceipt);
  EXPECT_EQ(second.fOriginalReceipt.ReferenceType, rrt_Empties);
  EXPECT_EQ(second.fOriginalReceipt.EJNumber, "5");
  EXPECT_EQ(second.Headers(), std::vector<std::string>{"one"});
  ASSERT_EQ(second.fLines.Count(), 3u);
  EXPECT_EQ(dynamic_cast<const kReceiptLineProductSale&>(second.fLines[0]).fDescription, "Caf\xC3\xA9");
  EXPECT_EQ(second.GetCalculatedAmount(), A("7.5"));  // 10 - 2 - 0.5: the redemption counts again
  EXPECT_EQ(second.fLines[2].fLineType, rlt_DiscountAmountOnSubtotal);
  EXPECT_EQ(second.fTaxes[0].fTaxAmount, A("2.3"));
  EXPECT_EQ(second.fPayments[0].fPaymentType, rpt_DebitCard);
  const auto& text = dynamic_cast<const kReceiptMessageTextLine&>(second.fTrailerMessages[0]);
  EXPECT_EQ(text.fAlignment, la_right);
  EXPECT_EQ(text.fSize, 3);
  const auto& barcode = dynamic_cast<const kReceiptMessageBarcodeLine&>(second.fLeaderLines[0]);
  EXPECT_EQ(barcode.fBarcodeType, bt_UPCA);
  EXPECT_FALSE(barcode.fHRI);
  EXPECT_EQ(barcode.fQRCodeMinVersion, 1);
}

TEST(ReceiptWriterTest, AnUnalignedMessageIsWrittenButCannotBeReadBack) {
  kReceipt receipt;
  receipt.fTrailerMessages.Add(std::make_unique<kReceiptMessageImageLine>(&receipt));
  pugi::xml_document written;
  LoadXml(written, receipt.Serialize());
  EXPECT_EQ(U::GetNodeValueAsString(written.document_element().child("TrailerMessages").child("Image"), "Alignment"),
            "");
  kReceipt again;
  EXPECT_EQ(ErrorOf([&] { again.Deserialize(written); }), "Alignment  is invalid");
}

TEST(ReceiptWriterTest, ControlCharactersSurviveTheRoundTrip) {
  kReceipt receipt;
  receipt.fReceiptNumber = "a\x01<&>\"b";
  pugi::xml_document written;
  LoadXml(written, receipt.Serialize());
  EXPECT_EQ(U::GetNodeValueAsString(written.document_element(), "Number"), "a\x01<&>\"b");
}

}  // namespace
}  // namespace dodu

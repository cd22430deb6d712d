#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "base/error.h"
#include "pt/fiscal_annotations.h"

namespace dodu {
namespace {

// The document of the QR code example: one 23 % tax line of taxable 10.00 and tax 2.30, customer
// PT123456789 from PT, invoice FR FR2024A/0000042 dated 2024-02-09.
QRCodeValues ExampleDocument() {
  QRCodeValues v;
  v.companyTaxCode = "500100200";
  v.customerTaxCode = "PT123456789";
  v.customerCountry = "PT";
  v.receiptType = rt_Sale;
  v.businessDate = EncodeDate(2024, 2, 9);
  v.invoiceNumber = "FR FR2024A/0000042";
  v.atcud = "AAJFJ2K6-0000042";
  v.taxable23 = Amount::Parse("10");
  v.tax23 = Amount::Parse("2.3");
  v.taxTotal = Amount::Parse("2.3");
  v.totalAmount = Amount::Parse("12.3");
  v.shortHash = "AKUe";
  return v;
}

TEST(QRCode, ExampleDocument) {
  EXPECT_EQ(BuildQRCodeText(ExampleDocument()),
            "A:500100200*B:123456789*C:PT*D:FR*E:N*F:20240209*G:FR FR2024A/0000042*H:AAJFJ2K6-0000042*I1:PT*"
            "I7:10.00*I8:2.30*N:2.30*O:12.30*Q:AKUe*R:7731");
}

TEST(QRCode, EveryRateInOrderAndASaleKeepsItsSigns) {
  QRCodeValues v = ExampleDocument();
  v.taxable0 = Amount::Parse("1");
  v.taxable6 = Amount::Parse("-2.005");
  v.tax6 = Amount::Parse("0.12");
  v.taxable13 = Amount::Parse("3");
  v.tax13 = Amount::Parse("0.39");
  v.taxTotal = Amount::Parse("0.514");
  v.totalAmount = Amount::Parse("-5");
  EXPECT_EQ(BuildQRCodeText(v),
            "A:500100200*B:123456789*C:PT*D:FR*E:N*F:20240209*G:FR FR2024A/0000042*H:AAJFJ2K6-0000042*I1:PT*"
            "I2:1.00*I3:-2.01*I4:0.12*I5:3.00*I6:0.39*I7:10.00*I8:2.30*N:0.51*O:-5.00*Q:AKUe*R:7731");
  v.receiptType = rt_Void;
  EXPECT_NE(BuildQRCodeText(v).find("*D:NC*E:A*"), std::string::npos);
  v.receiptType = rt_InvoiceSaleFromReceipt;
  EXPECT_NE(BuildQRCodeText(v).find("*D:FR*E:N*"), std::string::npos);
}

// A sale of -5.00 becomes credit note NC 1 of 5.00: its QR code says 5.00 like the paper.
TEST(QRCode, CreditNoteAmountsArePositiveAsPrinted) {
  QRCodeValues v = ExampleDocument();
  v.customerTaxCode = "999999990";
  v.customerCountry = "Desconhecido";
  v.receiptType = rt_Refund;
  v.invoiceNumber = "NC NC2024A/1";
  v.atcud = "BBJFJ2K6-1";
  v.taxable23 = Amount::Parse("-4.07");
  v.tax23 = Amount::Parse("-0.93");
  v.taxTotal = Amount::Parse("-0.93");
  v.totalAmount = Amount::Parse("-5");
  EXPECT_EQ(BuildQRCodeText(v),
            "A:500100200*B:999999990*C:Desconhecido*D:NC*E:N*F:20240209*G:NC NC2024A/1*H:BBJFJ2K6-1*I1:PT*"
            "I7:4.07*I8:0.93*N:0.93*O:5.00*Q:AKUe*R:7731");
  v.taxable23 = Amount::Parse("4.07");
  v.tax23 = Amount::Parse("0.93");
  v.taxTotal = Amount::Parse("0.93");
  v.totalAmount = Amount::Parse("5");
  EXPECT_NE(BuildQRCodeText(v).find("*I7:4.07*I8:0.93*N:0.93*O:5.00*"), std::string::npos);
}

TEST(QRCode, TaxCodesLoseATwoLetterCountryPrefix) {
  const std::pair<const char*, const char*> cases[] = {
      {"999999990", "999999990"}, {"ES12345678Z", "12345678Z"}, {"A1234567", "A1234567"},
      {"1A234567", "1A234567"},   {"PT", ""},                   {"", ""},
      {"PT500100200", "500100200"},
  };
  QRCodeValues v = ExampleDocument();
  for (const auto& [tax_code, expected] : cases) {
    v.customerTaxCode = tax_code;
    v.companyTaxCode = tax_code;
    const std::string text = BuildQRCodeText(v);
    EXPECT_EQ(text.rfind("A:" + std::string(expected) + "*B:" + expected + "*C:", 0), 0u) << tax_code << ": " << text;
  }
}

TEST(QRCode, CustomerCountryIsNeverEmptyAndInUpperCase) {
  struct Case {
    const char* country;
    const char* tax_code;
    const char* field;
  } cases[] = {
      {"", "123456789", "C:PT*"},                  // a Portuguese number
      {"", "ESB12345678", "C:ES*"},                // the tax code's prefix
      {"", "esB12345678", "C:ES*"},
      {"", "B12345678", "C:Desconhecido*"},        // a foreign number without prefix
      {"", "12345678", "C:Desconhecido*"},         // eight digits: not a Portuguese number
      {"", "1234567890", "C:Desconhecido*"},
      {"es", "B12345678", "C:ES*"},                // the request's country, in upper case
      {"es", "123456789", "C:ES*"},
      {"FR", "ESB12345678", "C:FR*"},
      {"Desconhecido", "999999990", "C:Desconhecido*"},  // the final consumer's text as it stands
      {"DESCONHECIDO", "999999990", "C:Desconhecido*"},
  };
  QRCodeValues v = ExampleDocument();
  for (const Case& c : cases) {
    v.customerCountry = c.country;
    v.customerTaxCode = c.tax_code;
    EXPECT_NE(BuildQRCodeText(v).find(std::string("*") + c.field + "D:"), std::string::npos)
        << c.country << "/" << c.tax_code << ": " << BuildQRCodeText(v);
  }
}

const std::string kCertification = "AKUe-Processado por programa certificado n.\u00b0 7731/AT";

TEST(Trailer, SixLinesForAnOrdinaryDocument) {
  const std::vector<std::string> expected = {"", kCertification, "Tillora KRV - Corvane srl", "",
                                             "ATCUD:AAJFJ2K6-0000042", ""};
  EXPECT_EQ(BuildTrailerLines({}, "FR", "", "", "AKUe", "AAJFJ2K6-0000042"), expected);
}

TEST(Trailer, ExemptionsAndThePaperDocumentComeBeforeTheCertification) {
  const std::vector<std::string> expected = {"",
                                             "M07 = Isento artigo 9.\u00ba",
                                             "",
                                             "M40 = Autoliquida\u00e7\u00e3o",
                                             "",
                                             "C\u00f3pia do documento original - NCD 77/2024",
                                             "",
                                             kCertification,
                                             "Tillora KRV - Corvane srl",
                                             "",
                                             "ATCUD:X-0000001",
                                             ""};
  EXPECT_EQ(BuildTrailerLines({{"M07", "Isento artigo 9.\u00ba"}, {"M40", "Autoliquida\u00e7\u00e3o"}}, "NC", "D",
                              "77/2024", "AKUe", "X-0000001"),
            expected);
}

class ReceiptElement : public ::testing::Test {
 protected:
  pugi::xml_node Load(const char* xml) {
    EXPECT_TRUE(document.load_string(xml));
    return document.document_element();
  }
  std::vector<std::string> Children(pugi::xml_node parent, const char* value_child = nullptr) {
    std::vector<std::string> items;
    for (pugi::xml_node child : parent.children()) {
      items.push_back(std::string(child.name()) + ":" +
                      (value_child != nullptr ? child.child_value(value_child) : child.child_value()));
    }
    return items;
  }
  pugi::xml_document document;
};

TEST_F(ReceiptElement, TrailerGoesBeforeTheMessagesTheRequestCarried) {
  pugi::xml_node receipt = Load(
      "<Receipt><TrailerMessages><Text><Value>Obrigado</Value></Text><Image><Value>logo</Value></Image>"
      "</TrailerMessages></Receipt>");
  InsertTrailer(receipt, {"", "one", "two"}, "A:1*R:7731");
  const std::vector<std::string> expected = {"Text:",          "Text:one", "Text:two",    "Barcode:A:1*R:7731",
                                             "Text:",          "Text:Obrigado", "Image:logo"};
  EXPECT_EQ(Children(receipt.child("TrailerMessages"), "Value"), expected);
  pugi::xml_node line = receipt.child("TrailerMessages").first_child().next_sibling();
  EXPECT_EQ(Children(line), (std::vector<std::string>{"Alignment:Center", "Value:one", "Size:1"}));
  pugi::xml_node barcode = receipt.child("TrailerMessages").child("Barcode");
  EXPECT_EQ(Children(barcode), (std::vector<std::string>{"Type:qrcode", "HRI:false", "Alignment:Center",
                                                         "QRCodeMinVersion:9", "Value:A:1*R:7731"}));
  EXPECT_STREQ(barcode.child("Value").attribute("SAFTQRCODE").value(), "True");
  EXPECT_TRUE(receipt.child("LeaderLines"));
}

TEST_F(ReceiptElement, TrailerMessagesAndLeaderLinesAreAddedWhenMissingOnly) {
  pugi::xml_node receipt = Load("<Receipt><LeaderLines><Text><Value>L</Value></Text></LeaderLines></Receipt>");
  InsertTrailer(receipt, {""}, "Q");
  EXPECT_EQ(Children(receipt.child("TrailerMessages"), "Value"),
            (std::vector<std::string>{"Text:", "Barcode:Q", "Text:"}));
  EXPECT_EQ(Children(receipt, "Value"),
            (std::vector<std::string>{"LeaderLines:", "TrailerMessages:"}));
  EXPECT_EQ(Children(receipt.child("LeaderLines"), "Value"), (std::vector<std::string>{"Text:L"}));
}

TEST_F(ReceiptElement, FourDigitNumericTaxCodesAreShortened) {
  pugi::xml_node receipt = Load(
      "<Receipt><Lines><productsale><TaxCode>2300</TaxCode></productsale><productsale><TaxCode>23</TaxCode>"
      "</productsale><productsale><TaxCode>NOR</TaxCode></productsale><productsale><TaxCode>0600</TaxCode>"
      "</productsale><productsale><TaxCode>23000</TaxCode></productsale><text/></Lines>"
      "<Taxes><Tax><Code>1300</Code></Tax><Tax><Code>ISE1</Code></Tax></Taxes></Receipt>");
  ShortenTaxCodes(receipt);
  EXPECT_EQ(Children(receipt.child("Lines"), "TaxCode"),
            (std::vector<std::string>{"productsale:23", "productsale:23", "productsale:NOR", "productsale:06",
                                      "productsale:23000", "text:"}));
  EXPECT_EQ(Children(receipt.child("Taxes"), "Code"), (std::vector<std::string>{"Tax:13", "Tax:ISE1"}));
}

TEST_F(ReceiptElement, OnlyAClosingSubtotalIsRemoved) {
  const std::pair<const char*, const char*> cases[] = {
      {"<productsale/><SubTotal/>", "productsale"},
      {"<productsale/><subtotal/><!-- end -->", "productsale"},
      {"<subtotal/><productsale/>", "subtotal productsale"},
      {"<productsale/><subtotalx/>", "productsale subtotalx"},
      {"", ""},
  };
  for (const auto& [lines, remaining] : cases) {
    pugi::xml_node receipt = Load((std::string("<Receipt><Lines>") + lines + "</Lines></Receipt>").c_str());
    RemoveClosingSubtotal(receipt);
    std::string names;
    for (pugi::xml_node line = receipt.child("Lines").first_child(); line; line = line.next_sibling())
      if (line.type() == pugi::node_element) names += (names.empty() ? "" : " ") + std::string(line.name());
    EXPECT_EQ(names, remaining) << lines;
  }
}

TEST_F(ReceiptElement, HeaderAndStoreAddressReplaceWhatTheRequestHad) {
  pugi::xml_node receipt =
      Load("<Receipt><Headers><HeaderLine>old</HeaderLine><Other/></Headers><StoreCity>Porto</StoreCity></Receipt>");
  HeaderValues v;
  v.branchName = "Loja";
  v.branchAddressDetail = "Rua 1";
  v.branchCity = "Lisboa";
  v.branchPostalCode = "1100-060";
  v.companyBusinessName = "Corvane";
  v.companyAddressDetail = "Rua 2";
  v.companyCity = "Lisboa";
  v.companyPostalCode = "1100-053";
  v.companyVatId = "500100200";
  WriteHeaderAndStoreAddress(receipt, v);
  EXPECT_EQ(Children(receipt.child("Headers")),
            (std::vector<std::string>{"HeaderLine:Loja", "HeaderLine:Corvane", "HeaderLine:Rua 2",
                                      "HeaderLine:1100-053 Lisboa", "HeaderLine:NIPC: 500100200"}));
  EXPECT_EQ(Children(receipt), (std::vector<std::string>{"Headers:", "StoreCity:Lisboa", "StoreAddress:Rua 1",
                                                         "StoreZipCode:1100-060"}));
}

TEST_F(ReceiptElement, SetChildValue) {
  pugi::xml_node receipt = Load("<Receipt><Number>1</Number><Number>2</Number></Receipt>");
  SetChildValue(receipt, "Number", "7", true);
  SetChildValue(receipt, "DateTime", "x", false);
  SetChildValue(receipt, "Type", "Refund", true);
  EXPECT_EQ(Children(receipt), (std::vector<std::string>{"Number:7", "Number:2", "Type:Refund"}));
}

TEST_F(ReceiptElement, InvertChildAmount) {
  const std::pair<const char*, const char*> cases[] = {
      {"12.30", "-12.3"}, {"-5", "5"}, {"0", "0"}, {"0.0001", "-0.0001"}, {"1.23456", "-1.2346"},
  };
  for (const auto& [text, inverted] : cases) {
    pugi::xml_node line = Load((std::string("<L><Amount>") + text + "</Amount></L>").c_str());
    InvertChildAmount(line, "Amount");
    EXPECT_STREQ(line.child_value("Amount"), inverted) << text;
  }
  pugi::xml_node line = Load("<L><Amount>1,5</Amount></L>");
  EXPECT_THROW(InvertChildAmount(line, "Amount"), Error);
  InvertChildAmount(line, "Price");
  EXPECT_FALSE(line.child("Price"));
}

}  // namespace
}  // namespace dodu

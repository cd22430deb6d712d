// Sales and credit notes through PROCESSRECEIPT on an embedded store: numbering, signing,
// storing, counting and the texts written into the answer.
#include <gtest/gtest.h>

#include <regex>

#include "base/conversions.h"
#include "pt/crypto_service.h"
#include "support/receipt_till.h"

namespace dodu::testing {
namespace {

// The field of a signed text (from 1).
std::string SignedField(const std::string& signed_text, int number) { return GetField(signed_text, number, ';'); }

TEST(ReceiptSale, FirstSaleIsNumberedOneAndTheNextChainsToIt) {
  ReceiptTill till;
  ExportResult first = till.Process(ReceiptRequest{});
  ASSERT_EQ(first.code, 0) << first.error;
  Answer answer(first.output);
  EXPECT_EQ(answer.Value("Number"), "1");
  EXPECT_EQ(answer.Value("InvoiceNumber"), "FR FR2024S01/0000001");
  EXPECT_EQ(answer.Value("DateTime"), "2024-02-09T10:00:00");
  EXPECT_EQ(answer.Value("InvoiceDateTime"), "2024-02-09T10:00:00");
  EXPECT_EQ(answer.Value("ZReportNumber"), "1");
  EXPECT_EQ(answer.Value("DeviceSerialNumber"), "C1-S01");
  EXPECT_EQ(answer.Value("ReceiptTypeDescription"), "Fatura/Recibo");
  const std::vector<std::string> trailer = answer.Trailer();
  ASSERT_GE(trailer.size(), 5u);
  EXPECT_EQ(trailer[4], "Text:ATCUD:AAJFJ2K6-0000001");

  std::vector<Row> rows = till.Receipts();
  ASSERT_EQ(rows.size(), 1u);
  const Row& row = rows[0];
  const std::string& signed_text = row.at("HashedString");
  EXPECT_TRUE(std::regex_match(signed_text, std::regex(R"(2024-02-09;\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d;)"
                                                       R"(FR FR2024S01/0000001;12\.30;)")))
      << signed_text;
  const std::map<std::string, std::string> expected = {
      {"Serie", "FR2024S01"},
      {"StoreCode", "S01"},
      {"TillCode", "01"},
      {"Number", "1"},
      {"ZReportNumber", "1"},
      {"DeviceSerial", "C1-S01"},
      {"ReceiptNumber", "FR FR2024S01/0000001"},
      {"ReceiptDatetime", "2024-02-09T10:00:00.000"},
      {"Totalamount", "12.3"},
      {"SystemEntryDateTime", SignedField(signed_text, 2)},
      {"Status", "N"},
      {"DocumentType", "FR"},
      {"ReceiptOperator", "OP1"},
      {"PreviousHash", ""},
      {"LastReceiptStatusOperator", "OP1"},
      {"LastStatusDateTime", SignedField(signed_text, 2)},
      {"SourceBilling", ""},
      {"ManualDocumentNumber", ""},
      {"FiscalId", "AAJFJ2K6-0000001"},
      {"Receipt", first.output},
  };
  for (const auto& [column, value] : expected) EXPECT_EQ(row.at(column), value) << column;
  EXPECT_EQ(row.at("Hash").size(), 172u);
  EXPECT_NE(answer.QRCode().find("*Q:" + ShortHashOf(row.at("Hash")) + "*R:7731"), std::string::npos);

  Row series = till.Series(kInvoiceSeries);
  EXPECT_EQ(series.at("Serie_LastNumber"), "1");
  EXPECT_EQ(series.at("Serie_LastHash"), row.at("Hash"));
  EXPECT_EQ(series.at("Serie_LastDate"), "2024-02-09T10:00:00.000");
  EXPECT_EQ(till.CheckText(kInvoiceSeries), "1");
  EXPECT_EQ(till.Counter("CurrentReceiptNo"), "1");
  EXPECT_EQ(till.Counter("DailySales"), "12.3");

  ReceiptRequest second;
  second.dateTime = "2024-02-09T10:05:00";
  second.totalAmount = "7.5";
  ExportResult next = till.Process(second);
  ASSERT_EQ(next.code, 0) << next.error;
  EXPECT_EQ(Answer(next.output).Value("InvoiceNumber"), "FR FR2024S01/0000002");
  rows = till.Receipts();
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].at("PreviousHash"), rows[0].at("Hash"));
  const std::string& chained = rows[1].at("HashedString");
  EXPECT_EQ(SignedField(chained, 1), "2024-02-09");
  EXPECT_EQ(SignedField(chained, 2), rows[1].at("SystemEntryDateTime"));
  EXPECT_EQ(SignedField(chained, 3), "FR FR2024S01/0000002");
  EXPECT_EQ(SignedField(chained, 4), "7.50");
  EXPECT_EQ(SignedField(chained, 5), rows[0].at("Hash"));
  EXPECT_EQ(till.Series(kInvoiceSeries).at("Serie_LastHash"), rows[1].at("Hash"));
  EXPECT_EQ(till.CheckText(kInvoiceSeries), "2");
  EXPECT_EQ(till.Counter("CurrentReceiptNo"), "2");
  EXPECT_EQ(till.Counter("DailySales"), "19.8");
  ExpectVerifiedChains(rows, till.Store().Root() / "openssl");

  const std::string log = till.Log("PROCESSRECEIPT:Updated Receipt:");
  EXPECT_NE(log.find(" - PROCESSRECEIPT:BEGIN\r\n"), std::string::npos);
  EXPECT_NE(log.find(" - PROCESSRECEIPT:END\r\n"), std::string::npos);
}

TEST(ReceiptSale, SeriesInterleavedInTimeEachChainToTheirOwnPreviousDocument) {
  ReceiptTill till;
  ReceiptRequest credit;
  credit.totalAmount = "-1.00";
  for (int i = 0; i < 3; ++i) {
    ASSERT_EQ(till.Process(ReceiptRequest{}).code, 0);
    ExportResult result = till.Process(credit);
    ASSERT_EQ(result.code, 0) << result.error;
  }
  const std::vector<Row> rows = till.Receipts();
  ASSERT_EQ(rows.size(), 6u);
  ExpectVerifiedChains(rows, till.Store().Root() / "openssl");
  EXPECT_EQ(till.CheckText(kInvoiceSeries), "3");
  EXPECT_EQ(till.CheckText(kCreditNoteSeries), "3");
}

TEST(ReceiptSale, NegativeTotalTurnsASaleIntoACreditNote) {
  ReceiptTill till;
  ReceiptRequest sale;
  sale.totalAmount = "-5.00";
  sale.lines =
      "<productsale><Description>Cafe</Description><Quantity>-1</Quantity><Price>5.00</Price>"
      "<Amount>-5.00</Amount><TaxCode>2300</TaxCode></productsale>"
      "<ProductReturn><Description>Copo</Description><Quantity>2</Quantity><Price>1.5</Price>"
      "<Amount>-3</Amount></ProductReturn>";
  sale.taxes =
      "<Tax><Type>VAT</Type><Code>2300</Code><Rate>23</Rate><TaxableAmount>-4.07</TaxableAmount>"
      "<TaxAmount>-0.93</TaxAmount><TotalAmount>-5.00</TotalAmount></Tax>";
  ExportResult result = till.Process(sale);
  ASSERT_EQ(result.code, 0) << result.error;
  Answer answer(result.output);
  EXPECT_EQ(answer.Value("Type"), "Refund");
  EXPECT_EQ(answer.Value("TotalAmount"), "5");
  EXPECT_EQ(answer.Value("ReceiptTypeDescription"), "Nota de Cr\u00e9dito");
  EXPECT_EQ(answer.Value("InvoiceNumber"), "NC NC2024S01/0000001");
  pugi::xml_node product = answer.Receipt().child("Lines").child("productsale");
  EXPECT_STREQ(product.child_value("Quantity"), "1");
  EXPECT_STREQ(product.child_value("Price"), "-5");
  EXPECT_STREQ(product.child_value("Amount"), "5");
  pugi::xml_node returned = answer.Receipt().child("Lines").child("ProductReturn");
  EXPECT_STREQ(returned.child_value("Quantity"), "2");
  EXPECT_STREQ(returned.child_value("Price"), "1.5");
  EXPECT_STREQ(returned.child_value("Amount"), "3");
  pugi::xml_node tax = answer.Receipt().child("Taxes").child("Tax");
  EXPECT_STREQ(tax.child_value("TaxableAmount"), "4.07");
  EXPECT_STREQ(tax.child_value("TaxAmount"), "0.93");
  EXPECT_STREQ(tax.child_value("TotalAmount"), "5");

  const std::vector<Row> rows = till.Receipts();
  ASSERT_EQ(rows.size(), 1u);
  // The QR code says what the paper says: a credit note of 5.00, issued by the company's
  // nine-digit number (the request gives it as PT500100200).
  EXPECT_EQ(answer.QRCode(),
            "A:500100200*B:999999990*C:Desconhecido*D:NC*E:N*F:20240209*G:NC NC2024S01/0000001*"
            "H:BBKGK3L7-0000001*I1:PT*I7:4.07*I8:0.93*N:0.93*O:5.00*Q:" +
                ShortHashOf(rows[0].at("Hash")) + "*R:7731");
  EXPECT_EQ(rows[0].at("Serie"), "NC2024S01");
  EXPECT_EQ(rows[0].at("DocumentType"), "NC");
  EXPECT_EQ(rows[0].at("Totalamount"), "5");
  EXPECT_EQ(SignedField(rows[0].at("HashedString"), 3), "NC NC2024S01/0000001");
  EXPECT_EQ(SignedField(rows[0].at("HashedString"), 4), "5.00");
  EXPECT_EQ(till.Series(kInvoiceSeries).at("Serie_LastNumber"), "0");
  EXPECT_EQ(till.CheckText(kCreditNoteSeries), "1");
  EXPECT_FALSE(till.CheckText(kInvoiceSeries));
  EXPECT_EQ(till.Counter("CurrentReceiptNo"), "1");
  // Counted as the credit note it was issued as: a refund of 5.
  EXPECT_EQ(till.Counter("DailyRefunds"), "5");
  EXPECT_EQ(till.Counter("DailySales"), "0");
  EXPECT_EQ(till.Counter("DailyTotal"), "-5");
  ExpectVerifiedChains(rows, till.Store().Root() / "openssl");
}

TEST(ReceiptSale, CustomerDataAndFinalConsumerDefaults) {
  struct Case {
    std::vector<std::pair<std::string, std::string>> customer;
    std::string taxCode, businessName, country, description, qrCustomer;
  };
  const Case cases[] = {
      {{}, "999999990", "CONSUMIDOR FINAL", "Desconhecido", "", "B:999999990*C:Desconhecido*"},
      {{{"CustomerTaxCode", "PT"}, {"CustomerBusinessName", "Ana Lda"}, {"CustomerCountry", "PT"}},
       "999999990", "Ana Lda", "PT", "Portugal", "B:999999990*C:PT*"},
      {{{"CustomerTaxCode", "PT123456789"}, {"CustomerCountry", "PRT"}},
       "PT123456789", "", "PRT", "Portugal", "B:123456789*C:PRT*"},
      {{{"CustomerTaxCode", "PT123456789"}, {"CustomerCountry", "PT"}},
       "PT123456789", "", "PT", "Portugal", "B:123456789*C:PT*"},
      {{{"CustomerTaxCode", "123456789"}, {"CustomerCountry", "pt"}}, "123456789", "", "pt", "", "B:123456789*C:PT*"},
      // Without a country the QR code places the customer by the tax code; the document keeps
      // what the request said.
      {{{"CustomerTaxCode", "123456789"}}, "123456789", "", "", "", "B:123456789*C:PT*"},
      {{{"CustomerTaxCode", "ESB12345678"}}, "ESB12345678", "", "", "", "B:B12345678*C:ES*"},
      {{{"CustomerTaxCode", "B12345678"}}, "B12345678", "", "", "", "B:B12345678*C:Desconhecido*"},
      {{{"CustomerTaxCode", "B12345678"}, {"CustomerCountry", "es"}}, "B12345678", "", "es", "",
       "B:B12345678*C:ES*"},
  };
  ReceiptTill till;
  int number = 0;
  for (const Case& c : cases) {
    ReceiptRequest request;
    request.elements = c.customer;
    ExportResult result = till.Process(request);
    ASSERT_EQ(result.code, 0) << result.error;
    ++number;
    Answer answer(result.output);
    SCOPED_TRACE(request.Xml());
    EXPECT_EQ(answer.Value("CustomerTaxCode"), c.taxCode);
    EXPECT_EQ(answer.Value("CustomerBusinessName"), c.businessName);
    EXPECT_EQ(answer.Value("CustomerCountry"), c.country);
    EXPECT_TRUE(answer.Receipt().child("CustomerCountryDescription"));
    EXPECT_EQ(answer.Value("CustomerCountryDescription"), c.description);
    EXPECT_NE(answer.QRCode().find("*" + c.qrCustomer + "D:FR*"), std::string::npos) << answer.QRCode();
    const std::vector<Row> rows = till.Receipts();
    ASSERT_EQ(rows.size(), static_cast<size_t>(number));
    EXPECT_EQ(Answer(rows.back().at("Receipt")).Value("CustomerTaxCode"), c.taxCode);
  }
}

TEST(ReceiptSale, ManualDocumentHasItsOwnSeriesAndCitesThePaperDocument) {
  ReceiptTill till;
  till.Store().AddSeries("FR2024S01M", "MMJFJ2K6");
  ReceiptRequest manual;
  manual.subType = "M";
  manual.externalReference = "123/2024";
  ExportResult result = till.Process(manual);
  ASSERT_EQ(result.code, 0) << result.error;
  Answer answer(result.output);
  EXPECT_EQ(answer.Value("InvoiceNumber"), "FR FR2024S01M/0000001");
  const std::vector<Row> rows = till.Receipts();
  ASSERT_EQ(rows.size(), 1u);
  const std::string short_hash = ShortHashOf(rows[0].at("Hash"));
  const std::vector<std::string> expected_trailer = {
      "Text:",
      "Text:C\u00f3pia do documento original - FRM 123/2024",
      "Text:",
      "Text:" + short_hash + "-Processado por programa certificado n.\u00b0 7731/AT",
      "Text:Tillora KRV - Corvane srl",
      "Text:",
      "Text:ATCUD:MMJFJ2K6-0000001",
      "Text:",
      "Barcode:" + answer.QRCode(),
      "Text:",
  };
  EXPECT_EQ(answer.Trailer(), expected_trailer);
  EXPECT_EQ(rows[0].at("Serie"), "FR2024S01M");
  EXPECT_EQ(rows[0].at("SourceBilling"), "M");
  EXPECT_EQ(rows[0].at("ManualDocumentNumber"), "123/2024");

  // Other sub types number in the ordinary series and cite nothing.
  for (const char* sub_type : {"m", "X"}) {
    ReceiptRequest other = manual;
    other.subType = sub_type;
    ExportResult plain = till.Process(other);
    ASSERT_EQ(plain.code, 0) << plain.error;
    Answer answer_plain(plain.output);
    EXPECT_EQ(answer_plain.Trailer().size(), 8u) << sub_type;
    EXPECT_EQ(answer_plain.Value("InvoiceNumber").substr(0, 13), "FR FR2024S01/") << sub_type;
    const auto stored = till.Store().Query("select * from Receipts where ReceiptNumber='" +
                                           answer_plain.Value("InvoiceNumber") + "'");
    ASSERT_EQ(stored.size(), 1u) << sub_type;
    EXPECT_EQ(stored[0].at("Serie"), "FR2024S01") << sub_type;
    EXPECT_EQ(stored[0].at("SourceBilling"), "") << sub_type;
    EXPECT_EQ(stored[0].at("ManualDocumentNumber"), "") << sub_type;
  }
}

// The document of the QR code example: one 23 % tax line of taxable 10.00 and tax 2.30, customer
// PT123456789 from PT, invoice FR FR2024A/0000042 dated 2024-02-09.
TEST(ReceiptSale, PrintedAnnotations) {
  ReceiptTill till;
  till.Store().Execute("update BranchRecord set InvoiceSerieTemplate='{{DocumentType}}{{YYYY}}A'");
  till.Store().AddSeries("FR2024A", "AAJFJ2K6", 41);
  WriteCheckFile(till.Store().CheckFile("FR2024A").string(), "41");
  ReceiptRequest request;
  request.With("CustomerTaxCode", "PT123456789").With("CustomerCountry", "PT");
  request.elements.emplace_back("Headers", "<HeaderLine>old header</HeaderLine>");
  request.lines =
      "<productsale><Description>Cafe</Description><Quantity>1</Quantity><Price>10</Price><Amount>10</Amount>"
      "<TaxCode>2300</TaxCode></productsale>"
      "<subtotal><Amount>10</Amount></subtotal>"
      "<productsale><Description>Bolo</Description><Quantity>1</Quantity><Price>2.3</Price><Amount>2.3</Amount>"
      "<TaxCode>NOR</TaxCode></productsale>"
      "<text><Description>DESCONTO SUBTOTAL</Description></text>"
      "<text><Description>Desconto Subtotal</Description></text>"
      "<SubTotal><Amount>12.30</Amount></SubTotal>";
  request.trailerMessages =
      "<Text><Alignment>Center</Alignment><Value>Obrigado</Value><Size>2</Size></Text>"
      "<Text><Alignment>Center</Alignment><Value>Volte sempre</Value><Size>1</Size></Text>";
  ExportResult result = till.Process(request);
  ASSERT_EQ(result.code, 0) << result.error;
  Answer answer(result.output);
  const std::vector<Row> rows = till.Receipts();
  ASSERT_EQ(rows.size(), 1u);
  const std::string short_hash = ShortHashOf(rows[0].at("Hash"));

  EXPECT_EQ(answer.QRCode(),
            "A:500100200*B:123456789*C:PT*D:FR*E:N*F:20240209*G:FR FR2024A/0000042*H:AAJFJ2K6-0000042*I1:PT*"
            "I7:10.00*I8:2.30*N:2.30*O:12.30*Q:" +
                short_hash + "*R:7731");
  const std::vector<std::string> expected_trailer = {
      "Text:",
      "Text:" + short_hash + "-Processado por programa certificado n.\u00b0 7731/AT",
      "Text:Tillora KRV - Corvane srl",
      "Text:",
      "Text:ATCUD:AAJFJ2K6-0000042",
      "Text:",
      "Barcode:" + answer.QRCode(),
      "Text:",
      "Text:Obrigado",
      "Text:Volte sempre",
  };
  EXPECT_EQ(answer.Trailer(), expected_trailer);
  pugi::xml_node trailer = answer.Receipt().child("TrailerMessages");
  pugi::xml_node certification = trailer.first_child().next_sibling();
  EXPECT_STREQ(certification.child_value("Alignment"), "Center");
  EXPECT_STREQ(certification.child_value("Size"), "1");
  pugi::xml_node barcode = trailer.child("Barcode");
  EXPECT_STREQ(barcode.child_value("Type"), "qrcode");
  EXPECT_STREQ(barcode.child_value("HRI"), "false");
  EXPECT_STREQ(barcode.child_value("Alignment"), "Center");
  EXPECT_STREQ(barcode.child_value("QRCodeMinVersion"), "9");
  EXPECT_STREQ(barcode.child("Value").attribute("SAFTQRCODE").value(), "True");

  std::vector<std::string> headers;
  for (pugi::xml_node line : answer.Receipt().child("Headers").children()) headers.push_back(line.child_value());
  const std::vector<std::string> expected_headers = {"Loja Baixa", "Corvane Retail, Lda", "Rua Augusta 100",
                                                     "1100-053 Lisboa", "NIPC: PT500100200"};
  EXPECT_EQ(headers, expected_headers);
  EXPECT_EQ(answer.Value("StoreAddress"), "Rua do Ouro 20");
  EXPECT_EQ(answer.Value("StoreZipCode"), "1100-060");
  EXPECT_EQ(answer.Value("StoreCity"), "Lisboa");
  EXPECT_TRUE(answer.Receipt().child("LeaderLines"));

  std::vector<std::string> lines;
  for (pugi::xml_node line : answer.Receipt().child("Lines").children())
    lines.push_back(std::string(line.name()) + ":" + line.child_value("TaxCode") + line.child_value("Description"));
  const std::vector<std::string> expected_lines = {"productsale:23Cafe", "subtotal:", "productsale:NORBolo",
                                                   "text:DESCONTO GLOBAL", "text:Desconto Subtotal"};
  EXPECT_EQ(lines, expected_lines);
  EXPECT_STREQ(answer.Receipt().child("Taxes").child("Tax").child_value("Code"), "23");
  EXPECT_EQ(result.output.find("DESCONTO SUBTOTAL"), std::string::npos);
  EXPECT_EQ(rows[0].at("Receipt"), result.output);
  EXPECT_EQ(till.CheckText("FR2024A"), "42");
}

TEST(ReceiptSale, ExemptTaxLinesAreExplainedInTheTrailerAndTheQRCode) {
  ReceiptTill till;
  ReceiptRequest request;
  request.totalAmount = "22.30";
  request.taxes +=
      "<Tax><Type>VAT</Type><Code>M07</Code><Description>Isento artigo 9.\u00ba do CIVA</Description><Rate>0</Rate>"
      "<TaxableAmount>10</TaxableAmount><TaxAmount>0</TaxAmount><TotalAmount>10</TotalAmount></Tax>";
  ExportResult result = till.Process(request);
  ASSERT_EQ(result.code, 0) << result.error;
  Answer answer(result.output);
  const std::vector<std::string> trailer = answer.Trailer();
  ASSERT_GE(trailer.size(), 4u);
  EXPECT_EQ(trailer[0], "Text:");
  EXPECT_EQ(trailer[1], "Text:M07 = Isento artigo 9.\u00ba do CIVA");
  EXPECT_EQ(trailer[2], "Text:");
  EXPECT_NE(trailer[3].find("-Processado por programa certificado"), std::string::npos);
  EXPECT_NE(answer.QRCode().find("*I1:PT*I2:10.00*I7:10.00*I8:2.30*N:2.30*O:22.30*"), std::string::npos)
      << answer.QRCode();
}

}  // namespace
}  // namespace dodu::testing

// The export unit on its own: the period, the invoice of a stored document (amounts to the cent
// whatever the lines), the text fields, the pages of a long period, and the same file through
// the embedded engine and through ODBC.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/error.h"
#include "db/vendizio_proxy.h"
#include "played_day.h"
#include "saft/invoice_builder.h"
#include "saft/saft_export.h"
#include "saft/saft_period.h"
#include "saft/xml_stream_writer.h"

namespace dodu::testing {
namespace {

namespace fs = std::filesystem;

TEST(SaftPeriod, CoversWholeDaysOfOneYear) {
  EXPECT_EQ(ParseSaftPeriod("2024-02-01", "2024-02-29").dayAfterTo, "2024-03-01");
  EXPECT_EQ(ParseSaftPeriod("2026-12-31", "2026-12-31").dayAfterTo, "2027-01-01");
  EXPECT_EQ(ParseSaftPeriod("2026-01-01", "2026-12-31").year, 2026);
  for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
           {"2023-02-29", "2023-03-01"}, {"1999-12-01", "1999-12-31"}, {"2026-00-10", "2026-01-10"},
           {"2026-05-02", "2026-05-01"}, {"2026-06-01", "2027-05-31"}, {"", "2026-01-01"}, {"2026/01/01", "2026-01-02"}})
    EXPECT_THROW(ParseSaftPeriod(from, to), Error) << from << " " << to;
}

TEST(SaftText, AnyStoredTextGivesWellFormedFittedXml) {
  EXPECT_EQ(XmlEscaped("A & B <c>"), "A &amp; B &lt;c&gt;");
  EXPECT_EQ(XmlEscaped(std::string("a\x01" "b\xff", 4)), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
  EXPECT_EQ(FittedText("  ", 10), "Desconhecido");
  EXPECT_EQ(FittedText(" Pão ", 10), "Pão");
  EXPECT_EQ(FittedText("ççççç", 3), "ççç") << "cut by characters, not bytes";
  EXPECT_EQ(CharacterCount("Isento artigo 9.º"), 17u);
}

// A stored row around a receipt's XML; the signed text carries the total.
StoredDocumentRow Row(const std::string& type, const std::string& total, const std::string& receipt_body) {
  StoredDocumentRow row;
  row.seriesCode = type + "2026X";
  row.number = 1;
  row.invoiceNumber = type + " " + type + "2026X/0000001";
  row.status = "N";
  row.documentType = type;
  row.operatorCode = "OP1";
  row.systemEntryDateTime = "2026-05-04T10:00:00";
  row.lastStatusDateTime = row.systemEntryDateTime;
  row.hash = "c2lnbmF0dXJl";
  row.hashedString = "2026-05-04;2026-05-04T10:00:00;" + row.invoiceNumber + ";" + total + ";";
  row.atcud = "ABCD1234-0000001";
  row.totalAmount = total;
  // The reader wants the three lists, empty or not.
  std::string body = receipt_body;
  for (const char* list : {"Lines", "Taxes", "Payments"})
    if (body.find(std::string("<") + list) == std::string::npos) body += std::string("<") + list + "/>";
  row.receiptXml = "<Receipt><Type>" + std::string(type == "NC" ? "Refund" : "Sale") +
                   "</Type><BusinessDate>2026-05-04T00:00:00</BusinessDate><CompanyTaxCode>500100209</CompanyTaxCode>" +
                   body + "</Receipt>";
  return row;
}

const char* kTaxes =
    "<Taxes><Tax><Type>VAT</Type><Code>2300</Code><Description>IVA 23%</Description><Rate>23</Rate></Tax>"
    "<Tax><Type>VAT</Type><Code>0600</Code><Description>IVA 6%</Description><Rate>6</Rate></Tax>"
    "<Tax><Type>VAT</Type><Code>M07</Code><Description>Isento artigo 9.º do CIVA</Description><Rate>0</Rate></Tax>"
    "</Taxes>";

void ExpectAddsUpToTheCent(const SaftInvoice& invoice) {
  Amount credit, debit;
  for (const SaftLine& line : invoice.lines) {
    EXPECT_EQ(RoundAmountToCents(line.quantity * Amount::Parse(line.unitPrice)), line.amount)
        << line.productDescription << ": " << line.quantity.ToText() << " x " << line.unitPrice;
    EXPECT_EQ(line.amount, RoundAmountToCents(line.amount));
    (line.debit ? debit : credit) += line.amount;
  }
  EXPECT_EQ(credit, invoice.creditSum);
  EXPECT_EQ(debit, invoice.debitSum);
  const Amount net = invoice.invoiceType == "NC" ? debit - credit : credit - debit;
  EXPECT_EQ(net, invoice.netTotal);
  EXPECT_EQ(invoice.netTotal + invoice.taxPayable, invoice.grossTotal);
}

TEST(SaftInvoiceOfAStoredDocument, LinesWithDiscountsWeightsAndAReturnAddUpToTheSignedTotal) {
  // 3 x 0.99 at 23 %, 0.375 kg for 4.49 at 6 % less 0.50, a returned item of 1.00 at 23 %, and an
  // exempt stamp: 2.97 + 3.99 - 1.00 + 0.85 = 6.81, paid 10.00 in cash and 0.00 by card, 3.19 back.
  const StoredDocumentRow row = Row(
      "FR", "6.81",
      std::string("<TotalAmount>6.81</TotalAmount><CustomerTaxCode>PT123456789</CustomerTaxCode>"
                  "<CustomerBusinessName>Silva</CustomerBusinessName><CustomerCountry>PRT</CustomerCountry><Lines>"
                  "<ProductSale><Code>A</Code><Description>Agua</Description><Quantity>3</Quantity><TaxCode>2300</TaxCode>"
                  "<Price>0.99</Price><Amount>2.97</Amount></ProductSale>"
                  "<WeightedProductSale><Code>Q</Code><Description>Queijo</Description><Quantity>0.375</Quantity>"
                  "<UOM>KG</UOM><TaxCode>0600</TaxCode><Price>11.97</Price><Amount>4.49</Amount></WeightedProductSale>"
                  "<DiscountAmount><Amount>0.50</Amount><Description>Promo</Description></DiscountAmount>"
                  "<ProductReturn><Code>A</Code><Description>Agua</Description><Quantity>1</Quantity><TaxCode>2300</TaxCode>"
                  "<Price>1.00</Price><Amount>1.00</Amount></ProductReturn>"
                  "<ProductSale><Code>S</Code><Description>Selo</Description><Quantity>1</Quantity><TaxCode>M07</TaxCode>"
                  "<Price>0.85</Price><Amount>0.85</Amount></ProductSale>"
                  "</Lines>") +
          kTaxes +
          "<Payments><Payment><Type>CreditCard</Type><Amount>0</Amount></Payment>"
          "<Payment><Type>Cash</Type><Amount>10.00</Amount></Payment>"
          "<Payment><Type>Change</Type><Amount>3.19</Amount></Payment></Payments>");
  std::vector<std::string> notes;
  const SaftInvoice invoice = BuildSaftInvoice(row, SaftSettings{}, notes);
  EXPECT_TRUE(notes.empty()) << notes.front();
  ASSERT_EQ(invoice.lines.size(), 4u);
  ExpectAddsUpToTheCent(invoice);
  EXPECT_EQ(invoice.grossTotal.ToFixed(2), "6.81");
  EXPECT_TRUE(invoice.lines[2].debit) << "a return inside a sale is a debit";
  EXPECT_EQ(invoice.lines[1].unitOfMeasure, "KG");
  EXPECT_EQ(invoice.lines[3].taxCode, "ISE");
  EXPECT_EQ(invoice.lines[3].exemptionCode, "M07");
  EXPECT_TRUE(invoice.lines[0].exemptionCode.empty());
  EXPECT_EQ(invoice.customer.taxId, "123456789");
  EXPECT_EQ(invoice.customer.country, "PT");
  EXPECT_EQ(invoice.customer.addressDetail, "Desconhecido");
  ASSERT_EQ(invoice.payments.size(), 1u);
  EXPECT_EQ(invoice.payments[0].mechanism, "NU");
  EXPECT_EQ(invoice.payments[0].amount.ToFixed(2), "6.81");
}

TEST(SaftInvoiceOfAStoredDocument, ACreditNoteStoredWithNegativeAmountsGoesOnTheDebitSide) {
  const StoredDocumentRow row = Row(
      "NC", "5.00",
      std::string("<TotalAmount>-5.00</TotalAmount><References><OriginalReceipt><InvoiceNumber>FR FR2026X/0000007"
                  "</InvoiceNumber></OriginalReceipt></References><Lines>"
                  "<ProductSale><Code>A</Code><Description>Agua</Description><Quantity>-2</Quantity><TaxCode>2300</TaxCode>"
                  "<Price>2.50</Price><Amount>-5.00</Amount></ProductSale></Lines>") +
          kTaxes);
  std::vector<std::string> notes;
  const SaftInvoice invoice = BuildSaftInvoice(row, SaftSettings{}, notes);
  ASSERT_EQ(invoice.lines.size(), 1u);
  EXPECT_TRUE(invoice.lines[0].debit);
  EXPECT_EQ(invoice.lines[0].amount.ToFixed(2), "4.07");
  EXPECT_EQ(invoice.lines[0].quantity.ToText(), "2");
  EXPECT_EQ(invoice.lines[0].reference, "FR FR2026X/0000007");
  EXPECT_EQ(invoice.customer.id, "999999990");
  EXPECT_TRUE(invoice.payments.empty());
  ExpectAddsUpToTheCent(invoice);
}

TEST(SaftInvoiceOfAStoredDocument, ManyLinesOfOneClassKeepTheClassTotal) {
  // Seven lines of 0.10 at 23 %: each alone would be 0.08 (0.56), the class 0.70 / 1.23 = 0.57.
  std::string lines;
  for (int i = 0; i < 7; ++i)
    lines += "<ProductSale><Code>C</Code><Description>Clip</Description><Quantity>1</Quantity><TaxCode>2300</TaxCode>"
             "<Price>0.10</Price><Amount>0.10</Amount></ProductSale>";
  const StoredDocumentRow row = Row("FR", "0.70", "<TotalAmount>0.70</TotalAmount><Lines>" + lines + "</Lines>" + kTaxes);
  std::vector<std::string> notes;
  const SaftInvoice invoice = BuildSaftInvoice(row, SaftSettings{}, notes);
  EXPECT_EQ(invoice.netTotal.ToFixed(2), "0.57");
  EXPECT_EQ(invoice.taxPayable.ToFixed(2), "0.13");
  ExpectAddsUpToTheCent(invoice);
}

TEST(SaftInvoiceOfAStoredDocument, WhatCannotBeWrittenValidlyIsRefusedNamingTheDocument) {
  const std::string sale = "<TotalAmount>1.00</TotalAmount><Lines><ProductSale><Code>A</Code><Description>Agua"
                           "</Description><Quantity>1</Quantity><TaxCode>TAXCODE</TaxCode><Price>1</Price><Amount>1.00"
                           "</Amount></ProductSale></Lines>";
  const auto with_tax = [&](const std::string& code, const std::string& description, const std::string& rate) {
    std::string body = sale;
    body.replace(body.find("TAXCODE"), 7, code);
    return Row("FR", "1.00", body + "<Taxes><Tax><Type>VAT</Type><Code>" + code + "</Code><Description>" + description +
                                 "</Description><Rate>" + rate + "</Rate></Tax></Taxes>");
  };
  struct Case {
    StoredDocumentRow row;
    const char* says;
  };
  std::vector<Case> cases = {
      {with_tax("ISE", "Isento artigo 9.º", "0"), "no exemption code"},
      {with_tax("M07", "Isent", "0"), "6 to 60 characters"},
      {with_tax("2200", "IVA 22%", "22"), "not a mainland rate"},
      {Row("FR", "1.00", sale), "which its tax summary does not list"},
      {Row("FR", "1.00", "<TotalAmount>1.00</TotalAmount><Lines/>"), "no item line"},
  };
  Case broken_text{with_tax("2300", "IVA 23%", "23"), "five fields"};
  broken_text.row.hashedString = "2026-05-04;FR FR2026X/0000001;1.00";
  cases.push_back(broken_text);
  Case broken_xml{with_tax("2300", "IVA 23%", "23"), "no well-formed XML"};
  broken_xml.row.receiptXml = "<Receipt>";
  cases.push_back(broken_xml);
  for (const Case& c : cases) {
    std::vector<std::string> notes;
    try {
      BuildSaftInvoice(c.row, SaftSettings{}, notes);
      ADD_FAILURE() << "accepted: " << c.says;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("FR FR2026X/0000001"), std::string::npos) << e.what();
    }
  }
}

std::string Export(tQV_VendizioProxy& proxy, const SaftPeriod& period, SaftExportResult* result = nullptr) {
  SaftExportRequest request;
  request.period = period;
  request.creationDate = "2026-06-30";
  ScratchDirectory spool;
  request.spoolDirectory = spool.Path();
  std::ostringstream out;
  SaftExportResult made = ExportSaft(proxy, request, out);
  if (result != nullptr) *result = made;
  EXPECT_TRUE(fs::is_empty(spool.Path())) << "the spool file was left behind";
  return out.str();
}

void Connect(tQV_VendizioProxy& proxy, bool odbc, const fs::path& database) {
  if (odbc) {
    proxy.SetEngine(dbe_ODBC);
    proxy.SetOdbcConnectionString("Driver=SQLite3;Database=" + database.string());
  } else {
    proxy.SetEngine(dbe_SQLite);
    proxy.SetDbName(database.string());
  }
  proxy.SetNotifyHandler([](int32_t, const std::string& text) { ADD_FAILURE() << text; });
  proxy.SetLogHandler([](tQV_MessageType type, const std::string& text) {
    if (type == let_error) ADD_FAILURE() << text;
  });
  ASSERT_TRUE(proxy.Connect()) << proxy.ConnectionError();
}

TEST(SaftExport, TheOdbcEngineGivesTheSameFileAsTheEmbeddedOne) {
  const PlayedDay& day = ThePlayedDay();
  const SaftPeriod period = ParseSaftPeriod(day.date, day.date);
  tQV_VendizioProxy embedded, odbc;
  Connect(embedded, false, day.directory / "store.db");
  Connect(odbc, true, day.directory / "store.db");
  const std::string through_embedded = Export(embedded, period);
  const std::string through_odbc = Export(odbc, period);
  EXPECT_NE(through_embedded.find("<NumberOfEntries>5</NumberOfEntries>"), std::string::npos);
  EXPECT_EQ(through_odbc, through_embedded);
}

TEST(SaftExport, APeriodOfManyPagesGivesEveryDocumentOnceInSeriesOrder) {
  // The played day's documents cloned into two more series, more than a page each: pages end
  // inside a series (then the series goes on), and at a series' end (then the next one starts).
  const PlayedDay& day = ThePlayedDay();
  ScratchDirectory scratch;
  const fs::path store = scratch.Path() / "store.db";
  fs::copy_file(day.directory / "store.db", store);
  {
    tQV_VendizioProxy writer;
    Connect(writer, false, store);
    for (const char* series : {"FR2026ZA", "FR2026ZB"}) {
      for (int number = 1; number <= 300; ++number) {
        ASSERT_TRUE(writer.ExecuteSQLCommand(
            "insert into Receipts (id,Serie,Number,ReceiptNumber,Status,DocumentType,ReceiptOperator,SystemEntryDateTime,"
            "LastStatusDateTime,PreviousHash,Hash,HashedString,SourceBilling,FiscalId,Totalamount,Receipt) "
            "select '" + std::string(series) + std::to_string(number) + "','" + series + "'," + std::to_string(number) +
            ",'FR " + series + "/' || substr('000000' || " + std::to_string(number) + ", -7),Status,DocumentType,"
            "ReceiptOperator,SystemEntryDateTime,LastStatusDateTime,PreviousHash,Hash,"
            "substr(HashedString,1,31) || 'FR " + series + "/' || substr('000000' || " + std::to_string(number) +
            ", -7) || substr(HashedString, instr(HashedString, ';' || Totalamount) ),"
            "SourceBilling,FiscalId,Totalamount,Receipt from Receipts where id=(select id from Receipts "
            "where DocumentType='FR' order by Serie,Number limit 1)"));
      }
    }
  }
  tQV_VendizioProxy proxy;
  Connect(proxy, false, store);
  SaftExportResult result;
  const std::string text = Export(proxy, ParseSaftPeriod(day.date, day.date), &result);
  EXPECT_EQ(result.documents, 605);
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(text.c_str()));
  std::vector<std::string> numbers;
  for (pugi::xml_node invoice :
       document.child("AuditFile").child("SourceDocuments").child("SalesInvoices").children("Invoice"))
    numbers.push_back(invoice.child_value("InvoiceNo"));
  ASSERT_EQ(numbers.size(), 605u);
  EXPECT_EQ(std::set<std::string>(numbers.begin(), numbers.end()).size(), 605u) << "a document written twice";
  EXPECT_EQ(numbers[0].substr(0, 3), "FR ");
  const auto position = [&](const std::string& number) {
    return std::find(numbers.begin(), numbers.end(), number) - numbers.begin();
  };
  EXPECT_EQ(position("FR FR2026ZA/0000300") + 1, position("FR FR2026ZB/0000001"));
  EXPECT_EQ(position("FR FR2026ZA/0000252") + 1, position("FR FR2026ZA/0000253"));
  EXPECT_EQ(position("FR FR2026ZB/0000256") + 1, position("FR FR2026ZB/0000257"));
  EXPECT_EQ(position("FR FR2026ZB/0000300") + 1, static_cast<long>(numbers.size()) - 1);
}

}  // namespace
}  // namespace dodu::testing

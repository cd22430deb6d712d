// A day of sales, credit notes and voids: after every document the counters file says what the
// stored documents of the till's day add up to, and the X and Z reports show the same figures.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/amount.h"
#include "support/receipt_requests.h"
#include "support/receipt_till.h"

namespace dodu::testing {
namespace {

struct DayFigures {
  int documents = 0;
  Amount sales, refunds, voids;
  Amount Total() const { return sales - refunds - voids; }
};

// What the stored documents of the first day add up to: every document counts once, a credit
// note as a refund of its (positive) total, a voided sale as a void and a voided credit note not
// at all.
DayFigures FromStore(ReceiptTill& till) {
  DayFigures day;
  for (const Row& row : till.Store().Query("select * from Receipts where ZReportNumber=1")) {
    ++day.documents;
    const Amount total = Amount::Parse(row.at("Totalamount"));
    const bool voided = row.at("Status") == "A";
    if (row.at("DocumentType") == "FR") {
      day.sales += total;
      if (voided) day.voids += total;
    } else if (!voided) {
      day.refunds += total;
    }
  }
  return day;
}

void ExpectCounters(ReceiptTill& till, const DayFigures& day, const std::string& after) {
  SCOPED_TRACE("after " + after);
  EXPECT_EQ(till.Counter("CurrentReceiptNo"), std::to_string(day.documents));
  EXPECT_EQ(Amount::Parse(till.Counter("DailySales")), day.sales);
  EXPECT_EQ(Amount::Parse(till.Counter("DailyRefunds")), day.refunds);
  EXPECT_EQ(Amount::Parse(till.Counter("DailyVoids")), day.voids);
  EXPECT_EQ(Amount::Parse(till.Counter("DailyTotal")), day.Total());
  EXPECT_EQ(Amount::Parse(till.Counter("GrandTotalTotal")), day.Total());
}

// The report's figures, in its XML and in its text (C locale: "," thousands, "." decimals).
void ExpectReport(const ExportResult& report, const DayFigures& day) {
  ASSERT_EQ(report.code, 0) << report.error;
  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(report.output.c_str()));
  const pugi::xml_node r = document.document_element();
  EXPECT_EQ(Amount::Parse(r.child_value("DayTotalAmount")), day.Total());
  EXPECT_EQ(Amount::Parse(r.child_value("DayRefundsAmount")), day.refunds);
  EXPECT_EQ(Amount::Parse(r.child_value("DayVoidsAmount")), day.voids);
  EXPECT_EQ(r.child_value("DayReceiptsNumber"), std::to_string(day.documents));
  const std::string text = r.child_value("Text");
  const auto line = [&](const std::string& label, const std::string& value) {
    EXPECT_TRUE(std::regex_search(text, std::regex("(^|\n)" + label + " +" + value + "(\r?\n|$)")))
        << label << " " << value << " in\n" << text;
  };
  line("Total do Dia", day.Total().ToFixed(2));
  line("Total do Dia Vendas", day.sales.ToFixed(2));
  line("Total do Dia Devolu\u00e7\u00f5es", day.refunds.ToFixed(2));
  line("Total do Dia Cancela\u00e7\u00f5es", day.voids.ToFixed(2));
  line("Documentos Emitidos", std::to_string(day.documents));
}

TEST(DayTotals, CountersAndReportsAddUpTheStoredDocuments) {
  ReceiptTill till;
  int second = 0;
  const auto dated = [&](ReceiptRequest r) {
    r.dateTime = "2024-02-09T10:00:" + std::string(second < 10 ? "0" : "") + std::to_string(second);
    ++second;
    return r;
  };
  const auto issue = [&](const ReceiptRequest& r, const std::string& what) {
    const ExportResult result = till.Process(r);
    EXPECT_EQ(result.code, 0) << what << ": " << result.error;
    ExpectCounters(till, FromStore(till), what);
    return result.code == 0 ? Answer(result.output).Value("DateTime") : std::string();
  };

  const std::string sale_time = issue(dated(ReceiptRequest()), "a sale at 23 %");
  ReceiptRequest rates;
  rates.totalAmount = "25.40";
  rates.lines =
      "<productsale><Description>Pao</Description><Quantity>2</Quantity><Price>5.30</Price><Amount>10.60</Amount>"
      "<TaxCode>600</TaxCode></productsale>"
      "<productsale><Description>Vinho</Description><Quantity>1</Quantity><Price>11.30</Price><Amount>11.30</Amount>"
      "<TaxCode>1300</TaxCode></productsale>"
      "<productsale><Description>Sumo</Description><Quantity>1</Quantity><Price>3.50</Price><Amount>3.50</Amount>"
      "<TaxCode>2300</TaxCode></productsale>";
  rates.taxes =
      "<Tax><Type>VAT</Type><Code>600</Code><Rate>6</Rate><TaxableAmount>10.00</TaxableAmount><TaxAmount>0.60"
      "</TaxAmount><TotalAmount>10.60</TotalAmount></Tax>"
      "<Tax><Type>VAT</Type><Code>1300</Code><Rate>13</Rate><TaxableAmount>10.00</TaxableAmount><TaxAmount>1.30"
      "</TaxAmount><TotalAmount>11.30</TotalAmount></Tax>"
      "<Tax><Type>VAT</Type><Code>2300</Code><Rate>23</Rate><TaxableAmount>2.85</TaxableAmount><TaxAmount>0.65"
      "</TaxAmount><TotalAmount>3.50</TotalAmount></Tax>";
  rates.payments = "<Payment><Type>cash</Type><Amount>25.40</Amount></Payment>";
  const std::string rates_time = issue(dated(rates), "a sale at three rates");

  ReceiptRequest refund;
  refund.type = "Refund";
  refund.references = OriginalReceipt("C1-S01", "1", sale_time);
  const std::string refund_time = issue(dated(refund), "a credit note sent as a refund");

  const ReceiptRequest negative = NegativeSale();
  issue(dated(negative), "a credit note sent as a negative sale");

  // The sale and the credit note both carry number 1: each void names its own by invoice number.
  ReceiptRequest void_sale = VoidOf("C1-S01", "2", rates_time);
  issue(void_sale, "a void of a sale");
  ReceiptRequest void_credit_note = VoidOf("C1-S01", "1", refund_time);
  void_credit_note.references =
      "<OriginalReceipt><ReceiptDateTime>" + refund_time +
      "</ReceiptDateTime><ReceiptNumber>1</ReceiptNumber><DeviceSerialNumber>C1-S01</DeviceSerialNumber>"
      "<InvoiceNumber>NC NC2024S01/0000001</InvoiceNumber></OriginalReceipt>";
  issue(void_credit_note, "a void of a credit note");
  EXPECT_EQ(till.Receipt(kInvoiceSeries, 1).at("Status"), "N") << "the void of NC 1 left FR 1 alone";
  EXPECT_EQ(till.Receipt(kCreditNoteSeries, 1).at("Status"), "A");

  const DayFigures day = FromStore(till);
  EXPECT_EQ(day.documents, 4);
  EXPECT_EQ(day.sales, Amount::Parse("37.70"));
  EXPECT_EQ(day.refunds, Amount::Parse("5"));
  EXPECT_EQ(day.voids, Amount::Parse("25.40"));
  ExpectReport(till.Driver().ProcessXReport(Envelope(till.Handle(), "T01")), day);
  ExpectReport(till.Driver().ProcessZReport(Envelope(till.Handle(), "T01")), day);
}

}  // namespace
}  // namespace dodu::testing

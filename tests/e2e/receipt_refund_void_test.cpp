// Refunds that refer to a stored document, and voids of stored documents.
#include <gtest/gtest.h>

#include "base/conversions.h"
#include "support/receipt_till.h"

namespace dodu::testing {
namespace {

// A till with one sale stored: FR FR2024S01/0000001 of 2024-02-09 10:00 from device C1-S01, sold
// to a customer with a name, a business name, a city and a tax code.
class ReceiptOfStoredSale : public ::testing::Test {
 protected:
  void SetUp() override {
    ReceiptRequest sale;
    sale.With("CustomerBusinessName", "Ana Lda")
        .With("CustomerName", "Ana")
        .With("CustomerCity", "Porto")
        .With("CustomerZIPCode", "4000-001")
        .With("CustomerCountry", "PT")
        .With("CustomerTaxCode", "123456789");
    ExportResult result = till.Process(sale);
    ASSERT_EQ(result.code, 0) << result.error;
    stored = result.output;
  }

  // A refund of 12.30 with its own customer data and the given reference.
  static ReceiptRequest RefundOf(const std::string& number, const std::string& date_time = "2024-02-09T10:00:00") {
    ReceiptRequest refund;
    refund.type = "Refund";
    refund.dateTime = "2024-02-09T11:00:00";
    refund.With("CustomerBusinessName", "Other SA")
        .With("CustomerSurname", "Silva")
        .With("CustomerZIPCode", "1000-001")
        .With("CustomerTaxCode", "PT");
    refund.references = OriginalReceipt("C1-S01", number, date_time);
    return refund;
  }

  ReceiptTill till;
  std::string stored;
};

TEST_F(ReceiptOfStoredSale, RefundTakesReferenceAndCustomerFromTheOriginal) {
  ExportResult result = till.Process(RefundOf("1"));
  ASSERT_EQ(result.code, 0) << result.error;
  Answer answer(result.output);
  pugi::xml_node original = answer.Receipt().child("References").child("OriginalReceipt");
  EXPECT_STREQ(original.child_value("InvoiceNumber"), "FR FR2024S01/0000001");
  EXPECT_STREQ(original.child_value("InvoiceDateTime"), "2024-02-09T10:00:00");
  EXPECT_EQ(answer.Value("CustomerBusinessName"), "Ana Lda");
  EXPECT_EQ(answer.Value("CustomerName"), "Ana");
  EXPECT_EQ(answer.Value("CustomerSurname"), "") << "the original has none";
  EXPECT_TRUE(answer.Receipt().child("CustomerSurname"));
  EXPECT_EQ(answer.Value("CustomerCity"), "Porto");
  // The postal code comes over whichever of its two element names the original used.
  EXPECT_EQ(answer.Value("CustomerZipCode"), "4000-001");
  EXPECT_EQ(answer.Value("CustomerZIPCode"), "4000-001");
  EXPECT_EQ(answer.Value("CustomerTaxCode"), "123456789");
  EXPECT_EQ(answer.Value("CustomerCountryDescription"), "Portugal");
  EXPECT_EQ(answer.Value("InvoiceNumber"), "NC NC2024S01/0000001");
  EXPECT_EQ(answer.Value("ReceiptTypeDescription"), "Nota de Cr\u00e9dito");
  const Row refund = till.Receipt(kCreditNoteSeries, 1);
  EXPECT_EQ(refund.at("Serie"), "NC2024S01");
  EXPECT_EQ(refund.at("DocumentType"), "NC");
  EXPECT_EQ(till.Counter("DailyRefunds"), "12.3");
  EXPECT_EQ(till.Counter("DailyTotal"), "0");
}

TEST_F(ReceiptOfStoredSale, RefundWithoutStoredOriginalGoesOnWithItsOwnData) {
  for (const char* number : {"99", "1 or 1=1", "1;delete from Receipts", "", "x"}) {
    ExportResult result = till.Process(RefundOf(number));
    ASSERT_EQ(result.code, 0) << number << ": " << result.error;
    Answer answer(result.output);
    pugi::xml_node original = answer.Receipt().child("References").child("OriginalReceipt");
    EXPECT_FALSE(original.child("InvoiceNumber")) << number;
    EXPECT_STREQ(original.child_value("ReceiptNumber"), number);
    EXPECT_EQ(answer.Value("CustomerBusinessName"), "Other SA") << number;
    EXPECT_EQ(answer.Value("CustomerSurname"), "Silva") << number;
    EXPECT_EQ(answer.Value("CustomerTaxCode"), "999999990") << number;
  }
  EXPECT_EQ(till.Receipts().size(), 6u);
  EXPECT_EQ(till.CheckText(kCreditNoteSeries), "5");
}

TEST_F(ReceiptOfStoredSale, VoidMarksTheStoredDocumentAndAnswersWithIt) {
  const std::string today = DateToXmlText(Now());
  ExportResult result = till.Process(VoidOf("C1-S01", "1", "2024-02-09T10:00:00", "OP9"));
  ASSERT_EQ(result.code, 0) << result.error;
  Answer answer(result.output);
  Answer original(stored);
  EXPECT_EQ(answer.Value("Type"), "Void");
  EXPECT_EQ(answer.Value("OperatorCode"), "OP9");
  EXPECT_EQ(answer.Value("DateTime").substr(0, 10), today);
  EXPECT_EQ(answer.Value("InvoiceDateTime"), "2024-02-09T10:00:00");
  EXPECT_EQ(answer.Value("InvoiceNumber"), "FR FR2024S01/0000001");
  EXPECT_EQ(answer.Value("Number"), "1");
  EXPECT_EQ(answer.Trailer(), original.Trailer());

  const std::vector<Row> rows = till.Receipts();
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].at("Status"), "A");
  EXPECT_EQ(rows[0].at("LastReceiptStatusOperator"), "OP9");
  EXPECT_EQ(rows[0].at("LastStatusDateTime").substr(0, 10), today);
  EXPECT_EQ(rows[0].at("ReceiptOperator"), "OP1");
  EXPECT_EQ(rows[0].at("Receipt"), stored);
  EXPECT_EQ(till.Series(kInvoiceSeries).at("Serie_LastNumber"), "1");
  EXPECT_EQ(till.Series(kCreditNoteSeries).at("Serie_LastNumber"), "0");
  // A void issues no document and counts the voided sale's total as a void of the day.
  EXPECT_EQ(till.Counter("CurrentReceiptNo"), "1");
  EXPECT_EQ(till.Counter("DailySales"), "12.3");
  EXPECT_EQ(till.Counter("DailyVoids"), "12.3");
  EXPECT_EQ(till.Counter("DailyTotal"), "0");
  EXPECT_EQ(till.Counter("GrandTotalVoids"), "12.3");

  ExportResult again = till.Process(VoidOf("C1-S01", "1", "2024-02-09T10:00:00", "OP7"));
  EXPECT_EQ(again.code, -1);
  EXPECT_EQ(again.error, "Receipt already voided");
  EXPECT_EQ(till.Receipt(kInvoiceSeries, 1).at("LastReceiptStatusOperator"), "OP9");
  EXPECT_EQ(till.Series(kCreditNoteSeries).at("Serie_LastNumber"), "0");
}

TEST_F(ReceiptOfStoredSale, VoidOfAnUnknownDocumentIsRefused) {
  for (const char* number : {"2", "abc", "1 or 1=1", ""}) {
    ExportResult result = till.Process(VoidOf("C1-S01", number, "2024-02-09T10:00:00"));
    EXPECT_EQ(result.code, -1) << number;
    EXPECT_EQ(result.error, "Receipt not found") << number;
  }
  EXPECT_EQ(till.Receipt(kInvoiceSeries, 1).at("Status"), "N");
}

TEST_F(ReceiptOfStoredSale, ReprintFindsOnlyByADecimalNumber) {
  const auto reprint = [&](const std::string& number) {
    return till.Driver().ProcessReprintReceipt(Envelope(
        till.Handle(), "T01",
        "<ReceiptReference><ReceiptType>Sale</ReceiptType><ReceiptDateTime>2024-02-09T10:00:00</ReceiptDateTime>"
        "<ReceiptNumber>" + number + "</ReceiptNumber><DeviceSerialNumber>C1-S01</DeviceSerialNumber>"
        "</ReceiptReference>"));
  };
  ExportResult found = reprint("1");
  ASSERT_EQ(found.code, 0) << found.error;
  EXPECT_EQ(Answer(found.output).Value("InvoiceNumber"), "FR FR2024S01/0000001");
  for (const char* number : {"1 or 1=1", "1;delete from Receipts", "one"}) {
    ExportResult refused = reprint(number);
    EXPECT_EQ(refused.code, -1) << number;
    EXPECT_EQ(refused.error, "Receipt not found") << number;
  }
  EXPECT_EQ(till.Receipts().size(), 1u);
}

// Another store's document of the same number is never meant, whatever the time; within its own
// store a reference without milliseconds finds the document.
TEST_F(ReceiptOfStoredSale, TheSearchWithinADayKeepsTheDeviceSerial) {
  ExportResult other_store = till.Process(VoidOf("C9-S09", "1", "2024-02-09T09:00:00"));
  EXPECT_EQ(other_store.code, -1);
  EXPECT_EQ(other_store.error, "Receipt not found");
  EXPECT_EQ(till.Receipt(kInvoiceSeries, 1).at("Status"), "N");

  ExportResult same_store = till.Process(VoidOf("C1-S01", "1", "2024-02-09T09:00:00"));
  EXPECT_EQ(same_store.code, 0) << same_store.error;
  EXPECT_EQ(till.Receipt(kInvoiceSeries, 1).at("Status"), "A");
}

}  // namespace
}  // namespace dodu::testing

namespace dodu::testing {
namespace {

TEST_F(ReceiptOfStoredSale, NoCreditNoteRefersToAVoidedSale) {
  ASSERT_EQ(till.Process(VoidOf("C1-S01", "1", "2024-02-09T10:00:00")).code, 0);
  const TillSnapshot before(till);
  ReceiptRequest refund;
  refund.type = "Refund";
  refund.dateTime = "2024-02-09T11:00:00";
  refund.references = OriginalReceipt("C1-S01", "1", "2024-02-09T10:00:00");
  const ExportResult result = till.Process(refund);
  EXPECT_EQ(result.code, -1);
  EXPECT_EQ(result.error, "Original receipt FR FR2024S01/0000001 is voided: no credit note can refer to it");
  EXPECT_TRUE(TillSnapshot(till) == before) << "nothing numbered, stored or counted";
}

// A sale and a credit note with one number and one time: each operation touches only the
// document it means, and the choice does not depend on the order of the rows.
TEST_F(ReceiptOfStoredSale, ASaleAndACreditNoteWithOneNumberAndTimeAreToldApart) {
  const ReceiptRequest negative = NegativeSale();
  ASSERT_EQ(till.Process(negative).code, 0);  // NC 1, at the sale's very time
  const auto reprint = [&](const char* type) {
    const ExportResult found = till.Driver().ProcessReprintReceipt(Envelope(
        till.Handle(), "T01",
        std::string("<ReceiptReference><ReceiptType>") + type +
            "</ReceiptType><ReceiptDateTime>2024-02-09T10:00:00</ReceiptDateTime><ReceiptNumber>1</ReceiptNumber>"
            "<DeviceSerialNumber>C1-S01</DeviceSerialNumber></ReceiptReference>"));
    EXPECT_EQ(found.code, 0) << found.error;
    return found.code == 0 ? Answer(found.output).Value("InvoiceNumber") : std::string();
  };
  EXPECT_EQ(reprint("Sale"), "FR FR2024S01/0000001");
  EXPECT_EQ(reprint("Refund"), "NC NC2024S01/0000001");

  // Without an invoice number a reference means the sale; with one, the document it names.
  ASSERT_EQ(till.Process(VoidOf("C1-S01", "1", "2024-02-09T10:00:00")).code, 0);
  EXPECT_EQ(till.Receipt(kInvoiceSeries, 1).at("Status"), "A");
  EXPECT_EQ(till.Receipt(kCreditNoteSeries, 1).at("Status"), "N");
  ReceiptRequest void_credit_note = VoidOf("C1-S01", "1", "2024-02-09T10:00:00");
  void_credit_note.references =
      "<OriginalReceipt><ReceiptDateTime>2024-02-09T10:00:00</ReceiptDateTime><ReceiptNumber>1</ReceiptNumber>"
      "<DeviceSerialNumber>C1-S01</DeviceSerialNumber><InvoiceNumber>NC NC2024S01/0000001</InvoiceNumber>"
      "</OriginalReceipt>";
  const ExportResult voided = till.Process(void_credit_note);
  ASSERT_EQ(voided.code, 0) << voided.error;
  EXPECT_EQ(Answer(voided.output).Value("InvoiceNumber"), "NC NC2024S01/0000001");
  EXPECT_EQ(till.Receipt(kCreditNoteSeries, 1).at("Status"), "A");
}

}  // namespace
}  // namespace dodu::testing

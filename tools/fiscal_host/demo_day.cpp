#include "fiscal_host/demo_day.h"

#include <algorithm>
#include <iostream>
#include <memory>
#include <stdexcept>

#include <pugixml.hpp>

#include "fiscal_host/command_line.h"
#include "fiscal_host/demo_company.h"
#include "fiscal_host/envelope.h"
#include "fiscal_host/host_environment.h"
#include "fiscal_host/local_clock.h"
#include "fiscal_host/paper_receipt.h"
#include "fiscal_host/receipt_composer.h"
#include "fiscal_host/store_database.h"
#include "fiscal_host/terminal_output.h"
#include "fiscal_host/till_session.h"

namespace dodu::host {

namespace {

// A step whose answer is not what it should be.
class StepFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

Amount Money(const char* text) { return Amount::Parse(text); }
Amount Count(int64_t units) { return Amount::FromInteger(units); }

// Document date-times of the day: now, but always after the previous document and after the
// last document already in the store, since a series refuses a document dated before its last.
class DocumentClock {
 public:
  explicit DocumentClock(std::time_t not_before) : fLast(std::max(Now() - 1, not_before)) {}
  std::time_t Next() {
    fLast = std::max(Now(), fLast + 1);
    return fLast;
  }

 private:
  std::time_t fLast;
};

std::time_t LastDocumentTime(const WorkDirectory& directory) {
  try {
    const std::unique_ptr<StoreDatabase> store = OpenStore(directory);
    const auto rows = store->Query("select max(Serie_LastDate) as LastDate from Series");
    if (!rows.empty()) {
      if (auto last = ParseXmlDateTime(XmlDateTimeText(rows.front().at("LastDate")))) return *last;
    }
  } catch (const std::exception&) {
    // A store that cannot be read here: the documents' own clock stands alone.
  }
  return 0;
}

struct Answer {
  pugi::xml_document document;
  pugi::xml_node receipt;
  std::string text;
};

std::string Child(pugi::xml_node node, const char* name) { return node.child(name).text().get(); }

void Expect(bool condition, const std::string& what) {
  if (!condition) throw StepFailed(what);
}

class DemoDay {
 public:
  DemoDay(const HostContext& context, TillSession& till)
      : fTill(till), fClock(LastDocumentTime(context.directory)) {
    fPaper.colors = OutputTerminalShowsColours() && !EnvironmentValue("NO_COLOR");
  }

  void Run();
  int Steps() const { return fStep; }

 private:
  void Title(const std::string& title) {
    std::cout << "\n### " << ++fStep << ". " << title << "\n\n";
  }
  SaleDocument NewDocument(const std::string& type = "Sale") {
    SaleDocument document;
    document.type = type;
    const std::time_t at = fClock.Next();
    document.businessDate = XmlDateTimeText(StartOfDay(at));
    document.dateTime = XmlDateTimeText(at);
    return document;
  }
  Answer Process(const std::string& receipt_xml, const std::string& what);
  Answer Issue(const SaleDocument& sale, const std::string& what);

  TillSession& fTill;
  DocumentClock fClock;
  PaperOptions fPaper;
  int fStep = 0;
  int fIssued = 0;
};

Answer DemoDay::Process(const std::string& receipt_xml, const std::string& what) {
  const ExportAnswer answer = fTill.ProcessReceipt(Request(receipt_xml, "Receipt", what));
  Expect(answer.Succeeded(), what + ": PROCESSRECEIPT failed (code " + std::to_string(answer.code) + "): " +
                                 answer.error);
  Answer result;
  result.text = answer.output;
  Expect(static_cast<bool>(result.document.load_string(answer.output.c_str())), what + ": the answer is no XML");
  result.receipt = FindDocumentElement(result.document, "Receipt");
  Expect(static_cast<bool>(result.receipt), what + ": the answer holds no <Receipt>");
  std::cout << RenderReceipt(answer.output, fPaper);
  return result;
}

// A sale or credit note: numbered, signed and annotated for the printer.
Answer DemoDay::Issue(const SaleDocument& sale, const std::string& what) {
  Answer answer = Process(ComposeSale(sale), what);
  ++fIssued;
  const std::string invoice_number = Child(answer.receipt, "InvoiceNumber");
  Expect(!invoice_number.empty(), what + ": no invoice number was written");
  std::string atcud, qr_code;
  bool certified = false;
  for (pugi::xml_node message : answer.receipt.child("TrailerMessages").children()) {
    const std::string value = Child(message, "Value");
    if (value.rfind("ATCUD:", 0) == 0) atcud = value.substr(6);
    if (value.find("Processado por programa certificado") != std::string::npos) certified = true;
    if (std::string(message.name()) == "Barcode") qr_code = value;
  }
  Expect(certified, what + ": the certification line is missing");
  Expect(!atcud.empty(), what + ": the ATCUD line is missing");
  Expect(qr_code.find("*G:" + invoice_number + "*H:" + atcud + "*") != std::string::npos,
         what + ": the QR code does not name " + invoice_number + " and ATCUD " + atcud);
  return answer;
}

void DemoDay::Run() {
  Title("Status of till " + fTill.TillSerial() + " at the start of the day");
  ExportAnswer status = fTill.ProcessStatus();
  Expect(status.Succeeded(), "PROCESSGETSTATUS failed: " + status.error);
  std::cout << RenderStatus(status.output, fPaper);

  Title("Sale at three VAT rates with line discounts, paid in cash");
  SaleDocument groceries = NewDocument();
  groceries.items = {
      {"5601234000017", "Pão de forma integral", Count(1), Money("1.89"), &ReducedRate(), {}, {}},
      {"5601234000024", "Café expresso", Count(2), Money("0.80"), &IntermediateRate(), {}, {}},
      {"5601234000031", "Detergente loiça 1L", Count(1), Money("2.49"), &NormalRate(), {}, Money("0.50")},
      {"5601234000048", "Azeite virgem extra 75cl", Count(1), Money("7.99"), &ReducedRate(), Count(10), {}},
  };
  groceries.tenders = {{"cash", Money("20")}};
  const Answer first_sale = Issue(groceries, "sale 1");

  Title("Sale with an exempt line (0%, exemption M07), paid by card");
  SaleDocument stamps = NewDocument();
  stamps.items = {
      {"CTT-N20", "Selos correio nacional", Count(5), Money("0.61"), &ExemptRate(), {}, {}},
      {"9771234567003", "Revista semanal", Count(1), Money("3.20"), &ReducedRate(), {}, {}},
      {"5601234000055", "Pilhas alcalinas AA 4un", Count(1), Money("5.99"), &NormalRate(), Count(15), {}},
  };
  stamps.tenders = {{"debitcard", {}}};
  Issue(stamps, "sale 2");

  Title("Sale to a customer with a tax number");
  SaleDocument office = NewDocument();
  office.customer = Customer{"PT123456789", "Silva & Filhos, Lda", "Avenida da Liberdade 110", "1250-146",
                             "Lisboa", "PT"};
  office.items = {
      {"5601234000062", "Papel A4 80g 500 folhas", Count(5), Money("4.50"), &NormalRate(), Count(5), {}},
      {"5601234000079", "Água mineral 1,5L", Count(6), Money("0.45"), &ReducedRate(), {}, {}},
  };
  office.tenders = {{"creditcard", {}}};
  const Answer customer_sale = Issue(office, "sale 3");
  const DocumentReference customer_reference = ReferenceOf(customer_sale.text);

  Title("Credit note: one ream of paper returned from the sale to the customer");
  SaleDocument refund = NewDocument("Refund");
  refund.items = {
      {"5601234000062", "Papel A4 80g 500 folhas", Count(1), Money("4.50"), &NormalRate(), Count(5), {}},
  };
  refund.tenders = {{"creditcard", {}}};
  refund.original = customer_reference;
  const Answer credit_note = Issue(refund, "credit note");
  pugi::xml_node original = credit_note.receipt.child("References").child("OriginalReceipt");
  Expect(Child(original, "InvoiceNumber") == Child(customer_sale.receipt, "InvoiceNumber"),
         "credit note: the refunded sale " + Child(customer_sale.receipt, "InvoiceNumber") +
             " was not found (reference '" + Child(original, "InvoiceNumber") + "')");
  Expect(Child(credit_note.receipt, "CustomerTaxCode") == "PT123456789",
         "credit note: the customer of the refunded sale was not taken over");
  Expect(Child(credit_note.receipt, "InvoiceNumber").rfind(kCreditNoteDocumentType, 0) == 0,
         "credit note: not numbered in the credit-note series");

  Title("Sale that is voided right after");
  SaleDocument mistake = NewDocument();
  mistake.items = {{"5601234000086", "Chocolate negro 70%", Count(2), Money("1.35"), &NormalRate(), {}, {}}};
  mistake.tenders = {{"cash", Money("5")}};
  const Answer voided_sale = Issue(mistake, "sale 4");

  Title("Void of that sale");
  const SaleDocument void_time = NewDocument("Void");
  const Answer voided = Process(ComposeVoid(ReferenceOf(voided_sale.text), void_time.businessDate,
                                            void_time.dateTime, "OP2"),
                                "void");
  Expect(Child(voided.receipt, "Type") == "Void", "void: the answer is not marked Void");
  Expect(Child(voided.receipt, "InvoiceNumber") == Child(voided_sale.receipt, "InvoiceNumber"),
         "void: the answer is not the voided sale");

  Title("Reprint of the first sale");
  const ExportAnswer reprint = fTill.ProcessReprint(
      Request(ComposeReprintReference(ReferenceOf(first_sale.text), "Sale"), "ReceiptReference", "reprint"));
  Expect(reprint.Succeeded(), "reprint: PROCESSREPRINTRECEIPT failed (code " + std::to_string(reprint.code) +
                                  "): " + reprint.error);
  std::cout << RenderReceipt(reprint.output, fPaper);
  pugi::xml_document reprinted;
  reprinted.load_string(reprint.output.c_str());
  pugi::xml_node reprinted_receipt = FindDocumentElement(reprinted, "Receipt");
  Expect(Child(reprinted_receipt, "IsReprint") == "True", "reprint: the answer is not marked as a reprint");
  Expect(Child(reprinted_receipt, "InvoiceNumber") == Child(first_sale.receipt, "InvoiceNumber"),
         "reprint: the answer is not the first sale");

  Title("X report");
  const ExportAnswer x_report = fTill.ProcessXReport();
  Expect(x_report.Succeeded(), "X report: PROCESSXREPORT failed: " + x_report.error);
  std::cout << RenderReport(x_report.output, fPaper);
  pugi::xml_document x_document;
  x_document.load_string(x_report.output.c_str());
  const int day_documents = x_document.document_element().child("DayReceiptsNumber").text().as_int(-1);
  Expect(day_documents >= fIssued, "X report: " + std::to_string(day_documents) + " documents in the day, " +
                                       std::to_string(fIssued) + " issued by this demo alone");

  Title("Z report: closing the day");
  const ExportAnswer z_report = fTill.ProcessZReport();
  Expect(z_report.Succeeded(), "Z report: PROCESSZREPORT failed: " + z_report.error);
  std::cout << RenderReport(z_report.output, fPaper);
  pugi::xml_document z_document;
  z_document.load_string(z_report.output.c_str());
  Expect(z_document.document_element().child("DayReceiptsNumber").text().as_int(-1) == day_documents,
         "Z report: its document count differs from the X report's");

  Title("Status after the Z report");
  status = fTill.ProcessStatus();
  Expect(status.Succeeded(), "PROCESSGETSTATUS failed: " + status.error);
  std::cout << RenderStatus(status.output, fPaper);
  pugi::xml_document status_document;
  status_document.load_string(status.output.c_str());
  Expect(Child(status_document.document_element(), "DayOpened") == "False",
         "status: the day is still open after the Z report");
}

}  // namespace

int RunDemo(const HostContext& context) {
  TillSession till(context.directory, context.libraryPath, context.tillSerial);
  const ExportAnswer opened = till.Open();
  if (!opened.Succeeded()) {
    std::cerr << "OPEN failed (code " << opened.code << "): " << opened.error << "\n";
    return kExitFailure;
  }
  std::cout << "Till " << till.TillSerial() << " opened on " << context.directory.Root().string() << ", handle "
            << till.Handle() << "\n";
  DemoDay day(context, till);
  try {
    day.Run();
  } catch (const std::exception& failure) {
    // A step's check, or an answer that cannot even be printed.
    std::cout.flush();
    std::cerr << "demo: step " << day.Steps() << " went wrong: " << failure.what() << "\n";
    return kExitFailure;
  }
  std::cout << "\nDemo day complete: " << day.Steps() << " steps, every one as expected.\n";
  return kExitSuccess;
}

}  // namespace dodu::host

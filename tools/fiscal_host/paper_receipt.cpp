#include "fiscal_host/paper_receipt.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <stdexcept>

#include <pugixml.hpp>

#include "base/amount.h"
#include "base/ascii_text.h"
#include "fiscal_host/envelope.h"
#include "fiscal_host/paper_layout.h"
#include "fiscal_host/terminal_qr.h"

namespace dodu::host {

namespace {

std::string Child(pugi::xml_node node, const char* name) { return node.child(name).text().get(); }

// An amount with two decimals; a text that is no amount is shown as it stands.
std::string Money(const std::string& text) {
  Amount value;
  return Amount::TryParse(text, value) ? value.ToFixed(2) : text;
}

std::string Quantity(const std::string& text) {
  Amount value;
  return Amount::TryParse(text, value) ? value.ToText() : text;
}

bool IsOne(const std::string& text) {
  Amount value;
  return Amount::TryParse(text, value) && value == Amount::FromInteger(1);
}

// yyyy-mm-ddThh:nn:ss as yyyy-mm-dd hh:nn:ss.
std::string DateTimeShown(std::string text) {
  if (text.size() > 10 && text[10] == 'T') text[10] = ' ';
  return text;
}

pugi::xml_node ParseDocument(pugi::xml_document& document, const std::string& xml, const char* what) {
  const pugi::xml_parse_result parsed = document.load_string(xml.c_str());
  if (!parsed) throw std::runtime_error(std::string("the ") + what + " is no well-formed XML: " + parsed.description());
  return document.document_element();
}

std::string PaymentName(pugi::xml_node payment) {
  const std::string description = Child(payment, "Description");
  if (!description.empty()) return description;
  static const std::map<std::string, std::string> kNames{
      {"cash", "Numerário"},          {"creditcard", "Cartão de crédito"}, {"debitcard", "Cartão de débito"},
      {"cheque", "Cheque"},           {"change", "Troco"},                 {"voucher", "Vale"},
      {"giftcard", "Cartão oferta"}, {"mealvoucher", "Vale refeição"}};
  const auto name = kNames.find(AsciiLower(Child(payment, "Type")));
  return name != kNames.end() ? name->second : Child(payment, "Type");
}

// The rate shown beside a line: its tax code looked up among the document's tax lines.
std::string RateLabel(const std::map<std::string, std::string>& rates, const std::string& tax_code) {
  const auto rate = rates.find(tax_code);
  if (rate == rates.end()) return tax_code;
  return Quantity(rate->second) + "%";
}

void Header(PaperLayout& paper, pugi::xml_node receipt) {
  paper.Rule('=');
  for (pugi::xml_node leader : receipt.child("LeaderLines").children("Text")) paper.Center(Child(leader, "Value"));
  for (pugi::xml_node line : receipt.child("Headers").children()) paper.Center(line.text().get());
  std::string store = Child(receipt, "StoreAddress");
  const std::string town = Child(receipt, "StoreZipCode") + " " + Child(receipt, "StoreCity");
  if (town != " ") store += (store.empty() ? "" : ", ") + town;
  if (!store.empty()) paper.Center("Loja: " + store);
  paper.Rule();

  if (AsciiLower(Child(receipt, "Type")) == "void") paper.Center("*** DOCUMENTO ANULADO ***");
  if (AsciiLower(Child(receipt, "IsReprint")) == "true") paper.Center("*** 2.ª VIA - REIMPRESSÃO ***");
  paper.Columns(Child(receipt, "ReceiptTypeDescription"), Child(receipt, "InvoiceNumber"));
  paper.Columns("Data " + DateTimeShown(Child(receipt, "DateTime")),
                "Caixa " + Child(receipt, "TillCode") + "  Op. " + Child(receipt, "OperatorCode"));
  pugi::xml_node original = receipt.child("References").child("OriginalReceipt");
  if (const std::string number = Child(original, "InvoiceNumber"); !number.empty())
    paper.Left("Ref. " + number + " de " + DateTimeShown(Child(original, "InvoiceDateTime")));

  const std::string tax_code = Child(receipt, "CustomerTaxCode");
  std::string name = Child(receipt, "CustomerBusinessName");
  if (name.empty()) name = Child(receipt, "CustomerName") + " " + Child(receipt, "CustomerSurname");
  paper.Left("Cliente: " + name);
  if (const std::string address = Child(receipt, "CustomerAddress"); !address.empty()) paper.Left("  " + address);
  // The receipt reader's rule: CustomerZIPCode when it has a text, else CustomerZipCode.
  std::string zip_code = Child(receipt, "CustomerZIPCode");
  if (zip_code.empty()) zip_code = Child(receipt, "CustomerZipCode");
  const std::string customer_town = zip_code + " " + Child(receipt, "CustomerCity");
  if (customer_town != " ") paper.Left("  " + customer_town);
  if (const std::string country = Child(receipt, "CustomerCountryDescription"); !country.empty())
    paper.Left("  " + country);
  paper.Left("NIF: " + tax_code);
  paper.Rule();
}

void Lines(PaperLayout& paper, pugi::xml_node receipt, const std::map<std::string, std::string>& rates) {
  for (pugi::xml_node line : receipt.child("Lines").children()) {
    const std::string kind = AsciiLower(line.name());
    const std::string description = Child(line, "Description");
    if (kind == "text") {
      paper.Left(description);
    } else if (kind == "subtotal") {
      paper.Columns("SUBTOTAL", Money(Child(line, "Amount")));
    } else if (kind.find("discount") == 0 || kind.find("markup") == 0) {
      const bool discount = kind.find("discount") == 0;
      std::string label = description.empty() ? (discount ? "Desconto" : "Acréscimo") : description;
      if (kind.find("percentage") != std::string::npos) label += " " + Quantity(Child(line, "Percentage")) + "%";
      paper.Columns("  " + label, (discount ? "-" : "+") + Money(Child(line, "Amount")) + "     ");
    } else {
      const std::string quantity = Child(line, "Quantity");
      const std::string rate = RateLabel(rates, Child(line, "TaxCode"));
      const std::string amount = Money(Child(line, "Amount").empty() ? Child(line, "Price") : Child(line, "Amount"));
      std::string right = amount + " " + std::string(rate.size() < 4 ? 4 - rate.size() : 0, ' ') + rate;
      if (quantity.empty() || IsOne(quantity)) {
        paper.Columns(description, right);
      } else {
        paper.Left(description);
        paper.Columns("  " + Quantity(quantity) + " x " + Money(Child(line, "Price")), right);
      }
    }
  }
  paper.Rule();
}

void Totals(PaperLayout& paper, pugi::xml_node receipt) {
  std::string currency = Child(receipt, "CurrencyCode");
  paper.Columns("TOTAL" + (currency.empty() ? std::string() : " " + currency), Money(Child(receipt, "TotalAmount")));
  for (pugi::xml_node payment : receipt.child("Payments").children("Payment"))
    paper.Columns("  " + PaymentName(payment), Money(Child(payment, "Amount")));
  paper.Rule();
}

void TaxSummary(PaperLayout& paper, pugi::xml_node receipt) {
  const std::vector<size_t> widths{12, 12, 12, 12};
  paper.Table({"Taxa", "Incidência", "IVA", "Total"}, widths);
  for (pugi::xml_node tax : receipt.child("Taxes").children("Tax")) {
    Amount rate;
    const bool exempt = Amount::TryParse(Child(tax, "Rate"), rate) && rate.IsZero();
    const std::string label = exempt ? "Isento " + Child(tax, "Code") : "IVA " + Quantity(Child(tax, "Rate")) + "%";
    std::string total = Child(tax, "TotalAmount");
    Amount taxable, amount;
    if (total.empty() && Amount::TryParse(Child(tax, "TaxableAmount"), taxable) &&
        Amount::TryParse(Child(tax, "TaxAmount"), amount)) {
      total = (taxable + amount).ToText();
    }
    paper.Table({label, Money(Child(tax, "TaxableAmount")), Money(Child(tax, "TaxAmount")), Money(total)}, widths);
  }
  paper.Rule();
}

void Trailer(PaperLayout& paper, pugi::xml_node receipt, const PaperOptions& options) {
  for (pugi::xml_node message : receipt.child("TrailerMessages").children()) {
    const std::string kind = message.name();
    const std::string value = Child(message, "Value");
    if (kind == "Text") {
      const std::string alignment = AsciiLower(Child(message, "Alignment"));
      if (alignment == "center") paper.Center(value);
      else if (alignment == "right") paper.Right(value);
      else paper.Left(value);
    } else if (kind == "Barcode" && AsciiLower(Child(message, "Type")) == "qrcode") {
      const DrawnQrCode code = DrawQrCode(value, message.child("QRCodeMinVersion").text().as_int(0), options.colors);
      const size_t indent = static_cast<size_t>(code.width) < paper.Width() ? (paper.Width() - code.width) / 2 : 0;
      for (const std::string& line : code.lines) paper.Raw(std::string(indent, ' ') + line);
      paper.Chunked(value);
    } else if (kind == "Barcode") {
      paper.Center("[" + Child(message, "Type") + "] " + value);
    }
  }
  paper.Rule('=');
}

}  // namespace

std::string RenderReceipt(const std::string& xml, const PaperOptions& options) {
  pugi::xml_document document;
  ParseDocument(document, xml, "receipt");
  pugi::xml_node receipt = FindDocumentElement(document, "Receipt");
  if (!receipt) throw std::runtime_error("the answer holds no <Receipt>");

  std::map<std::string, std::string> rates;
  for (pugi::xml_node tax : receipt.child("Taxes").children("Tax")) rates.emplace(Child(tax, "Code"), Child(tax, "Rate"));

  PaperLayout paper(options.width);
  Header(paper, receipt);
  Lines(paper, receipt, rates);
  Totals(paper, receipt);
  TaxSummary(paper, receipt);
  Trailer(paper, receipt, options);
  return paper.Text();
}

std::string RenderReport(const std::string& xml, const PaperOptions& options) {
  pugi::xml_document document;
  pugi::xml_node report = ParseDocument(document, xml, "report");
  PaperLayout paper(options.width);
  paper.Rule('=');
  std::string text = Child(report, "Text");
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    paper.Left(line);
    start = end + 1;
  }
  paper.Rule();
  paper.Columns("Relatório n.º " + Child(report, "ReportNumber"), Child(report, "ReportDateTime").substr(0, 10));
  paper.Columns("Documentos do dia", Child(report, "DayReceiptsNumber"));
  paper.Columns("Total do dia", Money(Child(report, "DayTotalAmount")));
  paper.Columns("Devoluções do dia", Money(Child(report, "DayRefundsAmount")));
  paper.Columns("Total geral", Money(Child(report, "GrandTotalAmount")));
  paper.Rule('=');
  return paper.Text();
}

std::string RenderStatus(const std::string& xml, const PaperOptions& options) {
  pugi::xml_document document;
  pugi::xml_node status = ParseDocument(document, xml, "status");
  PaperLayout paper(options.width);
  for (pugi::xml_node value : status.children()) paper.Columns(value.name(), value.text().get());
  return paper.Text();
}

}  // namespace dodu::host

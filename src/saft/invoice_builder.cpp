#include "saft/invoice_builder.h"

#include <map>
#include <optional>

#include <pugixml.hpp>

#include "base/ascii_text.h"
#include "base/error.h"
#include "base/wide_integer.h"
#include "receipt/receipt.h"
#include "saft/saft_codes.h"
#include "saft/xml_stream_writer.h"

namespace dodu {

namespace {

// What an item line of the receipt says of itself, whatever its class.
struct ItemFacts {
  std::string code, description, unitOfMeasure, taxCode;
  Amount quantity;
  bool hasQuantity = false;
  std::string productType = "P";
};

ItemFacts FactsOf(const kReceiptLine& aLine) {
  ItemFacts facts;
  if (const auto* product = dynamic_cast<const kReceiptLineProductSale*>(&aLine)) {
    facts = {product->fCode, product->fDescription, product->fUOM, product->fTaxCode, product->fQuantity.Abs(), true,
             product->fAttribute == rla_Service ? "S" : "P"};
  } else if (const auto* voucher = dynamic_cast<const kReceiptLineVoucherSale*>(&aLine)) {
    facts = {voucher->fCode, voucher->fDescription, "", voucher->fTaxCode, {}, false, "O"};
  } else if (const auto* gift_card = dynamic_cast<const kReceiptLineGiftCardSale*>(&aLine)) {
    facts = {gift_card->fCode, gift_card->fDescription, "", gift_card->fTaxCode, {}, false, "O"};
  } else if (const auto* collect = dynamic_cast<const kReceiptLineCollectAmount*>(&aLine)) {
    facts = {"", collect->fDescription, "", collect->fTaxCode, {}, false, "O"};
  }
  return facts;
}

// net / quantity with eight decimals, rounded half up, as text without needless zeros; both are
// positive amounts (four decimals).
std::string UnitPriceText(Amount aNet, Amount aQuantity) {
  constexpr uint64_t kScale = 100000000;  // 1e8
  uint64_t remainder = 0;
  const uint64_t quantity = static_cast<uint64_t>(aQuantity.Raw());
  UInt128 quotient = DivideWide(MultiplyWide(static_cast<uint64_t>(aNet.Raw()), kScale), quantity, remainder);
  if (quotient.high != 0) throw Error("unit price out of range");
  uint64_t value = quotient.low + (remainder >= quantity - remainder ? 1 : 0);
  std::string fraction = std::to_string(value % kScale);
  fraction = std::string(8 - fraction.size(), '0') + fraction;
  while (fraction.size() > 2 && fraction.back() == '0') fraction.pop_back();
  return std::to_string(value / kScale) + "." + fraction;
}

std::vector<std::string> SplitSignedText(const std::string& aText) {
  std::vector<std::string> fields;
  size_t start = 0;
  for (size_t at; (at = aText.find(';', start)) != std::string::npos; start = at + 1)
    fields.push_back(aText.substr(start, at - start));
  fields.push_back(aText.substr(start));
  return fields;
}

// 1 + rate: what a VAT-inclusive amount is divided by.
Amount Divisor(const SaftTaxClass& aClass) {
  return Amount::FromInteger(100 + aClass.percentage) / Amount::FromInteger(100);
}

bool IsExemptionCode(const std::string& aCode) {
  return aCode.size() == 3 && aCode[0] == 'M' && std::isdigit(static_cast<unsigned char>(aCode[1])) &&
         std::isdigit(static_cast<unsigned char>(aCode[2]));
}

SaftCustomer CustomerOf(const kReceipt& aReceipt) {
  SaftCustomer customer;
  if (IsFinalConsumerTaxCode(aReceipt.fCustomerTaxCode)) {
    customer.id = customer.taxId = kFinalConsumerTaxId;
    customer.name = "Consumidor final";
    customer.addressDetail = customer.city = customer.postalCode = customer.country = kUnknown;
    return customer;
  }
  customer.taxId = FittedText(SaftTaxNumber(aReceipt.fCustomerTaxCode), 30);
  customer.id = customer.taxId;
  std::string name = aReceipt.fCustomerBusinessName;
  if (Trimmed(name).empty()) name = Trimmed(aReceipt.fCustomerName + " " + aReceipt.fCustomerSurname);
  customer.name = FittedText(name, 100);
  customer.addressDetail = FittedText(aReceipt.fCustomerAddress, 210);
  customer.city = FittedText(aReceipt.fCustomerCity, 50);
  customer.postalCode = FittedText(aReceipt.fCustomerZipCode, 20);
  customer.country = SaftCustomerCountry(aReceipt.fCustomerCountry);
  return customer;
}

}  // namespace

SaftInvoice BuildSaftInvoice(const StoredDocumentRow& aRow, const SaftSettings& aSettings,
                             std::vector<std::string>& aNotes) {
  const std::string name = aRow.invoiceNumber.empty() ? aRow.seriesCode + " number " + std::to_string(aRow.number)
                                                      : aRow.invoiceNumber;
  const auto fail = [&](const std::string& aWhat) -> Error { return Error("document " + name + ": " + aWhat); };
  const auto note = [&](const std::string& aWhat) { aNotes.push_back("document " + name + ": " + aWhat); };

  SaftInvoice invoice;
  const std::vector<std::string> signed_fields = SplitSignedText(aRow.hashedString);
  if (signed_fields.size() != 5) throw fail("its signed text is not the five fields date;entry;number;total;previous");
  invoice.invoiceDate = signed_fields[0];
  invoice.systemEntryDate = signed_fields[1];
  invoice.invoiceNo = signed_fields[2];
  if (!Amount::TryParse(signed_fields[3], invoice.grossTotal) || invoice.grossTotal < Amount())
    throw fail("its signed total '" + signed_fields[3] + "' is no amount");
  if (invoice.invoiceNo != aRow.invoiceNumber)
    note("its ReceiptNumber '" + aRow.invoiceNumber + "' differs from the signed number; the signed one is written");
  if (signed_fields[4] != aRow.previousHash) note("its PreviousHash differs from the one in its signed text");
  std::string stored_entry;
  try {
    stored_entry = SaftDateTime(aRow.systemEntryDateTime);
  } catch (const std::exception&) {
    stored_entry = aRow.systemEntryDateTime;
  }
  if (signed_fields[1] != stored_entry)
    note("its SystemEntryDateTime differs from the signed entry time; the signed one is written");

  invoice.atcud = FittedText(aRow.atcud, 100, "0");
  invoice.hash = Trimmed(aRow.hash);
  if (invoice.hash.empty() || invoice.hash.size() > 172) throw fail("its Hash is empty or longer than 172 characters");
  invoice.invoiceType = aRow.documentType;
  if (invoice.invoiceType != "FR" && invoice.invoiceType != "NC") throw fail("its DocumentType '" + aRow.documentType + "' is neither FR nor NC");
  invoice.sourceId = FittedText(aRow.operatorCode, 30);
  // A manual or duplicate document (series sub type M or D) is the recovery of a paper
  // document: its key version names the paper document, and it is marked as recovered.
  const std::string manual = Trimmed(aRow.manualDocumentNumber);
  if ((aRow.sourceBilling == "M" || aRow.sourceBilling == "D") && !manual.empty()) {
    invoice.hashControl = aSettings.hashControl + "-" + invoice.invoiceType + aRow.sourceBilling + " " + manual;
    invoice.sourceBilling = "M";
  } else {
    invoice.hashControl = aSettings.hashControl;
    invoice.sourceBilling = "P";
  }
  if (aRow.status == "A") {
    invoice.status = "A";
    try {
      invoice.statusDate = SaftDateTime(aRow.lastStatusDateTime);
    } catch (const std::exception&) {
      throw fail("it is voided, and its LastStatusDateTime '" + aRow.lastStatusDateTime + "' is no date-time");
    }
    invoice.statusSourceId = FittedText(aRow.statusOperator, 30);
  } else {
    if (aRow.status != "N") note("its Status '" + aRow.status + "' is neither N nor A; written as N");
    invoice.status = "N";
    invoice.statusDate = invoice.systemEntryDate;
    invoice.statusSourceId = invoice.sourceId;
  }

  pugi::xml_document document;
  if (!document.load_string(aRow.receiptXml.c_str())) throw fail("its stored receipt is no well-formed XML");
  kReceipt receipt;
  try {
    receipt.Deserialize(document);
  } catch (const std::exception& e) {
    throw fail(std::string("its stored receipt cannot be read: ") + e.what());
  }
  receipt.CalcLinesNetAmount();
  invoice.companyTaxCode = receipt.fCompanyTaxCode;
  invoice.customer = CustomerOf(receipt);
  const bool credit_note = invoice.invoiceType == "NC";
  // Amounts of the stored receipt run the way of its total: a credit note stored with negative
  // amounts is turned the same way as one stored with positive amounts.
  const Amount direction = receipt.fTotalAmount < Amount() ? Amount::FromInteger(-1) : Amount::FromInteger(1);
  const std::string reference = Trimmed(receipt.fOriginalReceipt.InvoiceNumber);
  if (credit_note && reference.empty()) note("a credit note without the original's invoice number in its References");

  struct Pending {
    const kReceiptLine* line;
    ItemFacts facts;
    Amount gross;  // VAT included, in the document's direction
    const kReceiptTaxLine* tax;
    SaftTaxClass taxClass;
  };
  std::vector<Pending> items;
  for (const auto& line : receipt.fLines) {
    if (!line->IsItem()) continue;
    ItemFacts facts = FactsOf(*line);
    const kReceiptTaxLine* tax = receipt.fTaxes.GetByTaxCode(facts.taxCode);
    if (tax == nullptr) throw fail("line '" + facts.description + "' has the tax code '" + facts.taxCode + "', which its tax summary does not list");
    std::optional<SaftTaxClass> tax_class = SaftTaxClassOfRate(tax->fTaxRate);
    if (!tax_class) throw fail("the VAT rate " + tax->fTaxRate.ToText() + " % of tax code '" + tax->fTaxCode + "' is not a mainland rate (6, 13, 23 or 0 %)");
    items.push_back({line.get(), std::move(facts), line->fNetAmount * direction, tax, *tax_class});
  }
  if (items.empty()) throw fail("it has no item line");

  // Net per VAT class: the class's gross divided once, its lines each divided, the last line of
  // the class taking what is left.
  std::map<std::string, std::pair<Amount, size_t>> classes;  // tax code: gross sum, last item
  for (size_t i = 0; i < items.size(); ++i) {
    auto& [gross, last] = classes[items[i].tax->fTaxCode];
    gross += items[i].gross;
    last = i;
  }
  std::map<std::string, Amount> net_left;
  for (const auto& [code, gross_and_last] : classes) {
    net_left[code] = RoundAmountToCents(gross_and_last.first / Divisor(items[gross_and_last.second].taxClass));
  }

  for (size_t i = 0; i < items.size(); ++i) {
    const Pending& item = items[i];
    const std::string& code = item.tax->fTaxCode;
    Amount net = classes[code].second == i ? net_left[code] : RoundAmountToCents(item.gross / Divisor(item.taxClass));
    net_left[code] -= net;

    SaftLine line;
    SaftProduct product;
    product.code = FittedText(item.facts.code, 60);
    product.type = item.facts.productType;
    product.description = FittedText(item.facts.description, 200);
    if (CharacterCount(product.description) < 2) product.description = kUnknown;
    line.productCode = product.code;
    line.productDescription = product.description;
    line.unitOfMeasure = FittedText(item.facts.unitOfMeasure, 20, "UN");
    // A line that gives back runs against its document: a debit in an invoice, a credit in a
    // credit note.
    const bool against = net < Amount();
    line.debit = credit_note != against;
    line.amount = net.Abs();
    line.quantity = item.facts.hasQuantity ? item.facts.quantity : Amount::FromInteger(1);
    if (line.quantity.IsZero()) {
      if (!line.amount.IsZero()) note("line '" + product.description + "' has quantity 0 and an amount; written with quantity 1");
      if (!line.amount.IsZero()) line.quantity = Amount::FromInteger(1);
    }
    line.unitPrice = line.quantity.IsZero() ? "0.00" : UnitPriceText(line.amount, line.quantity);
    line.taxCode = item.taxClass.code;
    line.taxPercentage = item.taxClass.percentage;
    if (item.taxClass.percentage == 0) {
      line.exemptionCode = Trimmed(item.tax->fTaxCode);
      line.exemptionReason = Trimmed(item.tax->fTaxDescription);
      if (!IsExemptionCode(line.exemptionCode))
        throw fail("its exempt tax code '" + line.exemptionCode + "' is no exemption code (M and two digits)");
      const size_t length = CharacterCount(line.exemptionReason);
      if (length < 6 || length > 60)
        throw fail("the exemption reason '" + line.exemptionReason + "' of " + line.exemptionCode + " is not 6 to 60 characters long");
    }
    if (credit_note) line.reference = FittedText(reference, 60, "");
    (line.debit ? invoice.debitSum : invoice.creditSum) += line.amount;
    invoice.netTotal += net;
    invoice.lines.push_back(std::move(line));
    invoice.products.push_back(std::move(product));
  }
  if (invoice.netTotal < Amount()) throw fail("its lines add up to a net total below zero");
  invoice.taxPayable = invoice.grossTotal - invoice.netTotal;
  if (invoice.taxPayable < Amount()) throw fail("its net total " + invoice.netTotal.ToFixed(2) + " exceeds its signed total " + invoice.grossTotal.ToFixed(2));

  if (!credit_note) {
    // What was handed over, less the change given back (taken from cash first).
    Amount change;
    for (const auto& payment : receipt.fPayments)
      if (payment->fPaymentType == Rpt_Change) change += payment->fAmount.Abs();
    std::vector<SaftPayment> payments;
    for (int pass = 0; pass < 2; ++pass) {
      for (const auto& payment : receipt.fPayments) {
        if (payment->fPaymentType == Rpt_Change || (pass == 0) != (payment->fPaymentType == rpt_Cash)) continue;
        Amount amount = payment->fAmount.Abs();
        const Amount taken = change < amount ? change : amount;
        amount -= taken;
        change -= taken;
        if (!amount.IsZero()) payments.push_back({SaftPaymentMechanism(payment->fPaymentType), RoundAmountToCents(amount)});
      }
    }
    Amount paid;
    for (const SaftPayment& payment : payments) paid += payment.amount;
    if (paid != invoice.grossTotal)
      note("its payments less change come to " + paid.ToFixed(2) + ", not its total " + invoice.grossTotal.ToFixed(2));
    invoice.payments = std::move(payments);
  }
  return invoice;
}

}  // namespace dodu

#include "fiscal_host/receipt_composer.h"

#include <map>
#include <stdexcept>

#include <pugixml.hpp>

#include "fiscal_host/demo_company.h"
#include "fiscal_host/envelope.h"

namespace dodu::host {

namespace {

void Add(pugi::xml_node parent, const char* name, const std::string& value) {
  parent.append_child(name).text().set(value.c_str());
}

Amount Percent(int rate) { return Amount::FromInteger(rate) / Amount::FromInteger(100); }

pugi::xml_node Header(pugi::xml_document& document, const std::string& type, const std::string& business_date,
                      const std::string& date_time, const std::string& operator_code) {
  pugi::xml_node receipt = document.append_child("Receipt");
  Add(receipt, "Type", type);
  Add(receipt, "BusinessDate", business_date);
  Add(receipt, "DateTime", date_time);
  Add(receipt, "CountryCode", "PT");
  Add(receipt, "CompanyCode", kCompanyCode);
  Add(receipt, "CompanyTaxCode", kCompanyTaxCode);
  Add(receipt, "StoreCode", kStoreCode);
  Add(receipt, "TillCode", kTillCode);
  Add(receipt, "OperatorCode", operator_code);
  Add(receipt, "CurrencyCode", "EUR");
  return receipt;
}

void AddReference(pugi::xml_node receipt, const DocumentReference& original) {
  pugi::xml_node reference = receipt.append_child("References").append_child("OriginalReceipt");
  Add(reference, "ReferenceType", "OriginalReceipt");
  Add(reference, "DeviceSerialNumber", original.deviceSerial);
  Add(reference, "ReceiptNumber", original.number);
  Add(reference, "ReceiptDateTime", original.dateTime);
}

}  // namespace

const TaxClass& NormalRate() {
  static const TaxClass rate{23, "2300", "IVA 23%"};
  return rate;
}
const TaxClass& IntermediateRate() {
  static const TaxClass rate{13, "1300", "IVA 13%"};
  return rate;
}
const TaxClass& ReducedRate() {
  static const TaxClass rate{6, "0600", "IVA 6%"};
  return rate;
}
const TaxClass& ExemptRate() {
  static const TaxClass rate{0, "M07", "Isento artigo 9.º do CIVA"};
  return rate;
}

std::string ComposeSale(const SaleDocument& sale) {
  pugi::xml_document document;
  pugi::xml_node receipt = Header(document, sale.type, sale.businessDate, sale.dateTime, sale.operatorCode);
  if (sale.customer) {
    Add(receipt, "CustomerTaxCode", sale.customer->taxCode);
    Add(receipt, "CustomerBusinessName", sale.customer->businessName);
    Add(receipt, "CustomerAddress", sale.customer->address);
    // CustomerZipCode rather than CustomerZIPCode: a credit note takes the customer over from
    // the stored sale by that name only.
    Add(receipt, "CustomerZipCode", sale.customer->zipCode);
    Add(receipt, "CustomerCity", sale.customer->city);
    Add(receipt, "CustomerCountry", sale.customer->country);
  }
  if (sale.original) AddReference(receipt, *sale.original);

  pugi::xml_node lines = receipt.append_child("Lines");
  std::map<int, std::pair<const TaxClass*, Amount>, std::greater<>> gross_by_rate;
  Amount total;
  for (const SaleItem& item : sale.items) {
    if (item.tax == nullptr) throw std::logic_error("sale item without VAT class: " + item.description);
    const Amount amount = RoundAmountToCents(item.quantity * item.price);
    pugi::xml_node line = lines.append_child("ProductSale");
    Add(line, "Code", item.code);
    Add(line, "Description", item.description);
    Add(line, "Quantity", item.quantity.ToText());
    Add(line, "UOM", "UN");
    Add(line, "TaxCode", item.tax->code);
    Add(line, "Price", item.price.ToFixed(2));
    Add(line, "Amount", amount.ToFixed(2));
    Add(line, "Attribute", "product");
    Amount net = amount;
    if (!item.discountPercentage.IsZero()) {
      const Amount discount = RoundAmountToCents(amount * item.discountPercentage / Amount::FromInteger(100));
      pugi::xml_node line_discount = lines.append_child("DiscountPercentage");
      Add(line_discount, "Percentage", item.discountPercentage.ToText());
      Add(line_discount, "Amount", discount.ToFixed(2));
      Add(line_discount, "Description", "Desconto");
      net -= discount;
    }
    if (!item.discountAmount.IsZero()) {
      pugi::xml_node line_discount = lines.append_child("DiscountAmount");
      Add(line_discount, "Amount", item.discountAmount.ToFixed(2));
      Add(line_discount, "Description", "Desconto promoção");
      net -= item.discountAmount;
    }
    auto& [tax_class, gross] = gross_by_rate[item.tax->rate];
    tax_class = item.tax;
    gross += net;
    total += net;
  }
  receipt.insert_child_before("TotalAmount", lines).text().set(total.ToFixed(2).c_str());

  pugi::xml_node taxes = receipt.append_child("Taxes");
  for (const auto& [rate, class_and_gross] : gross_by_rate) {
    const auto& [tax_class, gross] = class_and_gross;
    const Amount taxable = RoundAmountToCents(gross / (Amount::FromInteger(1) + Percent(rate)));
    pugi::xml_node tax = taxes.append_child("Tax");
    Add(tax, "Type", "VAT");
    Add(tax, "Code", tax_class->code);
    Add(tax, "Description", tax_class->description);
    Add(tax, "Rate", std::to_string(rate));
    Add(tax, "TaxableAmount", taxable.ToFixed(2));
    Add(tax, "TaxAmount", (gross - taxable).ToFixed(2));
    Add(tax, "TotalAmount", gross.ToFixed(2));
  }

  pugi::xml_node payments = receipt.append_child("Payments");
  Amount paid;
  for (const Tender& tender : sale.tenders) {
    const Amount amount = tender.amount.IsZero() ? total - paid : tender.amount;
    pugi::xml_node payment = payments.append_child("Payment");
    Add(payment, "Type", tender.type);
    Add(payment, "Amount", amount.ToFixed(2));
    Add(payment, "Currency", "EUR");
    paid += amount;
  }
  if (paid > total) {
    pugi::xml_node change = payments.append_child("Payment");
    Add(change, "Type", "change");
    Add(change, "Amount", (paid - total).ToFixed(2));
    Add(change, "Currency", "EUR");
  }
  return XmlText(document);
}

std::string ComposeVoid(const DocumentReference& original, const std::string& business_date,
                        const std::string& date_time, const std::string& operator_code) {
  pugi::xml_document document;
  pugi::xml_node receipt = Header(document, "Void", business_date, date_time, operator_code);
  AddReference(receipt, original);
  Add(receipt, "TotalAmount", "0");
  receipt.append_child("Lines");
  receipt.append_child("Taxes");
  receipt.append_child("Payments");
  return XmlText(document);
}

std::string ComposeReprintReference(const DocumentReference& reference, const std::string& receipt_type) {
  pugi::xml_document document;
  pugi::xml_node root = document.append_child("ReceiptReference");
  Add(root, "ReceiptType", receipt_type);
  Add(root, "DeviceSerialNumber", reference.deviceSerial);
  Add(root, "ReceiptNumber", reference.number);
  Add(root, "ReceiptDateTime", reference.dateTime);
  return XmlText(document);
}

DocumentReference ReferenceOf(const std::string& answer_xml) {
  pugi::xml_document document;
  if (!document.load_string(answer_xml.c_str())) throw std::runtime_error("the answer is no well-formed XML");
  pugi::xml_node receipt = FindDocumentElement(document, "Receipt");
  return {receipt.child("DeviceSerialNumber").text().get(), receipt.child("Number").text().get(),
          receipt.child("DateTime").text().get()};
}

}  // namespace dodu::host

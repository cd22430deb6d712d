#include "pt/fiscal_annotations.h"

#include <algorithm>
#include <cctype>

#include "base/ascii_text.h"
#include "base/conversions.h"
#include "base/error.h"

namespace dodu {

namespace {

std::string Money(Amount value) { return value.ToFixed(2); }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

bool IsReceiptOfCreditNoteKind(qvReceiptType type) { return type == rt_Refund || type == rt_Void; }

pugi::xml_node ChildOrNew(pugi::xml_node parent, const char* name) {
  pugi::xml_node child = parent.child(name);
  return child ? child : parent.append_child(name);
}

// Inserts a new element as child number index (from 0) of parent, or last when there are fewer.
pugi::xml_node InsertElementAt(pugi::xml_node parent, const char* name, size_t index) {
  pugi::xml_node at = parent.first_child();
  for (size_t i = 0; at && i < index; ++i) at = at.next_sibling();
  return at ? parent.insert_child_before(name, at) : parent.append_child(name);
}

void AddChild(pugi::xml_node parent, const char* name, const std::string& value) {
  parent.append_child(name).text().set(value.c_str());
}

pugi::xml_node AddTextLine(pugi::xml_node trailer, size_t index, const std::string& value) {
  pugi::xml_node text = InsertElementAt(trailer, "Text", index);
  AddChild(text, "Alignment", "Center");
  AddChild(text, "Value", value);
  AddChild(text, "Size", "1");
  return text;
}

void ShortenCode(pugi::xml_node code) {
  if (!code) return;
  std::string text = code.text().get();
  if (text.size() == 4 && IsNumericText(text)) code.text().set(text.substr(0, 2).c_str());
}

}  // namespace

std::string BuildQRCodeText(const QRCodeValues& v) {
  // A credit note is printed, signed and stored with positive amounts whichever sign the till sent,
  // and the QR code must say what the paper says.
  const bool credit_note = IsReceiptOfCreditNoteKind(v.receiptType);
  const auto money = [credit_note](Amount value) { return Money(credit_note ? value.Abs() : value); };
  std::string text;
  text += "A:" + WithoutCountryPrefix(v.companyTaxCode) + "*";
  text += "B:" + WithoutCountryPrefix(v.customerTaxCode) + "*";
  text += "C:" + QRCodeCustomerCountry(v.customerCountry, v.customerTaxCode) + "*";
  text += credit_note ? "D:NC*" : "D:FR*";
  text += v.receiptType == rt_Void ? "E:A*" : "E:N*";
  text += "F:" + FormatDateTime("yyyymmdd", v.businessDate) + "*";
  text += "G:" + v.invoiceNumber + "*";
  text += "H:" + v.atcud + "*";
  text += "I1:PT*";
  const std::pair<const char*, Amount> by_rate[] = {{"I2:", v.taxable0},  {"I3:", v.taxable6}, {"I4:", v.tax6},
                                                    {"I5:", v.taxable13}, {"I6:", v.tax13},    {"I7:", v.taxable23},
                                                    {"I8:", v.tax23}};
  for (const auto& [key, amount] : by_rate) {
    if (!amount.IsZero()) text += key + money(amount) + "*";
  }
  text += "N:" + money(v.taxTotal) + "*";
  text += "O:" + money(v.totalAmount) + "*";
  text += "Q:" + v.shortHash + "*";
  text += "R:" + std::string(kCertificateNumber);
  return text;
}

std::string WithoutCountryPrefix(const std::string& tax_code) {
  if (tax_code.size() >= 2 && tax_code[0] > '9' && tax_code[1] > '9') return tax_code.substr(2);
  return tax_code;
}

std::string QRCodeCustomerCountry(const std::string& country, const std::string& tax_code) {
  if (AsciiLower(country) == AsciiLower(kUnknownCountry)) return kUnknownCountry;
  if (!country.empty()) return AsciiUpper(country);
  if (tax_code.size() >= 2 && IsAsciiLetter(tax_code[0]) && IsAsciiLetter(tax_code[1]))
    return AsciiUpper(tax_code.substr(0, 2));
  if (tax_code.size() == 9 && std::all_of(tax_code.begin(), tax_code.end(), IsAsciiDigit)) return "PT";
  return kUnknownCountry;
}

std::vector<std::string> BuildTrailerLines(const std::vector<ExemptionLine>& exemptions,
                                           const std::string& documentCode, const std::string& sourceBilling,
                                           const std::string& manualDocumentNumber, const std::string& shortHash,
                                           const std::string& atcud) {
  std::vector<std::string> lines{""};
  for (const ExemptionLine& exemption : exemptions) {
    lines.push_back(exemption.taxCode + " = " + exemption.taxDescription);
    lines.push_back("");
  }
  if (!manualDocumentNumber.empty()) {
    lines.push_back("C\u00f3pia do documento original - " + documentCode + sourceBilling + " " + manualDocumentNumber);
    lines.push_back("");
  }
  lines.push_back(shortHash + "-Processado por programa certificado n.\u00b0 " + kCertificateNumber + "/AT");
  lines.push_back("Tillora KRV - Corvane srl");
  lines.push_back("");
  lines.push_back("ATCUD:" + atcud);
  lines.push_back("");
  return lines;
}

void SetChildValue(pugi::xml_node element, const std::string& name, const std::string& value, bool add_when_missing) {
  pugi::xml_node child = element.child(name.c_str());
  if (!child) {
    if (!add_when_missing) return;
    child = element.append_child(name.c_str());
  }
  child.text().set(value.c_str());
}

void InvertChildAmount(pugi::xml_node element, const std::string& name) {
  pugi::xml_node child = element.child(name.c_str());
  if (!child) return;
  const std::string text = child.text().get();
  Amount value;
  if (!Amount::TryParse(text, value)) throw Error("'" + text + "' is not a valid amount in " + name);
  child.text().set(CurrencyToXmlText(-value).c_str());
}

void WriteHeaderAndStoreAddress(pugi::xml_node receipt, const HeaderValues& v) {
  pugi::xml_node headers = ChildOrNew(receipt, "Headers");
  while (headers.first_child()) headers.remove_child(headers.first_child());
  for (const std::string& line : {v.branchName, v.companyBusinessName, v.companyAddressDetail,
                                  v.companyPostalCode + " " + v.companyCity, "NIPC: " + v.companyVatId}) {
    AddChild(headers, "HeaderLine", line);
  }
  SetChildValue(receipt, "StoreAddress", v.branchAddressDetail, true);
  SetChildValue(receipt, "StoreZipCode", v.branchPostalCode, true);
  SetChildValue(receipt, "StoreCity", v.branchCity, true);
}

void InsertTrailer(pugi::xml_node receipt, const std::vector<std::string>& trailer_lines,
                   const std::string& qr_code_text) {
  pugi::xml_node trailer = ChildOrNew(receipt, "TrailerMessages");
  for (size_t i = 0; i < trailer_lines.size(); ++i) AddTextLine(trailer, i, trailer_lines[i]);
  const size_t n = trailer_lines.size();
  pugi::xml_node barcode = InsertElementAt(trailer, "Barcode", n);
  AddChild(barcode, "Type", "qrcode");
  AddChild(barcode, "HRI", "false");
  AddChild(barcode, "Alignment", "Center");
  AddChild(barcode, "QRCodeMinVersion", "9");
  pugi::xml_node value = barcode.append_child("Value");
  value.text().set(qr_code_text.c_str());
  value.append_attribute("SAFTQRCODE") = "True";
  AddTextLine(trailer, n + 1, "");
  if (!receipt.child("LeaderLines")) receipt.append_child("LeaderLines");
}

void ShortenTaxCodes(pugi::xml_node receipt) {
  for (pugi::xml_node line : receipt.child("Lines").children()) ShortenCode(line.child("TaxCode"));
  for (pugi::xml_node tax : receipt.child("Taxes").children()) ShortenCode(tax.child("Code"));
}

void RemoveClosingSubtotal(pugi::xml_node receipt) {
  pugi::xml_node lines = receipt.child("Lines");
  pugi::xml_node last = lines.last_child();
  while (last && last.type() != pugi::node_element) last = last.previous_sibling();
  if (!last) return;
  std::string name = last.name();
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  if (name == "subtotal") lines.remove_child(last);
}

}  // namespace dodu

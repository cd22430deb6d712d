#include "saft/saft_export.h"

#include <fstream>
#include <map>
#include <random>

#include "base/ascii_text.h"
#include "base/error.h"
#include "saft/invoice_builder.h"
#include "saft/invoice_writer.h"
#include "saft/saft_codes.h"
#include "saft/saft_invoice.h"
#include "saft/store_document_reader.h"
#include "saft/xml_stream_writer.h"

#ifndef DODU_SAFT_PRODUCT_VERSION
#define DODU_SAFT_PRODUCT_VERSION "0"
#endif

namespace dodu {

namespace {

namespace fs = std::filesystem;

constexpr const char* kNamespace = "xmlns=\"urn:OECD:StandardAuditFile-Tax:PT_1.04_01\"";

// The spool file, removed when the export ends, however it ends.
class SpoolFile {
 public:
  explicit SpoolFile(const fs::path& aDirectory) {
    std::random_device random;
    for (int attempt = 0; attempt < 16 && fPath.empty(); ++attempt) {
      fs::path candidate = aDirectory / ("saft-" + std::to_string(random()) + std::to_string(random()) + ".spool");
      if (!fs::exists(candidate)) fPath = candidate;
    }
    if (fPath.empty()) throw Error("no spool file name free in " + aDirectory.string());
    fOut.open(fPath, std::ios::binary | std::ios::trunc);
    if (!fOut) throw Error("cannot create the spool file " + fPath.string());
  }
  ~SpoolFile() {
    fOut.close();
    std::error_code ignored;  // a spool file left behind only wastes room; the export's outcome stands
    fs::remove(fPath, ignored);
  }
  SpoolFile(const SpoolFile&) = delete;
  SpoolFile& operator=(const SpoolFile&) = delete;

  std::ostream& Stream() { return fOut; }
  void CopyTo(std::ostream& aOut) {
    fOut.close();
    if (!fOut) throw Error("cannot write the spool file " + fPath.string());
    std::ifstream in(fPath, std::ios::binary);
    if (!in) throw Error("cannot read the spool file " + fPath.string());
    // Inserting an empty buffer would mark aOut failed: a period without documents.
    if (in.peek() != std::ifstream::traits_type::eof()) aOut << in.rdbuf();
  }

 private:
  fs::path fPath;
  std::ofstream fOut;
};

const StoredCompany& ChooseCompany(const std::vector<StoredCompany>& aCompanies, const std::string& aWanted) {
  if (!aWanted.empty()) {
    for (const StoredCompany& company : aCompanies)
      if (AsciiUpper(SaftTaxNumber(company.vatId)) == AsciiUpper(SaftTaxNumber(aWanted))) return company;
    throw Error("the store has no company " + aWanted + " (SaftCompanyTaxID)");
  }
  if (aCompanies.size() == 1) return aCompanies.front();
  if (aCompanies.empty()) throw Error("the store has no company (CompanyRecord is empty)");
  std::string names;
  for (const StoredCompany& company : aCompanies) names += (names.empty() ? "" : ", ") + company.vatId;
  throw Error("the store holds " + std::to_string(aCompanies.size()) + " companies (" + names +
              "); name the one to export with SaftCompanyTaxID in qvSAFTPT.ini");
}

std::string Money(Amount aValue) { return aValue.ToFixed(2); }

void WriteAddress(XmlStreamWriter& aXml, const char* aName, const std::string& aDetail, const std::string& aCity,
                  const std::string& aPostalCode, const std::string& aCountry) {
  aXml.Open(aName);
  aXml.Element("AddressDetail", aDetail);
  aXml.Element("City", aCity);
  aXml.Element("PostalCode", aPostalCode);
  aXml.Element("Country", aCountry);
  aXml.Close();
}

void WriteHeader(XmlStreamWriter& aXml, const StoredCompany& aCompany, const std::string& aTaxNumber,
                 const SaftExportRequest& aRequest) {
  const SaftSettings& settings = aRequest.settings;
  aXml.Open("Header");
  aXml.Element("AuditFileVersion", "1.04_01");
  aXml.Element("CompanyID", aTaxNumber);
  aXml.Element("TaxRegistrationNumber", aTaxNumber);
  aXml.Element("TaxAccountingBasis", "F");
  aXml.Element("CompanyName", FittedText(aCompany.businessName, 100));
  WriteAddress(aXml, "CompanyAddress", FittedText(aCompany.addressDetail, 210), FittedText(aCompany.city, 50),
               FittedText(aCompany.postalCode, 20), "PT");
  aXml.Element("FiscalYear", std::to_string(aRequest.period.year));
  aXml.Element("StartDate", aRequest.period.from);
  aXml.Element("EndDate", aRequest.period.to);
  aXml.Element("CurrencyCode", "EUR");
  aXml.Element("DateCreated", aRequest.creationDate);
  aXml.Element("TaxEntity", "Global");
  aXml.Element("ProductCompanyTaxID", FittedText(settings.producerTaxId, 30));
  aXml.Element("SoftwareCertificateNumber", settings.certificateNumber);
  aXml.Element("ProductID", FittedText(settings.productId, 255));
  aXml.Element("ProductVersion",
               FittedText(settings.productVersion.empty() ? DODU_SAFT_PRODUCT_VERSION : settings.productVersion, 30));
  aXml.Close();
}

void WriteMasterFiles(XmlStreamWriter& aXml, const std::map<std::string, SaftCustomer>& aCustomers,
                      const std::map<std::string, SaftProduct>& aProducts) {
  aXml.Open("MasterFiles");
  for (const auto& [id, customer] : aCustomers) {
    aXml.Open("Customer");
    aXml.Element("CustomerID", customer.id);
    aXml.Element("AccountID", kUnknown);
    aXml.Element("CustomerTaxID", customer.taxId);
    aXml.Element("CompanyName", customer.name);
    WriteAddress(aXml, "BillingAddress", customer.addressDetail, customer.city, customer.postalCode, customer.country);
    aXml.Element("SelfBillingIndicator", "0");
    aXml.Close();
  }
  for (const auto& [code, product] : aProducts) {
    aXml.Open("Product");
    aXml.Element("ProductType", product.type);
    aXml.Element("ProductCode", product.code);
    aXml.Element("ProductDescription", product.description);
    aXml.Element("ProductNumberCode", product.code);
    aXml.Close();
  }
  aXml.Open("TaxTable");
  for (const SaftTaxClass& tax_class : SaftMainlandTaxClasses()) {
    aXml.Open("TaxTableEntry");
    aXml.Element("TaxType", "IVA");
    aXml.Element("TaxCountryRegion", "PT");
    aXml.Element("TaxCode", tax_class.code);
    aXml.Element("Description", tax_class.description);
    aXml.Element("TaxPercentage", std::to_string(tax_class.percentage));
    aXml.Close();
  }
  aXml.Close();
  aXml.Close();
}

}  // namespace

SaftExportResult ExportSaft(tQV_VendizioProxy& aProxy, const SaftExportRequest& aRequest, std::ostream& aOut) {
  const StoredCompany company = ChooseCompany(ReadStoredCompanies(aProxy), aRequest.settings.companyTaxId);
  const std::string tax_number = SaftTaxNumber(company.vatId);
  if (tax_number.size() != 9 || tax_number.find_first_not_of("0123456789") != std::string::npos || tax_number[0] == '0')
    throw Error("the company's tax number '" + company.vatId + "' is no Portuguese tax number of nine digits");

  SaftExportResult result;
  std::map<std::string, SaftCustomer> customers;
  std::map<std::string, SaftProduct> products;
  Amount total_debit, total_credit;
  SpoolFile spool(aRequest.spoolDirectory);
  XmlStreamWriter invoices(spool.Stream(), 3);
  StoreDocumentReader reader(aProxy, aRequest.period);
  StoredDocumentRow row;
  while (reader.Next(row)) {
    SaftInvoice invoice = BuildSaftInvoice(row, aRequest.settings, result.notes);
    // A store may hold several companies; their documents belong in their own files.
    if (!invoice.companyTaxCode.empty() && AsciiUpper(SaftTaxNumber(invoice.companyTaxCode)) != AsciiUpper(tax_number)) {
      result.notes.push_back("document " + invoice.invoiceNo + " belongs to the company " + invoice.companyTaxCode +
                             ", not to " + company.vatId + "; it is not in this file");
      continue;
    }
    customers.try_emplace(invoice.customer.id, invoice.customer);
    for (const SaftProduct& product : invoice.products) products.try_emplace(product.code, product);
    ++result.documents;
    if (invoice.status == "A") {
      ++result.voided;
    } else {
      total_debit += invoice.debitSum;
      total_credit += invoice.creditSum;
    }
    WriteInvoice(invoices, invoice);
    if (!spool.Stream()) throw Error("cannot write the spool file in " + aRequest.spoolDirectory.string());
  }

  XmlStreamWriter xml(aOut);
  xml.Declaration();
  xml.Open("AuditFile", kNamespace);
  WriteHeader(xml, company, tax_number, aRequest);
  WriteMasterFiles(xml, customers, products);
  xml.Open("SourceDocuments");
  xml.Open("SalesInvoices");
  xml.Element("NumberOfEntries", std::to_string(result.documents));
  xml.Element("TotalDebit", Money(total_debit));
  xml.Element("TotalCredit", Money(total_credit));
  spool.CopyTo(aOut);
  xml.Close();
  xml.Close();
  xml.Close();
  aOut.flush();
  if (!aOut) throw Error("writing the SAF-T file failed");
  return result;
}

}  // namespace dodu

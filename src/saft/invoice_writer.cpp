#include "saft/invoice_writer.h"

#include "base/amount.h"

namespace dodu {

namespace {

std::string Money(Amount aValue) { return aValue.ToFixed(2); }

}  // namespace

void WriteInvoice(XmlStreamWriter& aXml, const SaftInvoice& aInvoice) {
  aXml.Open("Invoice");
  aXml.Element("InvoiceNo", aInvoice.invoiceNo);
  aXml.Element("ATCUD", aInvoice.atcud);
  aXml.Open("DocumentStatus");
  aXml.Element("InvoiceStatus", aInvoice.status);
  aXml.Element("InvoiceStatusDate", aInvoice.statusDate);
  aXml.Element("SourceID", aInvoice.statusSourceId);
  aXml.Element("SourceBilling", aInvoice.sourceBilling);
  aXml.Close();
  aXml.Element("Hash", aInvoice.hash);
  aXml.Element("HashControl", aInvoice.hashControl);
  aXml.Element("InvoiceDate", aInvoice.invoiceDate);
  aXml.Element("InvoiceType", aInvoice.invoiceType);
  aXml.Open("SpecialRegimes");
  aXml.Element("SelfBillingIndicator", "0");
  aXml.Element("CashVATSchemeIndicator", "0");
  aXml.Element("ThirdPartiesBillingIndicator", "0");
  aXml.Close();
  aXml.Element("SourceID", aInvoice.sourceId);
  aXml.Element("SystemEntryDate", aInvoice.systemEntryDate);
  aXml.Element("CustomerID", aInvoice.customer.id);
  int number = 0;
  for (const SaftLine& line : aInvoice.lines) {
    aXml.Open("Line");
    aXml.Element("LineNumber", std::to_string(++number));
    aXml.Element("ProductCode", line.productCode);
    aXml.Element("ProductDescription", line.productDescription);
    aXml.Element("Quantity", line.quantity.ToText());
    aXml.Element("UnitOfMeasure", line.unitOfMeasure);
    aXml.Element("UnitPrice", line.unitPrice);
    aXml.Element("TaxPointDate", aInvoice.invoiceDate);
    if (!line.reference.empty()) {
      aXml.Open("References");
      aXml.Element("Reference", line.reference);
      aXml.Close();
    }
    aXml.Element("Description", line.productDescription);
    aXml.Element(line.debit ? "DebitAmount" : "CreditAmount", Money(line.amount));
    aXml.Open("Tax");
    aXml.Element("TaxType", "IVA");
    aXml.Element("TaxCountryRegion", "PT");
    aXml.Element("TaxCode", line.taxCode);
    aXml.Element("TaxPercentage", std::to_string(line.taxPercentage));
    aXml.Close();
    if (!line.exemptionCode.empty()) {
      aXml.Element("TaxExemptionReason", line.exemptionReason);
      aXml.Element("TaxExemptionCode", line.exemptionCode);
    }
    aXml.Close();
  }
  aXml.Open("DocumentTotals");
  aXml.Element("TaxPayable", Money(aInvoice.taxPayable));
  aXml.Element("NetTotal", Money(aInvoice.netTotal));
  aXml.Element("GrossTotal", Money(aInvoice.grossTotal));
  for (const SaftPayment& payment : aInvoice.payments) {
    aXml.Open("Payment");
    aXml.Element("PaymentMechanism", payment.mechanism);
    aXml.Element("PaymentAmount", Money(payment.amount));
    aXml.Element("PaymentDate", aInvoice.invoiceDate);
    aXml.Close();
  }
  aXml.Close();
  aXml.Close();
}

}  // namespace dodu

// Feeds arbitrary stored documents to the SAF-T export's invoice builder: the first line of an
// input is the row's signed text, the rest its receipt XML. A document may be refused only with
// dodu::Error; one that is accepted must add up to the cent (lines, net, VAT, gross) and its
// written Invoice must be well-formed XML. Anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/amount.h"
#include "base/error.h"
#include "saft/invoice_builder.h"
#include "saft/invoice_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  const std::string input(reinterpret_cast<const char*>(aData), aSize);
  const size_t line_end = input.find('\n');
  dodu::StoredDocumentRow row;
  row.seriesCode = "FR2026A";
  row.number = 1;
  row.invoiceNumber = "FR FR2026A/0000001";
  row.status = aSize % 2 == 0 ? "N" : "A";
  row.documentType = aSize % 3 == 0 ? "NC" : "FR";
  row.operatorCode = "OP";
  row.systemEntryDateTime = row.lastStatusDateTime = "2026-01-02T10:00:00";
  row.hash = "c2lnbmF0dXJl";
  row.atcud = "ABCD-0000001";
  row.hashedString = input.substr(0, line_end);
  row.receiptXml = line_end == std::string::npos ? "" : input.substr(line_end + 1);
  std::vector<std::string> notes;
  dodu::SaftInvoice invoice;
  try {
    invoice = dodu::BuildSaftInvoice(row, dodu::SaftSettings{}, notes);
  } catch (const dodu::Error&) {
    return 0;
  }
  dodu::Amount credit, debit;
  for (const dodu::SaftLine& line : invoice.lines) {
    if (dodu::RoundAmountToCents(line.quantity * dodu::Amount::Parse(line.unitPrice)) != line.amount) std::abort();
    (line.debit ? debit : credit) += line.amount;
  }
  if ((invoice.invoiceType == "NC" ? debit - credit : credit - debit) != invoice.netTotal) std::abort();
  if (invoice.netTotal + invoice.taxPayable != invoice.grossTotal) std::abort();
  std::ostringstream out;
  dodu::XmlStreamWriter xml(out);
  dodu::WriteInvoice(xml, invoice);
  pugi::xml_document written;
  if (!written.load_string(out.str().c_str())) std::abort();
  return 0;
}

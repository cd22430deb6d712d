#include "saft/store_document_reader.h"

#include "base/conversions.h"
#include "db/vendizio_dataset.h"
#include "db/vendizio_proxy.h"

namespace dodu {

namespace {

// Standard SQL (SQL Server 2012 on, PostgreSQL) says OFFSET ... FETCH; SQLite only knows LIMIT.
std::string PageLimit(const SqlDialect& aDialect, int aRows) {
  if (aDialect.Kind() == tQV_SqlDialectKind::SQLite) return " limit " + std::to_string(aRows);
  return " offset 0 rows fetch next " + std::to_string(aRows) + " rows only";
}

std::string Text(const tQV_VendizioDataset& aRow, const char* aName) { return aRow.FieldByName(aName).AsString(); }

}  // namespace

std::string DocumentPageStatement(tQV_VendizioProxy& aProxy, const SaftPeriod& aPeriod, PageStart aStart,
                                  const std::string& aLastSeries, int64_t aLastNumber, int aRows) {
  // The signed text starts with the invoice date (yyyy-mm-dd;...), so the period is a range of
  // that text: portable, and exactly the date the document carries in the file.
  std::string sql =
      "select Serie,Number,ReceiptNumber,Status,DocumentType,ReceiptOperator,LastReceiptStatusOperator,"
      "SystemEntryDateTime,LastStatusDateTime,PreviousHash,Hash,HashedString,SourceBilling,ManualDocumentNumber,"
      "FiscalId,Totalamount,Receipt from Receipts where HashedString>=" +
      SqlQuoted(aPeriod.from) + " and HashedString<" + SqlQuoted(aPeriod.dayAfterTo);
  if (aStart == PageStart::kSameSeries)
    sql += " and Serie=" + SqlQuoted(aLastSeries) + " and Number>" + std::to_string(aLastNumber);
  else if (aStart == PageStart::kLaterSeries)
    sql += " and Serie>" + SqlQuoted(aLastSeries);
  sql += " order by Serie,Number" + PageLimit(aProxy.Dialect(), aRows);
  return sql;
}

StoreDocumentReader::StoreDocumentReader(tQV_VendizioProxy& aProxy, const SaftPeriod& aPeriod)
    : fProxy(aProxy), fPeriod(aPeriod) {}

StoreDocumentReader::~StoreDocumentReader() = default;

void StoreDocumentReader::ReadPage(PageStart aStart) {
  fPage = fProxy.CreateDataset(DocumentPageStatement(fProxy, fPeriod, aStart, fLastSeries, fLastNumber, kPageRows));
  fPageRowsLeft = static_cast<int>(fPage->RecordCount());
}

bool StoreDocumentReader::Next(StoredDocumentRow& aRow) {
  if (fEnded) return false;
  if (fPageRowsLeft == 0) {
    if (!fStarted) {
      ReadPage(PageStart::kFirst);
      fStarted = true;
    } else {
      // The rest of the series, else the series after it.
      ReadPage(PageStart::kSameSeries);
      if (fPageRowsLeft == 0) ReadPage(PageStart::kLaterSeries);
    }
    if (fPageRowsLeft == 0) {
      fEnded = true;
      return false;
    }
  } else {
    fPage->Next();
  }
  --fPageRowsLeft;
  const tQV_VendizioDataset& row = *fPage;
  aRow.seriesCode = Text(row, "Serie");
  aRow.number = row.FieldByName("Number").AsInteger();
  aRow.invoiceNumber = Text(row, "ReceiptNumber");
  aRow.status = Text(row, "Status");
  aRow.documentType = Text(row, "DocumentType");
  aRow.operatorCode = Text(row, "ReceiptOperator");
  aRow.statusOperator = Text(row, "LastReceiptStatusOperator");
  aRow.systemEntryDateTime = Text(row, "SystemEntryDateTime");
  aRow.lastStatusDateTime = Text(row, "LastStatusDateTime");
  aRow.previousHash = Text(row, "PreviousHash");
  aRow.hash = Text(row, "Hash");
  aRow.hashedString = Text(row, "HashedString");
  aRow.sourceBilling = Text(row, "SourceBilling");
  aRow.manualDocumentNumber = Text(row, "ManualDocumentNumber");
  aRow.atcud = Text(row, "FiscalId");
  aRow.totalAmount = Text(row, "Totalamount");
  aRow.receiptXml = Text(row, "Receipt");
  fLastSeries = aRow.seriesCode;
  fLastNumber = aRow.number;
  return true;
}

std::vector<StoredCompany> ReadStoredCompanies(tQV_VendizioProxy& aProxy) {
  std::unique_ptr<tQV_VendizioDataset> rows = aProxy.CreateDataset(
      "select Company_VatId,Company_BusinessName,Company_AddressDetail,Company_City,Company_PostalCode "
      "from CompanyRecord order by Company_VatId");
  std::vector<StoredCompany> companies;
  for (; !rows->Eof(); rows->Next()) {
    companies.push_back({Text(*rows, "Company_VatId"), Text(*rows, "Company_BusinessName"),
                         Text(*rows, "Company_AddressDetail"), Text(*rows, "Company_City"),
                         Text(*rows, "Company_PostalCode")});
  }
  return companies;
}

}  // namespace dodu

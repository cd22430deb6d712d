// Sale, credit note and void: numbering under the series lock, signing, annotating, storing.
#include <optional>
#include <utility>

#include "base/conversions.h"
#include "base/error.h"
#include "db/vendizio_dataset.h"
#include "db/vendizio_proxy.h"
#include "driver/fiscal_processor_handler.h"
#include "platform/files.h"
#include "pt/country_table.h"
#include "pt/crypto_service.h"
#include "pt/declared_total_check.h"
#include "pt/document_limits.h"
#include "pt/document_series.h"
#include "pt/fiscal_annotations.h"
#include "pt/fiscal_processor_pt.h"
#include "pt/pending_files.h"
#include "pt/receipt_document.h"
#include "pt/signature_chain.h"
#include "pt/store_statements.h"
#include "receipt/receipt_util.h"

namespace dodu {

namespace {

bool IsSaleType(qvReceiptType type) {
  return type == rt_Sale || type == rt_InvoiceSale || type == rt_InvoiceSaleFromReceipt;
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// The customer fields a credit note takes over from the document it refunds, in writing order.
struct CustomerField {
  const char* element;
  std::string kReceipt::*field;
};
const CustomerField kCustomerFields[] = {
    {"CustomerBusinessName", &kReceipt::fCustomerBusinessName},
    {"CustomerName", &kReceipt::fCustomerName},
    {"CustomerSurname", &kReceipt::fCustomerSurname},
    {"CustomerAddress", &kReceipt::fCustomerAddress},
    {"CustomerZipCode", &kReceipt::fCustomerZipCode},
    {"CustomerCity", &kReceipt::fCustomerCity},
    {"CustomerProvince", &kReceipt::fCustomerProvince},
    {"CustomerCountry", &kReceipt::fCustomerCountry},
    {"CustomerTaxCode", &kReceipt::fCustomerTaxCode},
    {"CustomerFiscalCode", &kReceipt::fCustomerFiscalCode},
};

// What a document takes from the company and branch rows.
struct Issuer {
  HeaderValues header;
  std::string documentType, seriesTemplate;
};

// Steps 3 and 4: the company and the branch. False, with the error set on the handler, when
// either row is missing; nothing is locked or written.
bool LookUpIssuer(const kReceipt& R, bool credit_note, StoreStatements& store, kIOHandler& io, Issuer& issuer) {
  auto company = store.SelectCompany(R.fCompanyTaxCode);
  if (company->Eof()) {
    io.SetCustomError(-1, "Company " + R.fCompanyTaxCode + " not found");
    return false;
  }
  HeaderValues& h = issuer.header;
  h.companyBusinessName = company->FieldByName("Company_BusinessName").AsString();
  h.companyAddressDetail = company->FieldByName("Company_AddressDetail").AsString();
  h.companyCity = company->FieldByName("Company_City").AsString();
  h.companyPostalCode = company->FieldByName("Company_PostalCode").AsString();
  h.companyVatId = company->FieldByName("Company_VATId").AsString();

  auto branch = store.SelectBranch(R.fStoreCode);
  if (branch->Eof()) {
    io.SetCustomError(-1, "Branch " + R.fStoreCode + " not found");
    return false;
  }
  issuer.documentType = branch->FieldByName(credit_note ? "CreditNoteDocumentType" : "InvoiceDocumentType").AsString();
  issuer.seriesTemplate =
      branch->FieldByName(credit_note ? "CreditNoteSerieTemplate" : "InvoiceSerieTemplate").AsString();
  h.branchName = branch->FieldByName("Branch_Name").AsString();
  h.branchAddressDetail = branch->FieldByName("Branch_AddressDetail").AsString();
  h.branchCity = branch->FieldByName("Branch_City").AsString();
  h.branchPostalCode = branch->FieldByName("Branch_PostalCode").AsString();
  return true;
}

// The fixed values of one document, known before its series is locked.
struct DocumentPlan {
  std::string seriesCode, checkFile, sourceBilling, manualDocumentNumber, deviceSerial;
  Amount grossTotal;
  DateTime documentDateTime, businessDate;
  int32_t zReportNumber = 0;
};

DocumentPlan PlanDocument(const kReceipt& R, const Issuer& issuer, int32_t z_report_number) {
  DocumentPlan plan;
  plan.seriesCode = BuildSeriesCode(issuer.seriesTemplate, issuer.documentType, R.fStoreCode, R.fTillCode,
                                    R.fBusinessDate, R.ReceiptSubtype());
  const bool manual = R.ReceiptSubtype() == "M" || R.ReceiptSubtype() == "D";
  plan.sourceBilling = manual ? R.ReceiptSubtype() : std::string();
  plan.manualDocumentNumber = manual ? R.fExternalReference : std::string();
  // The series code names the check file, the lock and the pending files: refuse it before
  // anything is locked, numbered or written.
  CheckSeriesCodeLength(plan.seriesCode);
  plan.checkFile = CheckFileName(plan.seriesCode);
  plan.grossTotal = R.fTotalAmount.Abs();
  plan.documentDateTime = R.fReceiptDateTime;
  plan.businessDate = R.fBusinessDate;
  plan.deviceSerial = R.fCompanyCode + "-" + R.fStoreCode;
  plan.zReportNumber = z_report_number;
  return plan;
}

// Holds the series lock from the moment it is granted until the document's outcome stands.
class SeriesLock {
 public:
  SeriesLock(StoreStatements& store, const std::string& series_code) : fStore(store), fCode(series_code) {
    if (!fStore.LockSeries(fCode)) {
      throw Error("Serie [" + fCode + "] is being numbered by another till: lock not granted within " +
                  std::to_string(kSeriesLockTimeoutMs) + " ms. Nothing was numbered; try again.");
    }
  }
  ~SeriesLock() {
    try {
      fStore.UnlockSeries(fCode);
    } catch (...) {
      // The lock ends with the session at the latest; the document's outcome stands.
    }
  }
  SeriesLock(const SeriesLock&) = delete;
  SeriesLock& operator=(const SeriesLock&) = delete;

 private:
  StoreStatements& fStore;
  const std::string& fCode;
};

// The number a document gets in its series.
struct Numbering {
  SeriesState series;
  int32_t number = 0;
  std::string invoiceNumber, atcud;
};

// Under the series lock: the series row and its checks. Raises, with nothing numbered, for a
// closed or unregistered series, a check file that disagrees with the store, or a document dated
// before the series' last one.
Numbering NumberDocument(const DocumentPlan& plan, const std::string& document_type, int32_t check_number,
                         const SeriesState& series_row, StoreStatements& store) {
  Numbering n;
  n.series = series_row;
  const SeriesState& series = n.series;
  if (series.closed) throw Error("Serie [" + plan.seriesCode + "] is Closed");
  if (series.validationCode.empty())
    throw Error("Serie Validation Code from serie [" + plan.seriesCode + "] is missing.");
  if (check_number != series.lastNumber) {
    throw Error("Last Number for Serie [" + plan.seriesCode + "] does not match [DB=" +
                std::to_string(series.lastNumber) + " CK=" + std::to_string(check_number) + "]");
  }
  // Seven digits are printed and signed: an eighth would repeat invoice numbers and ATCUDs.
  if (series.lastNumber >= kLastSeriesNumber)
    throw Error("Serie [" + plan.seriesCode + "] is full: register a new series");
  n.number = series.lastNumber + 1;
  n.invoiceNumber = BuildInvoiceNumber(document_type, plan.seriesCode, n.number);
  n.atcud = BuildATCUD(series.validationCode, n.number);
  if (!series.lastDate.IsZero() && series.lastDate > plan.documentDateTime) {
    throw Error("Invoice date " + DateTimeToText(plan.documentDateTime) +
                " is less than the date if last Invoice issued " + DateTimeToText(series.lastDate));
  }
  // The signed invoice date is the business date: it must not go back either.
  if (series.lastNumber > 0) {
    const DateTime last_business_date =
        BusinessDateOfSignedText(store.LoadDocumentState(plan.seriesCode, series.lastNumber).signedText);
    if (!last_business_date.IsZero() && DateOf(plan.businessDate) < last_business_date) {
      throw Error("Invoice date " + DateTimeToText(DateOf(plan.businessDate)) +
                  " is less than the date if last Invoice issued " + DateTimeToText(last_business_date));
    }
  }
  return n;
}

// The stored document a refund refers to; the reference's invoice number, when given, says which.
FoundReceipt FindOriginalOfRefund(const kReceipt& R, StoreStatements& store) {
  const qvOriginalReceipt& original = R.fOriginalReceipt;
  return store.FindStoredReceipt(original.DeviceSerialNumber, original.ReceiptNumber, original.ReceiptDateTime,
                                 {original.InvoiceNumber, ""});
}

// A refund takes the reference and the customer of the document it refunds, when that is found.
void TakeOriginalOfRefund(pugi::xml_node E, kReceipt& R, const FoundReceipt& row) {
  if (!row.found) return;
  if (pugi::xml_node reference = E.child("References").child("OriginalReceipt")) {
    SetChildValue(reference, "InvoiceNumber", row.receiptNumber, true);
    SetChildValue(reference, "InvoiceDateTime", DateTimeToXmlText(false, row.receiptDateTime), true);
  }
  ReceiptDocument stored(row.receipt, "stored original receipt");
  for (const CustomerField& field : kCustomerFields)
    R.*field.field = krptUtil::GetNodeValueAsString(stored.Receipt(), field.element);
  // Receipts carry the postal code as CustomerZIPCode, read before CustomerZipCode: take it the
  // same way, or a credit note would lose the code of its original.
  const std::string zip = krptUtil::GetNodeValueAsString(stored.Receipt(), "CustomerZIPCode");
  if (!zip.empty()) R.fCustomerZipCode = zip;
  for (const CustomerField& field : kCustomerFields) SetChildValue(E, field.element, R.*field.field, true);
  SetChildValue(E, "CustomerZIPCode", R.fCustomerZipCode, false);
}

// A sale below zero is issued as a credit note with its amounts positive; R keeps its own
// signed amounts.
void TurnNegativeSaleIntoCreditNote(pugi::xml_node E, kReceipt& R) {
  SetChildValue(E, "Type", "Refund", true);
  R.fReceiptType = rt_Refund;
  InvertChildAmount(E, "TotalAmount");
  for (pugi::xml_node line : E.child("Lines").children()) {
    if (line.type() != pugi::node_element) continue;
    if (std::string(line.name()) == "ProductReturn") {
      InvertChildAmount(line, "Amount");
    } else {
      InvertChildAmount(line, "Quantity");
      InvertChildAmount(line, "Amount");
      InvertChildAmount(line, "Price");
    }
  }
  for (pugi::xml_node tax : E.child("Taxes").children()) {
    if (tax.type() != pugi::node_element) continue;
    InvertChildAmount(tax, "TaxableAmount");
    InvertChildAmount(tax, "TaxAmount");
    InvertChildAmount(tax, "TotalAmount");
  }
}

// Steps 12 to 18: the numbered document's own fields, the original of a refund, the sign of a
// negative sale, the document kind and the customer defaults. Answers the document code.
std::string EditNumberedReceipt(pugi::xml_node E, kReceipt& R, const HeaderValues& header, const DocumentPlan& plan,
                                const Numbering& n, const FoundReceipt& original) {
  R.fInvoiceNumber = n.invoiceNumber;
  R.fInvoiceDateTime = plan.documentDateTime;
  WriteHeaderAndStoreAddress(E, header);
  const std::string date_time_text = DateTimeToXmlText(false, plan.documentDateTime);
  SetChildValue(E, "Number", std::to_string(n.number), true);
  SetChildValue(E, "DateTime", date_time_text, true);
  SetChildValue(E, "ZReportNumber", std::to_string(plan.zReportNumber), true);
  SetChildValue(E, "InvoiceNumber", n.invoiceNumber, true);
  SetChildValue(E, "DeviceSerialNumber", plan.deviceSerial, true);
  SetChildValue(E, "InvoiceDateTime", date_time_text, true);

  if (R.fReceiptType == rt_Refund) TakeOriginalOfRefund(E, R, original);
  if (R.fTotalAmount < Amount() && IsSaleType(R.fReceiptType)) TurnNegativeSaleIntoCreditNote(E, R);

  std::string document_code;
  if (R.fReceiptType == rt_Refund || R.fReceiptType == rt_Void) {
    SetChildValue(E, "ReceiptTypeDescription", "Nota de Cr\u00e9dito", true);
    document_code = "NC";
  } else if (IsSaleType(R.fReceiptType)) {
    SetChildValue(E, "ReceiptTypeDescription", "Fatura/Recibo", true);
    document_code = "FR";
  }

  if (R.fCustomerTaxCode.empty() || R.fCustomerTaxCode == "PT") {
    R.fCustomerTaxCode = "999999990";
    if (R.fCustomerBusinessName.empty()) R.fCustomerBusinessName = "CONSUMIDOR FINAL";
    if (R.fCustomerCountry.empty()) R.fCustomerCountry = "Desconhecido";
    SetChildValue(E, "CustomerTaxCode", R.fCustomerTaxCode, true);
    SetChildValue(E, "CustomerBusinessName", R.fCustomerBusinessName, true);
    SetChildValue(E, "CustomerCountry", R.fCustomerCountry, true);
  }
  R.fCustomerCountryDescription = CountryDescription(R.fCustomerCountry);
  SetChildValue(E, "CustomerCountryDescription", R.fCustomerCountryDescription, true);
  return document_code;
}

// The signature of a document, chained to the series' previous one.
struct Signature {
  DateTime systemEntry;
  std::string signedText, signature, shortHash;
};

Signature SignDocument(const kReceipt& R, const Numbering& n) {
  Signature s;
  s.systemEntry = WholeSeconds(Now());
  s.signedText = BuildSignedText(R.fBusinessDate, s.systemEntry, n.invoiceNumber, R.fTotalAmount, n.series.lastHash);
  s.signature = SignText(s.signedText);
  s.shortHash = ShortHash(s.signature);
  return s;
}

// Step 20: the QR code, the trailer and the tax lines as printed.
void WriteFiscalTexts(pugi::xml_node E, const kReceipt& R, const DocumentPlan& plan, const Numbering& n,
                      const Signature& s, const std::string& document_code) {
  QRCodeValues qr;
  qr.companyTaxCode = R.fCompanyTaxCode;
  qr.customerTaxCode = R.fCustomerTaxCode;
  qr.customerCountry = R.fCustomerCountry;
  qr.receiptType = R.fReceiptType;
  qr.businessDate = R.fBusinessDate;
  qr.invoiceNumber = R.fInvoiceNumber;
  qr.atcud = n.atcud;
  const Amount rate0 = Amount::FromInteger(0), rate6 = Amount::FromInteger(6), rate13 = Amount::FromInteger(13),
               rate23 = Amount::FromInteger(23);
  qr.taxable0 = R.fTaxes.GetTaxableAmountByTaxRate(rate0);
  qr.taxable6 = R.fTaxes.GetTaxableAmountByTaxRate(rate6);
  qr.tax6 = R.fTaxes.GetTaxAmountByTaxRate(rate6);
  qr.taxable13 = R.fTaxes.GetTaxableAmountByTaxRate(rate13);
  qr.tax13 = R.fTaxes.GetTaxAmountByTaxRate(rate13);
  qr.taxable23 = R.fTaxes.GetTaxableAmountByTaxRate(rate23);
  qr.tax23 = R.fTaxes.GetTaxAmountByTaxRate(rate23);
  qr.taxTotal = R.fTaxes.Amount();
  qr.totalAmount = R.fTotalAmount;
  qr.shortHash = s.shortHash;

  std::vector<ExemptionLine> exemptions;
  for (const auto& tax : R.fTaxes) {
    if (tax->fTaxRate.IsZero()) exemptions.push_back({tax->fTaxCode, tax->fTaxDescription});
  }
  InsertTrailer(E,
                BuildTrailerLines(exemptions, document_code, plan.sourceBilling, plan.manualDocumentNumber,
                                  s.shortHash, n.atcud),
                BuildQRCodeText(qr));
  ShortenTaxCodes(E);
  RemoveClosingSubtotal(E);
}

StoredDocument RowOf(const kReceipt& R, const DocumentPlan& plan, const Numbering& n, const Signature& s,
                     const std::string& document_code, const std::string& xml_output) {
  StoredDocument row;
  row.seriesCode = plan.seriesCode;
  row.storeCode = R.fStoreCode;
  row.tillCode = R.fTillCode;
  row.number = n.number;
  row.zReportNumber = plan.zReportNumber;
  row.deviceSerial = plan.deviceSerial;
  row.invoiceNumber = n.invoiceNumber;
  row.documentDateTime = plan.documentDateTime;
  row.grossTotal = plan.grossTotal;
  row.systemEntryDateTime = s.systemEntry;
  row.documentCode = document_code;
  row.operatorCode = R.fOperatorCode;
  row.previousHash = n.series.lastHash;
  row.hash = s.signature;
  row.hashedString = s.signedText;
  row.sourceBilling = plan.sourceBilling;
  row.manualDocumentNumber = plan.manualDocumentNumber;
  row.atcud = n.atcud;
  row.receiptXml = xml_output;
  return row;
}

}  // namespace

// The counters are settled against the store before they are used: a pending file left by a
// till that died is put in place or dropped first. The store is reached only when one is there.
void kFiscalProcessor_PT::SettleCounters() {
  if (fFPCounters->FindPending().empty()) return;
  std::unique_ptr<StoreStatements> store = CreateStoreStatements(ProcessDatabaseProxy(), CheckFileDirectory());
  SettlePendingCounters(*fFPCounters, *store);
}

// The side files follow a COMMIT that happened: a failure here is logged, not reported, because
// the document exists and the pending files are settled by the next operation.
void kFiscalProcessor_PT::PutSideFilesInPlace(const std::string& aPendingCounters, const std::string& aCheckFile) {
  try {
    fFPCounters->PutInPlace(aPendingCounters);
    if (!aCheckFile.empty()) PutPendingCheckFileInPlace(aCheckFile);
  } catch (const std::exception& e) {
    fIOHandler->WriteLog(let_error, "PROCESSRECEIPT", std::string("Till files left pending: ") + e.what());
  }
}

// After a failure: the store decides, as it would after a crash, whether the pending files go in
// place or are dropped. When the store cannot be asked they stay for the next operation.
void kFiscalProcessor_PT::SettleSideFilesAfterFailure(StoreStatements& aStore, const std::string& aSeriesCode,
                                                      const std::string& aCheckFile) {
  try {
    SettlePendingCounters(*fFPCounters, aStore);
    if (!aCheckFile.empty()) SettlePendingCheckFile(aSeriesCode, aCheckFile, aStore);
    // What was counted in memory for the failed document goes too.
    fFPCounters->Refresh();
  } catch (const std::exception& e) {
    fIOHandler->Debug(let_error, std::string("Till files left pending: ") + e.what());
  }
}

// A sale or credit note: look up the issuer, lock the series, number, sign, annotate and store the
// document, the storing in one transaction (on SQL Server the numbering too); the till's files are
// pending until the COMMIT and follow it after. Nothing of a refused document is numbered, stored
// or counted.
bool kFiscalProcessor_PT::ProcessReceipt(kFiscalProcessorHandler& aHandler) {
  kReceipt& R = aHandler.fReceipt;
  fIOHandler->WriteLog(let_info, "PROCESSRECEIPT", "BEGIN");
  std::unique_ptr<StoreStatements> store = CreateStoreStatements(ProcessDatabaseProxy(), CheckFileDirectory());

  const bool credit_note = R.fTotalAmount < Amount() || R.fReceiptType == rt_Refund;
  Issuer issuer;
  if (!LookUpIssuer(R, credit_note, *store, *fIOHandler, issuer)) return false;
  if (R.fReceiptType == rt_Void) return ProcessVoid(R, *store);
  LogDeclaredTotalWarning(*fIOHandler, R);
  RefuseImplausibleDocument(R, Now());

  // A credit note must not refer to an annulled sale: refused before anything is numbered.
  FoundReceipt original;
  if (R.fReceiptType == rt_Refund) {
    original = FindOriginalOfRefund(R, *store);
    if (original.found && original.status == "A") {
      fIOHandler->SetCustomError(-53, "Original receipt " + original.receiptNumber +
                                          " is voided: no credit note can refer to it");
      return false;
    }
  }

  SettlePendingCounters(*fFPCounters, *store);
  fFPCounters->Refresh();
  const DocumentPlan plan = PlanDocument(R, issuer, fFPCounters->CurrentZReportNo());
  RefuseUncountableDocument(*fFPCounters, credit_note ? rt_Refund : R.fReceiptType, plan.grossTotal);

  SeriesLock lock(*store, plan.seriesCode);
  SettlePendingCheckFile(plan.seriesCode, plan.checkFile, *store);
  std::string check_text;
  const int32_t check_number = ReadCheckFile(plan.checkFile, check_text) ? CheckNumberOf(check_text) : 0;

  // Where the store's transaction locks the whole store, only the storing runs inside it, so that
  // tills of other series are not held up by this one's signing and file syncs.
  const bool number_first = store->NumbersBeforeTransaction();
  bool in_transaction = false;
  std::string pending_counters;
  try {
    if (!number_first) {
      store->BeginTransaction();
      in_transaction = true;
    }
    const Numbering n = NumberDocument(plan, issuer.documentType, check_number,
                                       number_first ? store->ReadSeries(plan.seriesCode)
                                                    : store->LoadSeries(plan.seriesCode),
                                       *store);
    fATCUD = n.atcud;
    fFPCounters->SetCurrentReceiptNo(n.series.lastNumber);
    fFPCounters->SetLastHash(n.series.lastHash);
    fFPCounters->SetLastDate(n.series.lastDate);
    fFPCounters->SetSerieValidationCode(n.series.validationCode);
    fFPCounters->SetIsClosed(n.series.closed);

    ReceiptDocument document(aHandler.fXmlString, "request");
    const std::string document_code = EditNumberedReceipt(document.Receipt(), R, issuer.header, plan, n, original);
    const Signature s = SignDocument(R, n);
    fShortHash = s.shortHash;
    WriteFiscalTexts(document.Receipt(), R, plan, n, s, document_code);
    fXmlOutput = ReplaceAll(document.Text(), "DESCONTO SUBTOTAL", "DESCONTO GLOBAL");

    // The till's files are written pending before the COMMIT, the one moment the document exists.
    fFPCounters->Refresh();
    fFPCounters->Count(R.fReceiptType, plan.grossTotal);
    const auto write_pending_files = [&] {
      pending_counters = fFPCounters->WritePending({false, plan.seriesCode, n.number, s.signature, DateTime()});
      WritePendingCheckFile(plan.checkFile, n.number);
    };
    if (number_first) {
      write_pending_files();
      store->BeginTransaction();
      in_transaction = true;
      // Nothing but this driver under the series lock changes the row; a store that did must not
      // get a document chained to a signature it no longer holds.
      const SeriesState now = store->LoadSeries(plan.seriesCode);
      if (now.lastNumber != n.series.lastNumber || now.lastHash != n.series.lastHash)
        throw Error("Serie [" + plan.seriesCode + "] changed while the document was numbered");
    }
    store->InsertReceipt(RowOf(R, plan, n, s, document_code, fXmlOutput));
    store->UpdateSeries(plan.seriesCode, n.number, s.signature, plan.documentDateTime);
    if (!number_first) write_pending_files();
    store->CommitTransaction();
  } catch (const std::exception& e) {
    fIOHandler->SetCustomError(-999, e.what());
    // The handler keeps the code only until the next call: the log keeps it for good.
    fIOHandler->WriteLog(let_error, "PROCESSRECEIPT", "Error -999: " + std::string(e.what()));
    if (in_transaction) {
      try {
        store->RollbackTransaction();
      } catch (const std::exception& rollback) {
        fIOHandler->Debug(let_error, std::string("ROLLBACK failed: ") + rollback.what());
      }
    }
    SettleSideFilesAfterFailure(*store, plan.seriesCode, plan.checkFile);
    throw;
  }
  PutSideFilesInPlace(pending_counters, plan.checkFile);
  fIOHandler->WriteLog(let_info, "PROCESSRECEIPT", "END");
  return true;
}

// A void annuls exactly the stored row it found and counts in this till's day; it takes no
// series lock and issues no number. The counters are pending until the row's update is in.
bool kFiscalProcessor_PT::ProcessVoid(kReceipt& R, StoreStatements& store) {
  const qvOriginalReceipt& original = R.fOriginalReceipt;
  FoundReceipt row = store.FindStoredReceipt(original.DeviceSerialNumber, original.ReceiptNumber,
                                             original.ReceiptDateTime, {original.InvoiceNumber, ""});
  fXmlOutput = row.receipt;
  if (!row.found) {
    fIOHandler->SetCustomError(-54, "Receipt not found");
    return false;
  }
  if (row.status == "A") {
    fIOHandler->SetCustomError(-53, "Receipt already voided");
    return false;
  }

  SettlePendingCounters(*fFPCounters, store);
  fFPCounters->Refresh();
  fFPCounters->CountVoid(row.documentCode == "NC", row.grossTotal);
  const CountedDocument void_of_row{true, row.seriesCode, row.number, "", WholeSeconds(Now())};
  const std::string pending_counters = fFPCounters->WritePending(void_of_row);
  bool voided = false;
  try {
    voided = store.VoidStoredReceipt(row, R.fOperatorCode, void_of_row.voidedAt);
  } catch (const std::exception&) {
    SettleSideFilesAfterFailure(store, "", "");
    throw;
  }
  if (!voided) {
    SettleSideFilesAfterFailure(store, "", "");
    fIOHandler->SetCustomError(-53, "Internal Error in voiding the receipt");
    return false;
  }
  PutSideFilesInPlace(pending_counters, "");

  ReceiptDocument document(fXmlOutput, "stored receipt");
  pugi::xml_node E = document.Receipt();
  SetChildValue(E, "Type", "Void", true);
  SetChildValue(E, "OperatorCode", R.fOperatorCode, true);
  SetChildValue(E, "DateTime", DateTimeToXmlText(false, Now()), false);
  fXmlOutput = document.Text();
  return true;
}

}  // namespace dodu

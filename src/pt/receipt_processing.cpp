// Sale, credit note and void: numbering under the series lock, signing, annotating, storing.
#include <optional>

#include "base/conversions.h"
#include "base/error.h"
#include "db/vendizio_dataset.h"
#include "db/vendizio_proxy.h"
#include "driver/fiscal_processor_handler.h"
#include "platform/files.h"
#include "pt/country_table.h"
#include "pt/crypto_service.h"
#include "pt/document_series.h"
#include "pt/fiscal_annotations.h"
#include "pt/fiscal_processor_pt.h"
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

// The file behind a document's counters and check file as they were before it, put back when
// the document does not make it into the store.
class DocumentFilesGuard {
 public:
  void KeepCounters(const kFiscalProcessorCounters& counters) { fCounters = counters.SnapshotFile(); fHaveCounters = true; }
  void KeepCheckFile(const std::string& file) {
    fCheckFile = file;
    fCheckContent = FileExists(file) ? std::optional<std::string>(ReadFileText(file)) : std::nullopt;
    fHaveCheckFile = true;
  }
  void Restore(kFiscalProcessorCounters& counters) {
    if (fHaveCounters) counters.RestoreFile(fCounters);
    if (fHaveCheckFile) {
      if (fCheckContent) WriteFileAtomically(fCheckFile, *fCheckContent);
      else DeleteFile(fCheckFile);
    }
  }

 private:
  bool fHaveCounters = false;
  std::optional<std::string> fCounters;
  bool fHaveCheckFile = false;
  std::string fCheckFile;
  std::optional<std::string> fCheckContent;
};

}  // namespace

bool kFiscalProcessor_PT::ProcessReceipt(kFiscalProcessorHandler& aHandler) {
  kReceipt& R = aHandler.fReceipt;
  fIOHandler->WriteLog(let_info, "PROCESSRECEIPT", "BEGIN");
  std::unique_ptr<StoreStatements> store = CreateStoreStatements(ProcessDatabaseProxy(), CheckFileDirectory());

  const bool credit_note = R.fTotalAmount < Amount() || R.fReceiptType == rt_Refund;

  HeaderValues header;
  {
    auto company = store->SelectCompany(R.fCompanyTaxCode);
    if (company->Eof()) {
      fIOHandler->SetCustomError(-1, "Company " + R.fCompanyTaxCode + " not found");
      return false;
    }
    header.companyBusinessName = company->FieldByName("Company_BusinessName").AsString();
    header.companyAddressDetail = company->FieldByName("Company_AddressDetail").AsString();
    header.companyCity = company->FieldByName("Company_City").AsString();
    header.companyPostalCode = company->FieldByName("Company_PostalCode").AsString();
    header.companyVatId = company->FieldByName("Company_VATId").AsString();
  }
  std::string document_type, series_template;
  {
    auto branch = store->SelectBranch(R.fStoreCode);
    if (branch->Eof()) {
      fIOHandler->SetCustomError(-1, "Branch " + R.fStoreCode + " not found");
      return false;
    }
    document_type = branch->FieldByName(credit_note ? "CreditNoteDocumentType" : "InvoiceDocumentType").AsString();
    series_template = branch->FieldByName(credit_note ? "CreditNoteSerieTemplate" : "InvoiceSerieTemplate").AsString();
    header.branchName = branch->FieldByName("Branch_Name").AsString();
    header.branchAddressDetail = branch->FieldByName("Branch_AddressDetail").AsString();
    header.branchCity = branch->FieldByName("Branch_City").AsString();
    header.branchPostalCode = branch->FieldByName("Branch_PostalCode").AsString();
  }

  if (R.fReceiptType == rt_Void) return ProcessVoid(R, *store);

  const std::string series_code = BuildSeriesCode(series_template, document_type, R.fStoreCode, R.fTillCode,
                                                  R.fBusinessDate, R.ReceiptSubtype());
  const bool manual = R.ReceiptSubtype() == "M" || R.ReceiptSubtype() == "D";
  const std::string source_billing = manual ? R.ReceiptSubtype() : std::string();
  const std::string manual_document_number = manual ? R.fExternalReference : std::string();
  // The series code names the check file and the lock: refuse it before anything is locked.
  const std::string check_file = CheckFileName(series_code);

  fFPCounters->Refresh();
  const int32_t z_report_number = fFPCounters->CurrentZReportNo();
  const Amount gross_total = R.fTotalAmount.Abs();
  const DateTime document_date_time = R.fReceiptDateTime;
  const std::string device_serial = R.fCompanyCode + "-" + R.fStoreCode;

  if (!store->LockSeries(series_code)) {
    throw Error("Serie [" + series_code + "] is being numbered by another till: lock not granted within " +
                std::to_string(kSeriesLockTimeoutMs) + " ms. Nothing was numbered; try again.");
  }
  struct Unlock {
    StoreStatements& store;
    const std::string& code;
    ~Unlock() {
      try {
        store.UnlockSeries(code);
      } catch (...) {
        // The lock ends with the session at the latest; the document's outcome stands.
      }
    }
  } unlock{*store, series_code};

  std::string check_text;
  const int32_t check_number = ReadCheckFile(check_file, check_text) ? CheckNumberOf(check_text) : 0;

  DocumentFilesGuard files;
  try {
    store->BeginTransaction();
    const SeriesState series = store->LoadSeries(series_code);
    fFPCounters->SetCurrentReceiptNo(series.lastNumber);
    fFPCounters->SetLastHash(series.lastHash);
    fFPCounters->SetLastDate(series.lastDate);
    fFPCounters->SetSerieValidationCode(series.validationCode);
    fFPCounters->SetIsClosed(series.closed);

    if (series.closed) throw Error("Serie [" + series_code + "] is Closed");
    if (series.validationCode.empty())
      throw Error("Serie Validation Code from serie [" + series_code + "] is missing.");
    if (check_number != series.lastNumber) {
      throw Error("Last Number for Serie [" + series_code + "] does not match [DB=" +
                  std::to_string(series.lastNumber) + " CK=" + std::to_string(check_number) + "]");
    }
    const int32_t number = series.lastNumber + 1;
    const std::string invoice_number = BuildInvoiceNumber(document_type, series_code, number);
    fATCUD = BuildATCUD(series.validationCode, number);
    if (!series.lastDate.IsZero() && series.lastDate > document_date_time) {
      throw Error("Invoice date " + DateTimeToText(document_date_time) +
                  " is less than the date if last Invoice issued " + DateTimeToText(series.lastDate));
    }

    R.fInvoiceNumber = invoice_number;
    R.fInvoiceDateTime = document_date_time;

    ReceiptDocument document(aHandler.fXmlString, "request");
    pugi::xml_node E = document.Receipt();
    WriteHeaderAndStoreAddress(E, header);
    const std::string date_time_text = DateTimeToXmlText(false, document_date_time);
    SetChildValue(E, "Number", std::to_string(number), true);
    SetChildValue(E, "DateTime", date_time_text, true);
    SetChildValue(E, "ZReportNumber", std::to_string(z_report_number), true);
    SetChildValue(E, "InvoiceNumber", invoice_number, true);
    SetChildValue(E, "DeviceSerialNumber", device_serial, true);
    SetChildValue(E, "InvoiceDateTime", date_time_text, true);

    if (R.fReceiptType == rt_Refund) {
      const qvOriginalReceipt& original = R.fOriginalReceipt;
      FoundReceipt row = store->FindStoredReceipt(original.DeviceSerialNumber, original.ReceiptNumber,
                                                  original.ReceiptDateTime);
      if (row.found) {
        if (pugi::xml_node reference = E.child("References").child("OriginalReceipt")) {
          SetChildValue(reference, "InvoiceNumber", row.receiptNumber, true);
          SetChildValue(reference, "InvoiceDateTime", DateTimeToXmlText(false, row.receiptDateTime), true);
        }
        ReceiptDocument stored(row.receipt, "stored original receipt");
        for (const CustomerField& field : kCustomerFields)
          R.*field.field = krptUtil::GetNodeValueAsString(stored.Receipt(), field.element);
        // Receipts carry the postal code as CustomerZIPCode, read before CustomerZipCode: take it
        // the same way, or a credit note would lose the code of its original.
        const std::string zip = krptUtil::GetNodeValueAsString(stored.Receipt(), "CustomerZIPCode");
        if (!zip.empty()) R.fCustomerZipCode = zip;
        for (const CustomerField& field : kCustomerFields) SetChildValue(E, field.element, R.*field.field, true);
        SetChildValue(E, "CustomerZIPCode", R.fCustomerZipCode, false);
      }
    }

    if (R.fTotalAmount < Amount() && IsSaleType(R.fReceiptType)) {
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

    const DateTime system_entry = WholeSeconds(Now());
    const std::string signed_text =
        BuildSignedText(R.fBusinessDate, system_entry, invoice_number, R.fTotalAmount, series.lastHash);
    const std::string signature = SignText(signed_text);
    fShortHash = ShortHash(signature);

    QRCodeValues qr;
    qr.companyTaxCode = R.fCompanyTaxCode;
    qr.customerTaxCode = R.fCustomerTaxCode;
    qr.customerCountry = R.fCustomerCountry;
    qr.receiptType = R.fReceiptType;
    qr.businessDate = R.fBusinessDate;
    qr.invoiceNumber = R.fInvoiceNumber;
    qr.atcud = fATCUD;
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
    qr.shortHash = fShortHash;

    std::vector<ExemptionLine> exemptions;
    for (const auto& tax : R.fTaxes) {
      if (tax->fTaxRate.IsZero()) exemptions.push_back({tax->fTaxCode, tax->fTaxDescription});
    }
    InsertTrailer(E,
                  BuildTrailerLines(exemptions, document_code, source_billing, manual_document_number, fShortHash,
                                    fATCUD),
                  BuildQRCodeText(qr));
    ShortenTaxCodes(E);
    RemoveClosingSubtotal(E);

    fXmlOutput = ReplaceAll(document.Text(), "DESCONTO SUBTOTAL", "DESCONTO GLOBAL");

    // From here on files change: they are put back when the document does not reach the store.
    files.KeepCounters(*fFPCounters);
    fFPCounters->Update(R.fReceiptType, R.fTotalAmount, signature);

    StoredDocument row;
    row.seriesCode = series_code;
    row.storeCode = R.fStoreCode;
    row.tillCode = R.fTillCode;
    row.number = number;
    row.zReportNumber = z_report_number;
    row.deviceSerial = device_serial;
    row.invoiceNumber = invoice_number;
    row.documentDateTime = document_date_time;
    row.grossTotal = gross_total;
    row.systemEntryDateTime = system_entry;
    row.documentCode = document_code;
    row.operatorCode = R.fOperatorCode;
    row.previousHash = series.lastHash;
    row.hash = signature;
    row.hashedString = signed_text;
    row.sourceBilling = source_billing;
    row.manualDocumentNumber = manual_document_number;
    row.atcud = fATCUD;
    row.receiptXml = fXmlOutput;
    store->InsertReceipt(row);
    store->UpdateSeries(series_code, number, signature, document_date_time);
    files.KeepCheckFile(check_file);
    WriteCheckFile(check_file, std::to_string(number));
    store->CommitTransaction();
  } catch (const std::exception& e) {
    fIOHandler->SetCustomError(-999, e.what());
    // The handler keeps the code only until the next call: the log keeps it for good.
    fIOHandler->WriteLog(let_error, "PROCESSRECEIPT", "Error -999: " + std::string(e.what()));
    try {
      store->RollbackTransaction();
    } catch (const std::exception& rollback) {
      fIOHandler->Debug(let_error, std::string("ROLLBACK failed: ") + rollback.what());
    }
    try {
      files.Restore(*fFPCounters);
    } catch (const std::exception& restore) {
      fIOHandler->Debug(let_error, std::string("Restoring the till files failed: ") + restore.what());
    }
    throw;
  }
  fIOHandler->WriteLog(let_info, "PROCESSRECEIPT", "END");
  return true;
}

bool kFiscalProcessor_PT::ProcessVoid(kReceipt& R, StoreStatements& store) {
  const qvOriginalReceipt& original = R.fOriginalReceipt;
  FoundReceipt row =
      store.FindStoredReceipt(original.DeviceSerialNumber, original.ReceiptNumber, original.ReceiptDateTime);
  fXmlOutput = row.receipt;
  if (!row.found) {
    fIOHandler->SetCustomError(-54, "Receipt not found");
    return false;
  }
  if (row.status == "A") {
    fIOHandler->SetCustomError(-53, "Receipt already voided");
    return false;
  }
  if (!store.VoidStoredReceipt(original.DeviceSerialNumber, original.ReceiptNumber, R.fOperatorCode,
                               original.ReceiptDateTime)) {
    fIOHandler->SetCustomError(-53, "Internal Error in voiding the receipt");
    return false;
  }
  ReceiptDocument document(fXmlOutput, "stored receipt");
  pugi::xml_node E = document.Receipt();
  SetChildValue(E, "Type", "Void", true);
  SetChildValue(E, "OperatorCode", R.fOperatorCode, true);
  SetChildValue(E, "DateTime", DateTimeToXmlText(false, Now()), false);
  fXmlOutput = document.Text();
  return true;
}

}  // namespace dodu

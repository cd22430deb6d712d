#pragma once

#include <string>
#include <vector>

#include <pugixml.hpp>

#include "base/amount.h"
#include "base/date_time.h"
#include "receipt/receipt_line.h"
#include "receipt/receipt_message_line.h"
#include "receipt/receipt_payment_line.h"
#include "receipt/receipt_tax_line.h"
#include "receipt/receipt_types.h"

namespace dodu {

// The earlier document a refund or void refers to.
struct qvOriginalReceipt {
  DateTime ReceiptDateTime;
  std::string ReceiptNumber;
  std::string DeviceSerialNumber;
  std::string ServerSerialNumber;
  std::string EJNumber;
  std::string EJClosingNumber;
  bool ExcludeFPCheck = false;
  qvReceiptReferenceType ReferenceType = rrt_OriginalReceipt;
  std::string ExternalReference;
  std::string InvoiceNumber;
  DateTime InvoiceDateTime;
};

// The fiscal receipt of a request. Its lines point back to it, so it is neither copied nor
// moved. Every total is computed on demand from the current lines.
class kReceipt {
 public:
  kReceipt() = default;
  kReceipt(const kReceipt&) = delete;
  kReceipt& operator=(const kReceipt&) = delete;

  // Fills the receipt from the Receipt element of a request: the document element when it is
  // named Receipt, else its first child of that name. Appends to the lists; raises on the first
  // failure, keeping what was read before it.
  void Deserialize(const pugi::xml_document& aXmlDocument);
  // A new XML document of the receipt, as text.
  std::string Serialize() const;

  // The sum of GetAmount over all lines.
  Amount GetCalculatedAmount() const;
  // The rate of the first tax line with this code (any tax type); 0 when there is none.
  Amount GetTaxRate(const std::string& aTaxCode) const;
  // aAmount without the VAT of the first VAT line with this code; unchanged when there is none.
  Amount GetNetAmount(Amount aAmount, const std::string& aTaxCode) const;
  // Spreads discounts and markups over the item lines into their net fields.
  void CalcLinesNetAmount();

  Amount TotalTaxableAmount() const;
  Amount TotalTaxAmount() const;
  // The quantities of the product lines (sale, return, weighted sale) as stored.
  Amount TotalQuantity() const;

  // Named after the public properties where those differ from the fields.
  const std::string& ReceiptSubtype() const { return fReceiptSubType; }
  const kReceiptPaymentLines& PaymentLines() const { return fPayments; }
  kReceiptPaymentLines& PaymentLines() { return fPayments; }
  const std::vector<std::string>& Headers() const { return fHeaders; }

  bool fSupportSpecialChars = false;
  std::string fLayout;
  bool fDefaultLayout = false;
  DateTime fBusinessDate;
  std::string fReceiptNumber;
  DateTime fReceiptDateTime;
  std::string fReceiptZReportNumber;
  std::string fDeviceSerialNumber;
  qvReceiptType fReceiptType = rt_Sale;
  std::string fReceiptTypeDescription;
  std::string fReceiptSubType;
  std::string fInvoiceNumber;
  DateTime fInvoiceDateTime;
  std::string fExternalReference;
  qvOriginalReceipt fOriginalReceipt;
  std::string fCountryCode;
  std::string fFiscalAreaCode;
  std::string fCompanyCode;
  std::string fCompanyTaxCode;
  std::string fStoreCode;
  std::string fStoreAddress;
  std::string fStoreZipCode;
  std::string fStoreCity;
  std::string fTillCode;
  std::string fOperatorCode;
  std::string fReceiptBarcode;
  std::string fCurrencyCode;
  Amount fTotalAmount;
  Amount fTipAmount;
  std::string fCustomerCode;
  std::string fCustomerCard;
  std::string fCustomerBusinessName;
  std::string fCustomerName;
  std::string fCustomerSurname;
  std::string fCustomerAddress;
  std::string fCustomerZipCode;
  std::string fCustomerCity;
  std::string fCustomerProvince;
  std::string fCustomerCountry;
  std::string fCustomerCountryDescription;
  DateTime fCustomerDateOfBirth;
  std::string fCustomerTaxCode;
  std::string fCustomerFiscalCode;
  qvReceiptCustomerIdType fCustomerIdType = cid_NA;
  std::string fCustomerIdNumber;
  std::string fCustomerIdCountry;
  std::string fCustomerEmail;
  std::string fCustomerMobileNumber;
  std::string fLotteryIdCode;
  kReceiptMessageLines fLeaderLines;
  kReceiptLines fLines;
  kReceiptPaymentLines fPayments;
  kReceiptTaxLines fTaxes;
  kReceiptMessageLines fTrailerMessages;
  bool fToBeInvoiced = false;
  bool fSendByEmail = false;
  std::string fEmailReference;
  std::string fEmailRecipients;
  bool fPrintReceipt = false;
  bool fIsReprint = false;
  std::vector<std::string> fHeaders;

 private:
  // Distributes aDiscount over the item lines before the line at aLineIndex, in proportion to
  // their net amounts; aRunningTotal is the sum of GetAmount before that line (not 0).
  void DistributeOnSubtotal(size_t aLineIndex, Amount aDiscount, Amount aRunningTotal);
};

}  // namespace dodu

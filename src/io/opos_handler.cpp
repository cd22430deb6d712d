#include "io/opos_handler.h"

#include <cctype>

#include "base/error.h"
#include "io/connection.h"
#include "io/opos_result_codes.h"

namespace dodu {

namespace {

constexpr int32_t kReceiptStation = 2;  // FPTR_S_RECEIPT

// A text argument as debug lines show it: in single quotes, embedded quotes doubled.
std::string Quoted(const std::string& aText) {
  std::string out = "'";
  for (char c : aText) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string BoolText(bool aValue) { return aValue ? "True" : "False"; }

// The control counts quantities in thousandths; the fraction beyond them is dropped.
int32_t Thousandths(Amount aQuantity) { return static_cast<int32_t>(aQuantity.Raw() / 10); }

std::string ItemLine(const std::string& aOperation, const std::string& aDescription, Amount aAmount,
                     const std::string& aMiddle, int32_t aVatCode, Amount aPrice, const std::string& aUOM) {
  return "[" + aOperation + "]->" + aOperation + "(" + Quoted(aDescription) + "," +
         kIOHandler::FormatAmount(aAmount) + "," + aMiddle + std::to_string(aVatCode) + "," +
         kIOHandler::FormatAmount(aPrice) + "," + Quoted(aUOM) + ")";
}

// "ddmmyyyyhhnn" to a date-time with 0 seconds; raises on any other text.
DateTime ParseControlDate(const std::string& aText) {
  bool digits = aText.size() == 12;
  for (char c : aText) digits = digits && std::isdigit(static_cast<unsigned char>(c));
  if (!digits) throw Error("The fiscal printer answered the date '" + aText + "', which is not ddmmyyyyhhnn");
  auto part = [&](size_t from, size_t count) { return std::stoi(aText.substr(from, count)); };
  DateTimeFields fields;
  fields.day = part(0, 2);
  fields.month = part(2, 2);
  fields.year = part(4, 4);
  fields.hour = part(8, 2);
  fields.minute = part(10, 2);
  return EncodeDateTime(fields);
}

}  // namespace

kIOHandler_OPOS::kIOHandler_OPOS(const kConnection* aConnection, const std::string& aDirectory,
                                 const std::string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName) {
  if (aConnection == nullptr) throw Error("kIOHandler_OPOS needs connection settings");
  fDeviceName = aConnection->fDeviceName;
  fControlName = aConnection->fLibraryName;
}

kIOHandler_OPOS::~kIOHandler_OPOS() {
  if (GetConnected()) Disconnect();  // catches what the control raises
  fOPOS.reset();
}

kOPOSFiscalPrinter& kIOHandler_OPOS::Control() {
  if (!fOPOS) fOPOS = CreateOPOSFiscalPrinter(fControlName);
  return *fOPOS;
}

bool kIOHandler_OPOS::Connect() {
  kIOHandler::Connect();
  Debug(let_info, "DeviceName=" + fDeviceName);
  try {
    if (GetConnected()) Disconnect();
    Debug(let_info, "[Connect]->Open(" + fDeviceName + ")");
    bool result = CheckResult(Control().Open(fDeviceName));
    if (result) {
      Debug(let_info, "[Connect]->ClaimDevice(" + std::to_string(fConnectTimeout) + ")");
      result = CheckResult(Control().ClaimDevice(fConnectTimeout));
    }
    if (result) {
      Debug(let_info, "[Connect]->DeviceEnabled:=true");
      Control().SetNumber("DeviceEnabled", 1);
      result = Control().Number("DeviceEnabled") != 0;
    }
    // The attempt ran to its end: the next Connect, or the destructor, closes the device again.
    fConnected = true;
    return result;
  } catch (const std::exception& e) {
    Debug(let_error, std::string("[Connect]:") + e.what());
    return false;
  }
}

bool kIOHandler_OPOS::Disconnect() {
  try {
    Debug(let_info, "[Disconnect]->DeviceEnabled:=false");
    Control().SetNumber("DeviceEnabled", 0);
    bool result = false;
    if (Control().Number("DeviceEnabled") == 0) {
      Debug(let_info, "[Disconnect]->ReleaseDevice");
      result = CheckResult(Control().ReleaseDevice());
      if (result) {
        Debug(let_info, "[Disconnect]->Close");
        result = CheckResult(Control().Close());
      }
    }
    fConnected = false;
    return result;
  } catch (const std::exception& e) {
    Debug(let_error, std::string("[Disconnect]:") + e.what());
    return false;
  }
}

bool kIOHandler_OPOS::Write(const std::string&) { throw Error("Write Unsupported"); }
std::string kIOHandler_OPOS::ReadUpTo(const std::vector<uint8_t>&) { throw Error("ReadUpto Unsupported"); }
std::string kIOHandler_OPOS::ReadChars(int) { throw Error("ReadChars Unsupported"); }
std::string kIOHandler_OPOS::ReadAll() { throw Error("ReadAll Unsupported"); }
bool kIOHandler_OPOS::InputBufferContainsData() { throw Error("InputBufferContainsData Unsupported"); }

bool kIOHandler_OPOS::CheckResult(int32_t aResultCode) {
  ResetCustomError();
  fErrorCode = aResultCode;
  if (aResultCode == kOPOS_SUCCESS) return true;
  const int32_t extended = aResultCode == kOPOS_E_EXTENDED ? Control().Number("ResultCodeExtended") : 0;
  const std::string message = ComposeOposMessage(aResultCode, extended, Control().Text("ErrorString"));
  Debug(let_error, message);
  SetCustomError(aResultCode, message);
  return false;
}

bool kIOHandler_OPOS::BeginFiscalReceipt() {
  Debug(let_info, "[BeginFiscalReceipt]->BeginFiscalReceipt(true)");
  return CheckResult(Control().BeginFiscalReceipt(true));
}

bool kIOHandler_OPOS::EndFiscalReceipt() {
  Debug(let_info, "[EndFiscalReceipt]->EndFiscalReceipt(false)");
  return CheckResult(Control().EndFiscalReceipt(false));
}

bool kIOHandler_OPOS::PrintRecItem(const std::string&, const std::string& aDescription, Amount aQuantity,
                                   const std::string& aUOM, int32_t aVatCode, Amount aPrice, Amount aAmount) {
  Debug(let_info, ItemLine("PrintRecItem", aDescription, aAmount, std::to_string(aQuantity.Truncated()) + ",",
                           aVatCode, aPrice, aUOM));
  return CheckResult(
      Control().PrintRecItem(aDescription, aAmount, Thousandths(aQuantity), aVatCode, aPrice, aUOM));
}

bool kIOHandler_OPOS::PrintRecItemVoid(const std::string&, const std::string& aDescription, Amount aQuantity,
                                       const std::string& aUOM, int32_t aVatCode, Amount aPrice, Amount aAmount) {
  Debug(let_info, ItemLine("PrintRecItemVoid", aDescription, aAmount, "", aVatCode, aPrice, aUOM));
  return CheckResult(
      Control().PrintRecItemVoid(aDescription, aAmount, Thousandths(aQuantity), aVatCode, aPrice, aUOM));
}

bool kIOHandler_OPOS::PrintRecRefund(const std::string&, const std::string& aDescription, Amount,
                                     const std::string&, int32_t aVatCode, Amount, Amount aAmount) {
  Debug(let_info, "[PrintRecRefund]->PrintRecRefund(" + Quoted(aDescription) + "," + FormatAmount(aAmount) + "," +
                      std::to_string(aVatCode) + ")");
  return CheckResult(Control().PrintRecRefund(aDescription, aAmount, aVatCode));
}

bool kIOHandler_OPOS::PrintRecItemAdjustment(int32_t aAdjType, const std::string& aDescription, Amount aAmount,
                                             int32_t aVatCode) {
  Debug(let_info, "[PrintRecItemAdjustment]->PrintRecItemAdjustment(" + std::to_string(aAdjType) + "," +
                      Quoted(aDescription) + "," + FormatAmount(aAmount) + "," + std::to_string(aVatCode) + ")");
  return CheckResult(Control().PrintRecItemAdjustment(aAdjType, aDescription, aAmount, aVatCode));
}

bool kIOHandler_OPOS::PrintRecSubtotal(Amount aAmount) {
  Debug(let_info, "[PrintRecSubtotal]->PrintRecSubTotal(" + FormatAmount(aAmount) + ")");
  return CheckResult(Control().PrintRecSubtotal(aAmount));
}

bool kIOHandler_OPOS::PrintRecSubtotalAdjustment(int32_t aAdjType, const std::string& aDescription, Amount aAmount) {
  Debug(let_info, "[PrintRecSubtotalAdjustment]->PrintRecSubtotalAdjustment(" + std::to_string(aAdjType) + "," +
                      Quoted(aDescription) + "," + FormatAmount(aAmount) + ")");
  return CheckResult(Control().PrintRecSubtotalAdjustment(aAdjType, aDescription, aAmount));
}

bool kIOHandler_OPOS::PrintRecTotal(Amount aTotalAmount, Amount aPaymentAmount, const std::string& aDescription) {
  Debug(let_info, "[PrintRecTotal]->PrintRecTotal(" + FormatAmount(aTotalAmount) + "," +
                      FormatAmount(aPaymentAmount) + "," + Quoted(aDescription) + ")");
  return CheckResult(Control().PrintRecTotal(aTotalAmount, aPaymentAmount, aDescription));
}

bool kIOHandler_OPOS::PrintRecNotPaid(Amount aAmount, const std::string& aDescription) {
  Debug(let_info, "[PrintRecNotPaid]->PrintRecNotPaid(" + Quoted(aDescription) + "," + FormatAmount(aAmount) + ")");
  return CheckResult(Control().PrintRecNotPaid(aDescription, aAmount));
}

bool kIOHandler_OPOS::PrintRecMessage(const std::string& aText) {
  Debug(let_info, "[PrintRecMessage]->PrintRecMessage(" + Quoted(aText) + ")");
  return CheckResult(Control().PrintRecMessage(aText));
}

bool kIOHandler_OPOS::PrintRecTaxid(const std::string& aTaxId) {
  Debug(let_info, "[PrintRecTaxid]->PrintRecTaxid(" + Quoted(aTaxId) + ")");
  return CheckResult(Control().PrintRecTaxID(aTaxId));
}

bool kIOHandler_OPOS::BeginNonFiscal() {
  Debug(let_info, "[BeginNonFiscal]->BeginNonFiscal");
  return CheckResult(Control().BeginNonFiscal());
}

bool kIOHandler_OPOS::PrintNormal(const std::string& aText) {
  Debug(let_info, "[PrintNormal]->PrintNormal(" + std::to_string(kReceiptStation) + "," + Quoted(aText) + ")");
  return CheckResult(Control().PrintNormal(kReceiptStation, aText));
}

bool kIOHandler_OPOS::EndNonFiscal() {
  Debug(let_info, "[EndNonFiscal]->EndNonFiscal");
  return CheckResult(Control().EndNonFiscal());
}

bool kIOHandler_OPOS::ResetPrinter() {
  Debug(let_info, "[ResetPrinter]->ResetPrinter");
  return CheckResult(Control().ResetPrinter());
}

bool kIOHandler_OPOS::BeginTraining() {
  Debug(let_info, "[BeginTraining]->BeginTraining");
  return CheckResult(Control().BeginTraining());
}

bool kIOHandler_OPOS::EndTraining() {
  Debug(let_info, "[EndTraining]->EndTraining");
  return CheckResult(Control().EndTraining());
}

bool kIOHandler_OPOS::PrintXReport() {
  Debug(let_info, "[PrintXReport]->PrintXReport");
  return CheckResult(Control().PrintXReport());
}

bool kIOHandler_OPOS::PrintZReport() {
  Debug(let_info, "[PrintZReport]->PrintZReport");
  return CheckResult(Control().PrintZReport());
}

bool kIOHandler_OPOS::SetDate(DateTime aDateTime) {
  const std::string date = FormatDateTime("ddmmyyyyhhnn", aDateTime);
  Debug(let_info, "[SetDate]->SetDate(" + date + ")");
  return CheckResult(Control().SetDate(date));
}

bool kIOHandler_OPOS::GetData(int32_t aDataItem, int32_t aOptArgs, std::string& aOutput) {
  Debug(let_info, "[GetData]->GetData(" + std::to_string(aDataItem) + "," + std::to_string(aOptArgs) + ",aOutput)");
  std::string data;
  const bool result = CheckResult(Control().GetData(aDataItem, aOptArgs, data));
  aOutput = result ? data : std::string();
  if (result) Debug(let_info, "[GetData]->aOutput=" + data);
  return result;
}

bool kIOHandler_OPOS::GetDate(DateTime& aDate) {
  Debug(let_info, "[GetDate]->GetDate");
  std::string text;
  if (!CheckResult(Control().GetDate(text))) {
    aDate = Now();
    return false;
  }
  Debug(let_info, "[GetDate]->aDate=" + text);
  aDate = ParseControlDate(text);
  return true;
}

bool kIOHandler_OPOS::DirectIO(int32_t aCommand, int32_t& aData, std::string& aString) {
  Debug(let_info, "[DirectIO]->DirectIO(" + std::to_string(aCommand) + "," + std::to_string(aData) + "," +
                      Quoted(aString) + ")");
  const bool result = CheckResult(Control().DirectIO(aCommand, aData, aString));
  Debug(let_info, "[DirectIO]->Output(Data:=" + std::to_string(aData) + ", Obj:=" + aString + ")");
  return result;
}

bool kIOHandler_OPOS::PrinterState(int32_t& aPrinterState) {
  Debug(let_info, "[PrinterState]->PrinterState(aPrinterState)");
  aPrinterState = Control().Number("PrinterState");
  Debug(let_info, "[PrinterState]->aPrinterState=" + std::to_string(aPrinterState));
  return true;
}

bool kIOHandler_OPOS::RemainingFiscalMemory(int32_t& aRemainingFiscalMemory) {
  Debug(let_info, "[RemainingFiscalMemory]->RemainingFiscalMemory(aRemainingFiscalMemory)");
  aRemainingFiscalMemory = Control().Number("RemainingFiscalMemory");
  Debug(let_info, "[RemainingFiscalMemory]->aRemainingFiscalMemory=" + std::to_string(aRemainingFiscalMemory));
  return true;
}

bool kIOHandler_OPOS::StatusFlag(const std::string& aOperation, const std::string& aProperty,
                                 const std::string& aCallLine, const std::string& aValueLine, bool& aResult) {
  Debug(let_info, "[" + aOperation + "]->" + aCallLine);
  aResult = Control().Number(aProperty) != 0;
  Debug(let_info, "[" + aOperation + "]->" + aValueLine + BoolText(aResult));
  return true;
}

bool kIOHandler_OPOS::GetCoverOpen(bool& aResult) {
  return StatusFlag("GetCoverOpen", "CoverOpen", "CoverOpen(aResult)", "CoverOpen=", aResult);
}

bool kIOHandler_OPOS::GetDayOpened(bool& aResult) {
  return StatusFlag("GetDayOpened", "DayOpened", "DayOpened(aResult)", "aResult=", aResult);
}

bool kIOHandler_OPOS::GetRecEmpty(bool& aResult) {
  return StatusFlag("GetRecEmpty", "RecEmpty", "RecEmpty(aResult)", "aResult=", aResult);
}

bool kIOHandler_OPOS::GetRecNearEnd(bool& aResult) {
  return StatusFlag("GetRecNearEmpty", "RecNearEnd", "RecNearEmpty(aResult)", "aResult=", aResult);
}

bool kIOHandler_OPOS::GetTrainingModeActive(bool& aResult) {
  return StatusFlag("GetTrainingModeActive", "TrainingModeActive", "TrainingModeActive(aResult)", "aResult=",
                    aResult);
}

bool kIOHandler_OPOS::SetAdditionalTrailerLine(const std::string& aDescription, bool aClear) {
  if (aClear) {
    Debug(let_info, "[SetAdditionalTrailerLine]->AdditionalTrailer=" + Quoted(aDescription));
    Control().SetText("AdditionalTrailer", aDescription);
  } else {
    Debug(let_info, "[SetAdditionalTrailerLine]->AdditionalTrailer=+" + Quoted(aDescription));
    Control().SetText("AdditionalTrailer", Control().Text("AdditionalTrailer") + aDescription + "\r\n");
  }
  return true;
}

bool kIOHandler_OPOS::SetPreLine(const std::string& aDescription) {
  Debug(let_info, "[SetPreLine]->PreLine=" + Quoted(aDescription));
  Control().SetText("PreLine", aDescription);
  return true;
}

bool kIOHandler_OPOS::SetFiscalReceiptType(int32_t aReceiptType) {
  Debug(let_info, "[SetFiscalReceiptType]->FiscalReceiptType=" + std::to_string(aReceiptType));
  Control().SetNumber("FiscalReceiptType", aReceiptType);
  return true;
}

}  // namespace dodu

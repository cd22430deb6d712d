#pragma once

#include <memory>
#include <string>

#include "base/amount.h"
#include "base/date_time.h"
#include "io/io_handler.h"
#include "io/opos_fiscal_printer.h"

namespace dodu {

// Drives a fiscal printer through its UnifiedPOS control. Each fiscal operation logs one debug
// line, calls the control and turns its result code into the error state (a composed message);
// it answers whether the code was 0. Byte-stream operations do not apply and raise.
class kIOHandler_OPOS : public kIOHandler {
 public:
  // The control is named by the connection's LibraryName: the bridge library here, the ProgID
  // on Windows. It is created on first use, so a missing control fails Connect, not creation.
  kIOHandler_OPOS(const kConnection* aConnection, const std::string& aDirectory, const std::string& aFileName);
  ~kIOHandler_OPOS() override;

  bool GetConnected() override { return fConnected; }
  bool Connect() override;
  bool Disconnect() override;
  void ClearBuffers() override {}
  bool Write(const std::string& aMessage) override;                   // raises
  std::string ReadUpTo(const std::vector<uint8_t>& aChars) override;  // raises
  std::string ReadChars(int aCharsNum) override;                      // raises
  std::string ReadAll() override;                                     // raises
  std::string DecodeError(int) override { return std::string(); }
  bool InputBufferContainsData() override;                            // raises
  void SetParameter(const std::string&, const std::string&) override {}
  std::string ClassName() const override { return "kIOHandler_OPOS"; }

  const std::string& DeviceName() const { return fDeviceName; }

  bool BeginFiscalReceipt();
  bool EndFiscalReceipt();
  bool PrintRecItem(const std::string& aCode, const std::string& aDescription, Amount aQuantity,
                    const std::string& aUOM, int32_t aVatCode, Amount aPrice, Amount aAmount);
  bool PrintRecItemVoid(const std::string& aCode, const std::string& aDescription, Amount aQuantity,
                        const std::string& aUOM, int32_t aVatCode, Amount aPrice, Amount aAmount);
  bool PrintRecRefund(const std::string& aCode, const std::string& aDescription, Amount aQuantity,
                      const std::string& aUOM, int32_t aVatCode, Amount aPrice, Amount aAmount);
  bool PrintRecItemAdjustment(int32_t aAdjType, const std::string& aDescription, Amount aAmount, int32_t aVatCode);
  bool PrintRecSubtotal(Amount aAmount);
  bool PrintRecSubtotalAdjustment(int32_t aAdjType, const std::string& aDescription, Amount aAmount);
  bool PrintRecTotal(Amount aTotalAmount, Amount aPaymentAmount, const std::string& aDescription);
  bool PrintRecNotPaid(Amount aAmount, const std::string& aDescription);
  bool PrintRecMessage(const std::string& aText);
  bool PrintRecTaxid(const std::string& aTaxId);
  bool BeginNonFiscal();
  bool PrintNormal(const std::string& aText);
  bool EndNonFiscal();
  bool ResetPrinter();
  bool BeginTraining();
  bool EndTraining();
  bool PrintXReport();
  bool PrintZReport();
  bool SetDate(DateTime aDateTime);

  bool GetData(int32_t aDataItem, int32_t aOptArgs, std::string& aOutput);
  // After a failure aDate is the current local date-time.
  bool GetDate(DateTime& aDate);
  bool DirectIO(int32_t aCommand, int32_t& aData, std::string& aString);
  bool PrinterState(int32_t& aPrinterState);
  bool RemainingFiscalMemory(int32_t& aRemainingFiscalMemory);
  bool GetCoverOpen(bool& aResult);
  bool GetDayOpened(bool& aResult);
  bool GetRecEmpty(bool& aResult);
  bool GetRecNearEnd(bool& aResult);
  bool GetTrainingModeActive(bool& aResult);

  // With aClear the trailer becomes the text; otherwise the text and a line break are added.
  bool SetAdditionalTrailerLine(const std::string& aDescription, bool aClear);
  bool SetPreLine(const std::string& aDescription);
  bool SetFiscalReceiptType(int32_t aReceiptType);

 private:
  kOPOSFiscalPrinter& Control();
  // Resets the error state and records the code; a code other than 0 becomes the custom error
  // with the composed message, logged as an error. Answers whether the code was 0.
  bool CheckResult(int32_t aResultCode);
  bool StatusFlag(const std::string& aOperation, const std::string& aProperty, const std::string& aCallLine,
                  const std::string& aValueLine, bool& aResult);

  std::unique_ptr<kOPOSFiscalPrinter> fOPOS;
  std::string fDeviceName;
  bool fConnected = false;
  std::string fControlName;
};

}  // namespace dodu

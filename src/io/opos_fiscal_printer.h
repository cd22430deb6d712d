#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "base/amount.h"

namespace dodu {

// The UnifiedPOS fiscal printer control, as far as the OPOS handler uses it. Methods answer
// the OPOS result code; a failure to reach the control at all raises an error.
class kOPOSFiscalPrinter {
 public:
  virtual ~kOPOSFiscalPrinter() = default;

  virtual int32_t Open(const std::string& aDeviceName) = 0;
  virtual int32_t ClaimDevice(int32_t aTimeout) = 0;
  virtual int32_t ReleaseDevice() = 0;
  virtual int32_t Close() = 0;

  virtual int32_t BeginFiscalReceipt(bool aPrintHeader) = 0;
  virtual int32_t EndFiscalReceipt(bool aPrintHeader) = 0;
  virtual int32_t PrintRecItem(const std::string& aDescription, Amount aPrice, int32_t aQuantity, int32_t aVatInfo,
                               Amount aUnitPrice, const std::string& aUnitName) = 0;
  virtual int32_t PrintRecItemVoid(const std::string& aDescription, Amount aPrice, int32_t aQuantity,
                                   int32_t aVatInfo, Amount aUnitPrice, const std::string& aUnitName) = 0;
  virtual int32_t PrintRecRefund(const std::string& aDescription, Amount aAmount, int32_t aVatInfo) = 0;
  virtual int32_t PrintRecItemAdjustment(int32_t aAdjustmentType, const std::string& aDescription, Amount aAmount,
                                         int32_t aVatInfo) = 0;
  virtual int32_t PrintRecSubtotal(Amount aAmount) = 0;
  virtual int32_t PrintRecSubtotalAdjustment(int32_t aAdjustmentType, const std::string& aDescription,
                                             Amount aAmount) = 0;
  virtual int32_t PrintRecTotal(Amount aTotal, Amount aPayment, const std::string& aDescription) = 0;
  virtual int32_t PrintRecNotPaid(const std::string& aDescription, Amount aAmount) = 0;
  virtual int32_t PrintRecMessage(const std::string& aMessage) = 0;
  virtual int32_t PrintRecTaxID(const std::string& aTaxID) = 0;
  virtual int32_t BeginNonFiscal() = 0;
  virtual int32_t PrintNormal(int32_t aStation, const std::string& aData) = 0;
  virtual int32_t EndNonFiscal() = 0;
  virtual int32_t ResetPrinter() = 0;
  virtual int32_t BeginTraining() = 0;
  virtual int32_t EndTraining() = 0;
  virtual int32_t PrintXReport() = 0;
  virtual int32_t PrintZReport() = 0;
  virtual int32_t SetDate(const std::string& aDate) = 0;
  virtual int32_t GetDate(std::string& aDate) = 0;
  virtual int32_t GetData(int32_t aDataItem, int32_t& aOptArgs, std::string& aData) = 0;
  virtual int32_t DirectIO(int32_t aCommand, int32_t& aData, std::string& aString) = 0;

  // Properties by their UnifiedPOS names: long and boolean ones as numbers, string ones as texts.
  virtual int32_t Number(const std::string& aProperty) = 0;
  virtual void SetNumber(const std::string& aProperty, int32_t aValue) = 0;
  virtual std::string Text(const std::string& aProperty) = 0;
  virtual void SetText(const std::string& aProperty, const std::string& aValue) = 0;
};

// The control of this system: here a vendor's bridge library loaded by the name given, on
// Windows the OPOS control of that ProgID ("OPOS.FiscalPrinter" when the name is empty).
// Raises, with the system's reason, when it cannot be created.
std::unique_ptr<kOPOSFiscalPrinter> CreateOPOSFiscalPrinter(const std::string& aControlName);

}  // namespace dodu

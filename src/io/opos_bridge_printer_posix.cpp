// Without OPOS controls the fiscal printer is reached through a vendor's bridge library.
#include <utility>

#include "base/error.h"
#include "io/opos_bridge.h"
#include "io/opos_fiscal_printer.h"
#include "platform/dynamic_library.h"

namespace dodu {

namespace {

class kOPOSBridgePrinter : public kOPOSFiscalPrinter {
 public:
  explicit kOPOSBridgePrinter(const std::string& aLibrary) : fLibrary(aLibrary) {
    auto entry = reinterpret_cast<OposBridgeEntry>(fLibrary.Symbol(OPOS_BRIDGE_ENTRY_NAME));
    if (entry == nullptr) Fail(std::string("does not export ") + OPOS_BRIDGE_ENTRY_NAME);
    fApi = entry();
    if (fApi == nullptr || fApi->struct_size < sizeof(OposBridgeApi) || fApi->version != OPOS_BRIDGE_VERSION) {
      Fail("is not an OPOS bridge of version " + std::to_string(OPOS_BRIDGE_VERSION));
    }
    if (fApi->create == nullptr || fApi->destroy == nullptr) Fail("cannot create a fiscal printer control");
    fPrinter = fApi->create();
    if (fPrinter == nullptr) Fail("did not create a fiscal printer control");
  }
  ~kOPOSBridgePrinter() override { fApi->destroy(fPrinter); }

  int32_t Open(const std::string& aDeviceName) override { return Call(fApi->open, "open", aDeviceName.c_str()); }
  int32_t ClaimDevice(int32_t aTimeout) override { return Call(fApi->claim_device, "claim_device", aTimeout); }
  int32_t ReleaseDevice() override { return Call(fApi->release_device, "release_device"); }
  int32_t Close() override { return Call(fApi->close, "close"); }

  int32_t BeginFiscalReceipt(bool aPrintHeader) override {
    return Call(fApi->begin_fiscal_receipt, "begin_fiscal_receipt", aPrintHeader ? 1 : 0);
  }
  int32_t EndFiscalReceipt(bool aPrintHeader) override {
    return Call(fApi->end_fiscal_receipt, "end_fiscal_receipt", aPrintHeader ? 1 : 0);
  }
  int32_t PrintRecItem(const std::string& aDescription, Amount aPrice, int32_t aQuantity, int32_t aVatInfo,
                       Amount aUnitPrice, const std::string& aUnitName) override {
    return Call(fApi->print_rec_item, "print_rec_item", aDescription.c_str(), aPrice.Raw(), aQuantity, aVatInfo,
                aUnitPrice.Raw(), aUnitName.c_str());
  }
  int32_t PrintRecItemVoid(const std::string& aDescription, Amount aPrice, int32_t aQuantity, int32_t aVatInfo,
                           Amount aUnitPrice, const std::string& aUnitName) override {
    return Call(fApi->print_rec_item_void, "print_rec_item_void", aDescription.c_str(), aPrice.Raw(), aQuantity,
                aVatInfo, aUnitPrice.Raw(), aUnitName.c_str());
  }
  int32_t PrintRecRefund(const std::string& aDescription, Amount aAmount, int32_t aVatInfo) override {
    return Call(fApi->print_rec_refund, "print_rec_refund", aDescription.c_str(), aAmount.Raw(), aVatInfo);
  }
  int32_t PrintRecItemAdjustment(int32_t aAdjustmentType, const std::string& aDescription, Amount aAmount,
                                 int32_t aVatInfo) override {
    return Call(fApi->print_rec_item_adjustment, "print_rec_item_adjustment", aAdjustmentType, aDescription.c_str(),
                aAmount.Raw(), aVatInfo);
  }
  int32_t PrintRecSubtotal(Amount aAmount) override {
    return Call(fApi->print_rec_subtotal, "print_rec_subtotal", aAmount.Raw());
  }
  int32_t PrintRecSubtotalAdjustment(int32_t aAdjustmentType, const std::string& aDescription,
                                     Amount aAmount) override {
    return Call(fApi->print_rec_subtotal_adjustment, "print_rec_subtotal_adjustment", aAdjustmentType,
                aDescription.c_str(), aAmount.Raw());
  }
  int32_t PrintRecTotal(Amount aTotal, Amount aPayment, const std::string& aDescription) override {
    return Call(fApi->print_rec_total, "print_rec_total", aTotal.Raw(), aPayment.Raw(), aDescription.c_str());
  }
  int32_t PrintRecNotPaid(const std::string& aDescription, Amount aAmount) override {
    return Call(fApi->print_rec_not_paid, "print_rec_not_paid", aDescription.c_str(), aAmount.Raw());
  }
  int32_t PrintRecMessage(const std::string& aMessage) override {
    return Call(fApi->print_rec_message, "print_rec_message", aMessage.c_str());
  }
  int32_t PrintRecTaxID(const std::string& aTaxID) override {
    return Call(fApi->print_rec_tax_id, "print_rec_tax_id", aTaxID.c_str());
  }
  int32_t BeginNonFiscal() override { return Call(fApi->begin_non_fiscal, "begin_non_fiscal"); }
  int32_t PrintNormal(int32_t aStation, const std::string& aData) override {
    return Call(fApi->print_normal, "print_normal", aStation, aData.c_str());
  }
  int32_t EndNonFiscal() override { return Call(fApi->end_non_fiscal, "end_non_fiscal"); }
  int32_t ResetPrinter() override { return Call(fApi->reset_printer, "reset_printer"); }
  int32_t BeginTraining() override { return Call(fApi->begin_training, "begin_training"); }
  int32_t EndTraining() override { return Call(fApi->end_training, "end_training"); }
  int32_t PrintXReport() override { return Call(fApi->print_x_report, "print_x_report"); }
  int32_t PrintZReport() override { return Call(fApi->print_z_report, "print_z_report"); }
  int32_t SetDate(const std::string& aDate) override { return Call(fApi->set_date, "set_date", aDate.c_str()); }
  int32_t GetDate(std::string& aDate) override {
    const char* date = nullptr;
    const int32_t rc = Call(fApi->get_date, "get_date", &date);
    aDate = date != nullptr ? date : "";
    return rc;
  }
  int32_t GetData(int32_t aDataItem, int32_t& aOptArgs, std::string& aData) override {
    const char* data = nullptr;
    const int32_t rc = Call(fApi->get_data, "get_data", aDataItem, &aOptArgs, &data);
    aData = data != nullptr ? data : "";
    return rc;
  }
  int32_t DirectIO(int32_t aCommand, int32_t& aData, std::string& aString) override {
    const char* out = nullptr;
    const int32_t rc = Call(fApi->direct_io, "direct_io", aCommand, &aData, aString.c_str(), &out);
    aString = out != nullptr ? out : "";
    return rc;
  }

  int32_t Number(const std::string& aProperty) override {
    int32_t value = 0;
    Check(Call(fApi->get_number, "get_number", aProperty.c_str(), &value), "read", aProperty);
    return value;
  }
  void SetNumber(const std::string& aProperty, int32_t aValue) override {
    Check(Call(fApi->set_number, "set_number", aProperty.c_str(), aValue), "set", aProperty);
  }
  std::string Text(const std::string& aProperty) override {
    const char* value = nullptr;
    Check(Call(fApi->get_text, "get_text", aProperty.c_str(), &value), "read", aProperty);
    return value != nullptr ? value : "";
  }
  void SetText(const std::string& aProperty, const std::string& aValue) override {
    Check(Call(fApi->set_text, "set_text", aProperty.c_str(), aValue.c_str()), "set", aProperty);
  }

 private:
  [[noreturn]] void Fail(const std::string& aWhat) const {
    throw Error("The OPOS bridge " + fLibrary.Name() + " " + aWhat);
  }

  template <typename Function, typename... Args>
  int32_t Call(Function* aFunction, const char* aName, Args... aArgs) {
    if (aFunction == nullptr) Fail(std::string("does not provide ") + aName);
    return aFunction(fPrinter, aArgs...);
  }

  void Check(int32_t aCode, const char* aAction, const std::string& aProperty) const {
    if (aCode != 0) Fail("could not " + std::string(aAction) + " the property " + aProperty + " (code " +
                         std::to_string(aCode) + ")");
  }

  DynamicLibrary fLibrary;
  const OposBridgeApi* fApi = nullptr;
  OposFiscalPrinter* fPrinter = nullptr;
};

}  // namespace

std::unique_ptr<kOPOSFiscalPrinter> CreateOPOSFiscalPrinter(const std::string& aControlName) {
  if (aControlName.empty()) {
    throw Error("No OPOS bridge library is named in the connection settings (LibraryName)");
  }
  return std::make_unique<kOPOSBridgePrinter>(aControlName);
}

}  // namespace dodu

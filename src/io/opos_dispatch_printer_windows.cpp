// The OPOS fiscal printer control reached through COM automation: late-bound IDispatch calls on
// the control of the configured ProgID, so no type library of the control is needed to build.
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#include <map>
#include <vector>

#include "base/error.h"
#include "base/text_encoding.h"
#include "io/opos_fiscal_printer.h"

namespace dodu {

namespace {

constexpr const char* kDefaultProgID = "OPOS.FiscalPrinter";

std::wstring Wide(const std::string& text) {
  const std::u16string units = Utf8ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string Narrow(const wchar_t* text, size_t length) {
  return Utf16ToUtf8(std::u16string(reinterpret_cast<const char16_t*>(text), length));
}

std::string FromBstr(BSTR text) { return text != nullptr ? Narrow(text, SysStringLen(text)) : std::string(); }

std::string SystemMessage(HRESULT code) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = text != nullptr ? Narrow(text, length) : std::string();
  LocalFree(text);
  while (!message.empty() && (message.back() == '\r' || message.back() == '\n' || message.back() == ' '))
    message.pop_back();
  if (message.empty()) message = "HRESULT " + std::to_string(static_cast<long>(code));
  return message;
}

// COM for the calling thread while the control lives.
class ComApartment {
 public:
  ComApartment() : fResult(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ~ComApartment() {
    if (SUCCEEDED(fResult)) CoUninitialize();
  }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  HRESULT fResult;  // RPC_E_CHANGED_MODE: the thread already has COM in another model, which serves too
};

// The arguments of one call, in the control's order; cleared afterwards.
class Arguments {
 public:
  Arguments() = default;
  ~Arguments() {
    for (VARIANT& v : fValues) VariantClear(&v);
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  Arguments& Text(const std::string& value) {
    VARIANT& v = Add();
    const std::wstring wide = Wide(value);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    return *this;
  }
  Arguments& Long(int32_t value) {
    VARIANT& v = Add();
    v.vt = VT_I4;
    v.lVal = value;
    return *this;
  }
  Arguments& Bool(bool value) {
    VARIANT& v = Add();
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return *this;
  }
  // CURRENCY is the same count of ten-thousandths as an Amount.
  Arguments& Currency(Amount value) {
    VARIANT& v = Add();
    v.vt = VT_CY;
    v.cyVal.int64 = value.Raw();
    return *this;
  }
  Arguments& LongRef(LONG* value) {
    VARIANT& v = Add();
    v.vt = VT_BYREF | VT_I4;
    v.plVal = value;
    return *this;
  }
  Arguments& TextRef(BSTR* value) {
    VARIANT& v = Add();
    v.vt = VT_BYREF | VT_BSTR;
    v.pbstrVal = value;
    return *this;
  }

  // DISPPARAMS carry the arguments last first.
  std::vector<VARIANT> Reversed() const { return std::vector<VARIANT>(fValues.rbegin(), fValues.rend()); }

 private:
  VARIANT& Add() {
    fValues.emplace_back();
    VariantInit(&fValues.back());
    return fValues.back();
  }
  std::vector<VARIANT> fValues;
};

// A text the control hands back through a BSTR* argument.
class OutText {
 public:
  OutText() = default;
  explicit OutText(const std::string& initial) {
    const std::wstring wide = Wide(initial);
    fValue = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  }
  ~OutText() { SysFreeString(fValue); }
  OutText(const OutText&) = delete;
  OutText& operator=(const OutText&) = delete;
  BSTR* Address() { return &fValue; }
  std::string Value() const { return FromBstr(fValue); }

 private:
  BSTR fValue = nullptr;
};

class kOPOSDispatchPrinter : public kOPOSFiscalPrinter {
 public:
  explicit kOPOSDispatchPrinter(const std::string& aProgID) : fProgID(aProgID) {
    const std::wstring prog_id = Wide(aProgID);
    CLSID clsid;
    HRESULT hr = CLSIDFromProgID(prog_id.c_str(), &clsid);
    if (FAILED(hr)) throw Error("The OPOS control " + fProgID + " is not registered: " + SystemMessage(hr));
    hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, reinterpret_cast<void**>(&fDispatch));
    if (FAILED(hr)) throw Error("The OPOS control " + fProgID + " cannot be created: " + SystemMessage(hr));
  }
  ~kOPOSDispatchPrinter() override { fDispatch->Release(); }

  int32_t Open(const std::string& aDeviceName) override { return Method("Open", Arguments().Text(aDeviceName)); }
  int32_t ClaimDevice(int32_t aTimeout) override { return Method("ClaimDevice", Arguments().Long(aTimeout)); }
  int32_t ReleaseDevice() override { return Method("ReleaseDevice", Arguments()); }
  int32_t Close() override { return Method("Close", Arguments()); }

  int32_t BeginFiscalReceipt(bool aPrintHeader) override {
    return Method("BeginFiscalReceipt", Arguments().Bool(aPrintHeader));
  }
  int32_t EndFiscalReceipt(bool aPrintHeader) override {
    return Method("EndFiscalReceipt", Arguments().Bool(aPrintHeader));
  }
  int32_t PrintRecItem(const std::string& aDescription, Amount aPrice, int32_t aQuantity, int32_t aVatInfo,
                       Amount aUnitPrice, const std::string& aUnitName) override {
    return Method("PrintRecItem", Arguments().Text(aDescription).Currency(aPrice).Long(aQuantity).Long(aVatInfo)
                                      .Currency(aUnitPrice).Text(aUnitName));
  }
  int32_t PrintRecItemVoid(const std::string& aDescription, Amount aPrice, int32_t aQuantity, int32_t aVatInfo,
                           Amount aUnitPrice, const std::string& aUnitName) override {
    return Method("PrintRecItemVoid", Arguments().Text(aDescription).Currency(aPrice).Long(aQuantity)
                                          .Long(aVatInfo).Currency(aUnitPrice).Text(aUnitName));
  }
  int32_t PrintRecRefund(const std::string& aDescription, Amount aAmount, int32_t aVatInfo) override {
    return Method("PrintRecRefund", Arguments().Text(aDescription).Currency(aAmount).Long(aVatInfo));
  }
  int32_t PrintRecItemAdjustment(int32_t aAdjustmentType, const std::string& aDescription, Amount aAmount,
                                 int32_t aVatInfo) override {
    return Method("PrintRecItemAdjustment",
                  Arguments().Long(aAdjustmentType).Text(aDescription).Currency(aAmount).Long(aVatInfo));
  }
  int32_t PrintRecSubtotal(Amount aAmount) override {
    return Method("PrintRecSubtotal", Arguments().Currency(aAmount));
  }
  int32_t PrintRecSubtotalAdjustment(int32_t aAdjustmentType, const std::string& aDescription,
                                     Amount aAmount) override {
    return Method("PrintRecSubtotalAdjustment",
                  Arguments().Long(aAdjustmentType).Text(aDescription).Currency(aAmount));
  }
  int32_t PrintRecTotal(Amount aTotal, Amount aPayment, const std::string& aDescription) override {
    return Method("PrintRecTotal", Arguments().Currency(aTotal).Currency(aPayment).Text(aDescription));
  }
  int32_t PrintRecNotPaid(const std::string& aDescription, Amount aAmount) override {
    return Method("PrintRecNotPaid", Arguments().Text(aDescription).Currency(aAmount));
  }
  int32_t PrintRecMessage(const std::string& aMessage) override {
    return Method("PrintRecMessage", Arguments().Text(aMessage));
  }
  int32_t PrintRecTaxID(const std::string& aTaxID) override {
    return Method("PrintRecTaxID", Arguments().Text(aTaxID));
  }
  int32_t BeginNonFiscal() override { return Method("BeginNonFiscal", Arguments()); }
  int32_t PrintNormal(int32_t aStation, const std::string& aData) override {
    return Method("PrintNormal", Arguments().Long(aStation).Text(aData));
  }
  int32_t EndNonFiscal() override { return Method("EndNonFiscal", Arguments()); }
  int32_t ResetPrinter() override { return Method("ResetPrinter", Arguments()); }
  int32_t BeginTraining() override { return Method("BeginTraining", Arguments()); }
  int32_t EndTraining() override { return Method("EndTraining", Arguments()); }
  int32_t PrintXReport() override { return Method("PrintXReport", Arguments()); }
  int32_t PrintZReport() override { return Method("PrintZReport", Arguments()); }
  int32_t SetDate(const std::string& aDate) override { return Method("SetDate", Arguments().Text(aDate)); }
  int32_t GetDate(std::string& aDate) override {
    OutText date;
    const int32_t rc = Method("GetDate", Arguments().TextRef(date.Address()));
    aDate = date.Value();
    return rc;
  }
  int32_t GetData(int32_t aDataItem, int32_t& aOptArgs, std::string& aData) override {
    LONG opt_args = aOptArgs;
    OutText data;
    const int32_t rc = Method("GetData", Arguments().Long(aDataItem).LongRef(&opt_args).TextRef(data.Address()));
    aOptArgs = opt_args;
    aData = data.Value();
    return rc;
  }
  int32_t DirectIO(int32_t aCommand, int32_t& aData, std::string& aString) override {
    LONG data = aData;
    OutText text(aString);
    const int32_t rc = Method("DirectIO", Arguments().Long(aCommand).LongRef(&data).TextRef(text.Address()));
    aData = data;
    aString = text.Value();
    return rc;
  }

  int32_t Number(const std::string& aProperty) override {
    VARIANT value = Invoke(aProperty, DISPATCH_PROPERTYGET, Arguments());
    const int32_t number = AsLong(value, aProperty);
    return number;
  }
  void SetNumber(const std::string& aProperty, int32_t aValue) override {
    // Booleans of the control want VARIANT_BOOL; the names say which properties are boolean.
    Arguments value;
    if (IsBooleanProperty(aProperty)) {
      value.Bool(aValue != 0);
    } else {
      value.Long(aValue);
    }
    Put(aProperty, value);
  }
  std::string Text(const std::string& aProperty) override {
    VARIANT value = Invoke(aProperty, DISPATCH_PROPERTYGET, Arguments());
    const std::string text = value.vt == VT_BSTR ? FromBstr(value.bstrVal) : std::string();
    VariantClear(&value);
    return text;
  }
  void SetText(const std::string& aProperty, const std::string& aValue) override {
    Arguments value;
    value.Text(aValue);
    Put(aProperty, value);
  }

 private:
  static bool IsBooleanProperty(const std::string& aProperty) {
    return aProperty == "DeviceEnabled" || aProperty == "CoverOpen" || aProperty == "DayOpened" ||
           aProperty == "RecEmpty" || aProperty == "RecNearEnd" || aProperty == "TrainingModeActive";
  }

  int32_t AsLong(VARIANT& value, const std::string& aName) {
    const HRESULT hr = VariantChangeType(&value, &value, 0, VT_I4);
    if (FAILED(hr)) {
      VariantClear(&value);
      Fail(aName, SystemMessage(hr));
    }
    const int32_t number = value.lVal;
    VariantClear(&value);
    return number;
  }

  int32_t Method(const std::string& aName, const Arguments& aArguments) {
    VARIANT result = Invoke(aName, DISPATCH_METHOD, aArguments);
    return AsLong(result, aName);
  }

  void Put(const std::string& aName, const Arguments& aValue) {
    std::vector<VARIANT> args = aValue.Reversed();
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{args.data(), &named, static_cast<UINT>(args.size()), 1};
    Call(aName, DISPATCH_PROPERTYPUT, params, nullptr);
  }

  VARIANT Invoke(const std::string& aName, WORD aFlags, const Arguments& aArguments) {
    std::vector<VARIANT> args = aArguments.Reversed();
    DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    VARIANT result;
    VariantInit(&result);
    Call(aName, aFlags, params, &result);
    return result;
  }

  void Call(const std::string& aName, WORD aFlags, DISPPARAMS& aParams, VARIANT* aResult) {
    EXCEPINFO exception{};
    UINT bad_argument = 0;
    const HRESULT hr =
        fDispatch->Invoke(Id(aName), IID_NULL, LOCALE_USER_DEFAULT, aFlags, &aParams, aResult, &exception, &bad_argument);
    if (hr == DISP_E_EXCEPTION) {
      const std::string description = FromBstr(exception.bstrDescription);
      SysFreeString(exception.bstrSource);
      SysFreeString(exception.bstrDescription);
      SysFreeString(exception.bstrHelpFile);
      Fail(aName, description.empty() ? SystemMessage(exception.scode) : description);
    }
    if (FAILED(hr)) Fail(aName, SystemMessage(hr));
  }

  DISPID Id(const std::string& aName) {
    const auto known = fIds.find(aName);
    if (known != fIds.end()) return known->second;
    std::wstring wide = Wide(aName);
    LPOLESTR names[] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    const HRESULT hr = fDispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) Fail(aName, SystemMessage(hr));
    fIds.emplace(aName, id);
    return id;
  }

  [[noreturn]] void Fail(const std::string& aName, const std::string& aReason) const {
    throw Error("OPOS control " + fProgID + "." + aName + ": " + aReason);
  }

  ComApartment fApartment;
  std::string fProgID;
  IDispatch* fDispatch = nullptr;
  std::map<std::string, DISPID> fIds;
};

}  // namespace

std::unique_ptr<kOPOSFiscalPrinter> CreateOPOSFiscalPrinter(const std::string& aControlName) {
  return std::make_unique<kOPOSDispatchPrinter>(aControlName.empty() ? kDefaultProgID : aControlName);
}

}  // namespace dodu

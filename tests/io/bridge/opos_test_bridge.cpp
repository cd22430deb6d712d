// A simulated fiscal printer behind the OPOS bridge interface, for the handler's tests. It
// records every method call and property change with its arguments, keeps the properties, and
// answers the result codes a test programs. The TestBridge_ functions are the test's handle.
#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "io/opos_bridge.h"

#define TEST_BRIDGE_EXPORT extern "C" __attribute__((visibility("default")))

struct OposFiscalPrinter {
  std::string answer;  // the text last handed out; valid until the next call
};

namespace {

struct Programmed {
  int32_t code = 0;
  int32_t extended = 0;
};

struct Simulation {
  std::string calls;
  std::map<std::string, Programmed> results;
  std::map<std::string, int32_t> numbers;
  std::map<std::string, std::string> texts;
  std::set<std::string> frozen;
  int live = 0;
};

Simulation& Sim() {
  static Simulation simulation;
  return simulation;
}

std::string Text(const char* text) { return text != nullptr ? text : "(null)"; }

// Records the call and answers its programmed code, leaving the extended code where a real
// control leaves it.
int32_t Answer(const std::string& method, const std::string& arguments) {
  Simulation& s = Sim();
  s.calls += method + "(" + arguments + ")\n";
  const auto found = s.results.find(method);
  const Programmed p = found != s.results.end() ? found->second : Programmed{};
  s.numbers["ResultCode"] = p.code;
  s.numbers["ResultCodeExtended"] = p.extended;
  return p.code;
}

std::string Item(const char* description, int64_t price, int32_t quantity, int32_t vat, int64_t unit_price,
                 const char* unit) {
  return "Description=" + Text(description) + ", Price=" + std::to_string(price) +
         ", Quantity=" + std::to_string(quantity) + ", VatInfo=" + std::to_string(vat) +
         ", UnitPrice=" + std::to_string(unit_price) + ", UnitName=" + Text(unit);
}

OposFiscalPrinter* Create() {
  ++Sim().live;
  return new OposFiscalPrinter();
}
void Destroy(OposFiscalPrinter* p) {
  --Sim().live;
  delete p;
}

int32_t Open(OposFiscalPrinter*, const char* name) { return Answer("Open", "DeviceName=" + Text(name)); }
int32_t ClaimDevice(OposFiscalPrinter*, int32_t timeout) {
  return Answer("ClaimDevice", "Timeout=" + std::to_string(timeout));
}
int32_t ReleaseDevice(OposFiscalPrinter*) { return Answer("ReleaseDevice", ""); }
int32_t Close(OposFiscalPrinter*) { return Answer("Close", ""); }
int32_t BeginFiscalReceipt(OposFiscalPrinter*, int32_t header) {
  return Answer("BeginFiscalReceipt", "PrintHeader=" + std::to_string(header));
}
int32_t EndFiscalReceipt(OposFiscalPrinter*, int32_t header) {
  return Answer("EndFiscalReceipt", "PrintHeader=" + std::to_string(header));
}
int32_t PrintRecItem(OposFiscalPrinter*, const char* d, int64_t price, int32_t q, int32_t vat, int64_t up,
                     const char* u) {
  return Answer("PrintRecItem", Item(d, price, q, vat, up, u));
}
int32_t PrintRecItemVoid(OposFiscalPrinter*, const char* d, int64_t price, int32_t q, int32_t vat, int64_t up,
                         const char* u) {
  return Answer("PrintRecItemVoid", Item(d, price, q, vat, up, u));
}
int32_t PrintRecRefund(OposFiscalPrinter*, const char* d, int64_t amount, int32_t vat) {
  return Answer("PrintRecRefund",
                "Description=" + Text(d) + ", Amount=" + std::to_string(amount) + ", VatInfo=" + std::to_string(vat));
}
int32_t PrintRecItemAdjustment(OposFiscalPrinter*, int32_t type, const char* d, int64_t amount, int32_t vat) {
  return Answer("PrintRecItemAdjustment", "AdjustmentType=" + std::to_string(type) + ", Description=" + Text(d) +
                                              ", Amount=" + std::to_string(amount) +
                                              ", VatInfo=" + std::to_string(vat));
}
int32_t PrintRecSubtotal(OposFiscalPrinter*, int64_t amount) {
  return Answer("PrintRecSubtotal", "Amount=" + std::to_string(amount));
}
int32_t PrintRecSubtotalAdjustment(OposFiscalPrinter*, int32_t type, const char* d, int64_t amount) {
  return Answer("PrintRecSubtotalAdjustment", "AdjustmentType=" + std::to_string(type) +
                                                  ", Description=" + Text(d) + ", Amount=" + std::to_string(amount));
}
int32_t PrintRecTotal(OposFiscalPrinter*, int64_t total, int64_t payment, const char* d) {
  return Answer("PrintRecTotal", "Total=" + std::to_string(total) + ", Payment=" + std::to_string(payment) +
                                     ", Description=" + Text(d));
}
int32_t PrintRecNotPaid(OposFiscalPrinter*, const char* d, int64_t amount) {
  return Answer("PrintRecNotPaid", "Description=" + Text(d) + ", Amount=" + std::to_string(amount));
}
int32_t PrintRecMessage(OposFiscalPrinter*, const char* m) { return Answer("PrintRecMessage", "Message=" + Text(m)); }
int32_t PrintRecTaxID(OposFiscalPrinter*, const char* t) { return Answer("PrintRecTaxID", "TaxID=" + Text(t)); }
int32_t BeginNonFiscal(OposFiscalPrinter*) { return Answer("BeginNonFiscal", ""); }
int32_t PrintNormal(OposFiscalPrinter*, int32_t station, const char* data) {
  return Answer("PrintNormal", "Station=" + std::to_string(station) + ", Data=" + Text(data));
}
int32_t EndNonFiscal(OposFiscalPrinter*) { return Answer("EndNonFiscal", ""); }
int32_t ResetPrinter(OposFiscalPrinter*) { return Answer("ResetPrinter", ""); }
int32_t BeginTraining(OposFiscalPrinter*) { return Answer("BeginTraining", ""); }
int32_t EndTraining(OposFiscalPrinter*) { return Answer("EndTraining", ""); }
int32_t PrintXReport(OposFiscalPrinter*) { return Answer("PrintXReport", ""); }
int32_t PrintZReport(OposFiscalPrinter*) { return Answer("PrintZReport", ""); }
int32_t SetDate(OposFiscalPrinter*, const char* date) { return Answer("SetDate", "Date=" + Text(date)); }
int32_t GetDate(OposFiscalPrinter* p, const char** date) {
  const int32_t rc = Answer("GetDate", "");
  p->answer = rc == 0 ? Sim().texts["Date"] : std::string();
  *date = p->answer.c_str();
  return rc;
}
int32_t GetData(OposFiscalPrinter* p, int32_t item, int32_t* opt_args, const char** data) {
  const int32_t rc = Answer("GetData", "DataItem=" + std::to_string(item) + ", OptArgs=" + std::to_string(*opt_args));
  *opt_args += 1;
  p->answer = rc == 0 ? Sim().texts["Data"] : std::string();
  *data = p->answer.c_str();
  return rc;
}
int32_t DirectIO(OposFiscalPrinter* p, int32_t command, int32_t* data, const char* in, const char** out) {
  const int32_t rc = Answer("DirectIO", "Command=" + std::to_string(command) + ", Data=" + std::to_string(*data) +
                                            ", String=" + Text(in));
  *data = Sim().numbers["DirectIOData"];
  p->answer = Sim().texts["DirectIOString"];
  *out = p->answer.c_str();
  return rc;
}

int32_t GetNumber(OposFiscalPrinter*, const char* property, int32_t* value) {
  const auto found = Sim().numbers.find(Text(property));
  if (found == Sim().numbers.end()) return 106;  // OPOS_E_ILLEGAL: no such property
  *value = found->second;
  return 0;
}
int32_t SetNumber(OposFiscalPrinter*, const char* property, int32_t value) {
  Simulation& s = Sim();
  s.calls += Text(property) + ":=" + std::to_string(value) + "\n";
  if (!s.frozen.count(Text(property))) s.numbers[Text(property)] = value;
  return 0;
}
int32_t GetText(OposFiscalPrinter* p, const char* property, const char** value) {
  const auto found = Sim().texts.find(Text(property));
  if (found == Sim().texts.end()) return 106;
  p->answer = found->second;
  *value = p->answer.c_str();
  return 0;
}
int32_t SetText(OposFiscalPrinter*, const char* property, const char* value) {
  Simulation& s = Sim();
  s.calls += Text(property) + ":=" + Text(value) + "\n";
  s.texts[Text(property)] = Text(value);
  return 0;
}

const OposBridgeApi kApi = {
    sizeof(OposBridgeApi), OPOS_BRIDGE_VERSION, Create, Destroy, Open, ClaimDevice, ReleaseDevice, Close,
    BeginFiscalReceipt, EndFiscalReceipt, PrintRecItem, PrintRecItemVoid, PrintRecRefund, PrintRecItemAdjustment,
    PrintRecSubtotal, PrintRecSubtotalAdjustment, PrintRecTotal, PrintRecNotPaid, PrintRecMessage, PrintRecTaxID,
    BeginNonFiscal, PrintNormal, EndNonFiscal, ResetPrinter, BeginTraining, EndTraining, PrintXReport,
    PrintZReport, SetDate, GetDate, GetData, DirectIO, GetNumber, SetNumber, GetText, SetText,
};

}  // namespace

TEST_BRIDGE_EXPORT const OposBridgeApi* OposFiscalPrinterBridge() { return &kApi; }

// A fresh printer: no calls, no programmed codes, the properties of an idle device.
TEST_BRIDGE_EXPORT void TestBridge_Reset() {
  Simulation& s = Sim();
  const int live = s.live;
  s = Simulation();
  s.live = live;
  s.numbers = {{"DeviceEnabled", 0}, {"ResultCode", 0}, {"ResultCodeExtended", 0}, {"PrinterState", 1},
               {"RemainingFiscalMemory", 0}, {"CoverOpen", 0}, {"DayOpened", 0}, {"RecEmpty", 0},
               {"RecNearEnd", 0}, {"TrainingModeActive", 0}, {"FiscalReceiptType", 4}, {"DirectIOData", 0}};
  s.texts = {{"ErrorString", ""}, {"AdditionalTrailer", ""}, {"PreLine", ""}, {"Date", ""}, {"Data", ""},
             {"DirectIOString", ""}};
}

// Every later call of the method answers this code (and extended code).
TEST_BRIDGE_EXPORT void TestBridge_SetResult(const char* method, int32_t code, int32_t extended) {
  Sim().results[Text(method)] = Programmed{code, extended};
}
TEST_BRIDGE_EXPORT void TestBridge_SetNumber(const char* property, int32_t value) {
  Sim().numbers[Text(property)] = value;
}
TEST_BRIDGE_EXPORT void TestBridge_SetText(const char* property, const char* value) {
  Sim().texts[Text(property)] = Text(value);
}
// The property keeps its value whatever the driver sets.
TEST_BRIDGE_EXPORT void TestBridge_Freeze(const char* property) { Sim().frozen.insert(Text(property)); }
TEST_BRIDGE_EXPORT int32_t TestBridge_Number(const char* property) { return Sim().numbers[Text(property)]; }
TEST_BRIDGE_EXPORT const char* TestBridge_Text(const char* property) { return Sim().texts[Text(property)].c_str(); }
// One line per call or property change, in order.
TEST_BRIDGE_EXPORT const char* TestBridge_Calls() { return Sim().calls.c_str(); }
// Controls created and not yet destroyed.
TEST_BRIDGE_EXPORT int32_t TestBridge_Live() { return Sim().live; }

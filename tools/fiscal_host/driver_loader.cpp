#include "fiscal_host/driver_loader.h"

#include <stdexcept>

#include "base/text_encoding.h"
#include "fiscal_host/host_environment.h"

namespace dodu::host {

DriverModule::Text DriverLibrary::NewString(const std::string& utf8) const {
  DriverModule::Text text = fModule.NewText(Utf8ToUtf16(utf8));
  if (text == nullptr) throw std::runtime_error("the driver library could not allocate a string");
  return text;
}

std::string DriverLibrary::TakeString(DriverModule::Text text) const {
  if (text == nullptr) return {};
  std::string utf8 = Utf16ToUtf8(fModule.ReadText(text));
  fModule.FreeText(text);
  return utf8;
}

namespace {

// The request string is ours; the library only reads it.
struct RequestString {
  const DriverModule& module;
  DriverModule::Text text;
  ~RequestString() { module.FreeText(text); }
};

}  // namespace

ExportAnswer DriverLibrary::Call(DriverModule::Operation operation, const std::string& request) {
  RequestString input{fModule, NewString(request)};
  DriverModule::Text output = nullptr;
  DriverModule::Text error = nullptr;
  ExportAnswer answer;
  answer.code = fModule.Call(operation, input.text, &output, &error);
  answer.output = TakeString(output);
  answer.error = TakeString(error);
  return answer;
}

ExportAnswer DriverLibrary::Open(const std::string& request) {
  RequestString input{fModule, NewString(request)};
  DriverModule::Text error = nullptr;
  ExportAnswer answer;
  answer.code = fModule.Open(input.text, &answer.handle, &error);
  answer.output = std::to_string(answer.handle);
  answer.error = TakeString(error);
  return answer;
}

ExportAnswer DriverLibrary::ProcessReceipt(const std::string& request) {
  return Call(DriverModule::Operation::kReceipt, request);
}
ExportAnswer DriverLibrary::ProcessReprintReceipt(const std::string& request) {
  return Call(DriverModule::Operation::kReprintReceipt, request);
}
ExportAnswer DriverLibrary::ProcessZReport(const std::string& request) {
  return Call(DriverModule::Operation::kZReport, request);
}
ExportAnswer DriverLibrary::ProcessXReport(const std::string& request) {
  return Call(DriverModule::Operation::kXReport, request);
}
ExportAnswer DriverLibrary::ProcessGetStatus(const std::string& request) {
  return Call(DriverModule::Operation::kGetStatus, request);
}

std::string ChooseLibraryPath(const std::string& option_value) {
  if (!option_value.empty()) return option_value;
  const std::optional<std::string> from_environment = EnvironmentValue("DODU_LIBRARY");
  if (from_environment && !from_environment->empty()) return *from_environment;
  return DefaultDriverPath();
}

}  // namespace dodu::host

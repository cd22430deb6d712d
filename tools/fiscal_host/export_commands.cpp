#include "fiscal_host/export_commands.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>

#include "base/ascii_text.h"
#include "fiscal_host/command_line.h"
#include "fiscal_host/envelope.h"
#include "fiscal_host/till_session.h"
#include "fiscal_host/utf8_path.h"

namespace dodu::host {

namespace {

std::string ReadRequestFile(const std::string& file) {
  std::ifstream in(PathFromUtf8(file), std::ios::binary);
  if (!in) throw UsageError("cannot read " + file);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

int Report(const char* export_name, const ExportAnswer& answer) {
  if (!answer.Succeeded()) {
    std::cerr << export_name << " failed (code " << answer.code << "): " << answer.error << "\n";
    return kExitFailure;
  }
  std::cout << answer.output;
  if (!answer.output.empty() && answer.output.back() != '\n') std::cout << "\n";
  return kExitSuccess;
}

// Opens the till, then runs one operation; OPEN's failure ends the command.
int WithOpenTill(const HostContext& context, const char* export_name,
                 const std::function<ExportAnswer(TillSession&)>& operation) {
  TillSession till(context.directory, context.libraryPath, context.tillSerial);
  ExportAnswer opened = till.Open();
  if (!opened.Succeeded()) return Report("OPEN", opened);
  return Report(export_name, operation(till));
}


}  // namespace

int RunOpen(const HostContext& context) {
  TillSession till(context.directory, context.libraryPath, context.tillSerial);
  ExportAnswer opened = till.Open();
  if (!opened.Succeeded()) return Report("OPEN", opened);
  std::cout << opened.handle << "\n";
  return kExitSuccess;
}

int RunReceipt(const HostContext& context, const std::string& file) {
  const Request request(ReadRequestFile(file), "Receipt", file);
  return WithOpenTill(context, "PROCESSRECEIPT", [&](TillSession& till) { return till.ProcessReceipt(request); });
}

int RunVoid(const HostContext& context, const std::string& file) {
  Request request(ReadRequestFile(file), "Receipt", file);
  pugi::xml_node receipt = request.Document();
  if (!receipt) throw UsageError(file + " holds no <Receipt> to void with");
  // A void is a receipt of type Void naming the stored document; anything else would be issued.
  pugi::xml_node type = receipt.child("Type");
  if (!type) type = receipt.prepend_child("Type");
  const std::string given = type.text().get();
  if (given.empty()) type.text().set("Void");
  else if (AsciiLower(given) != "void") throw UsageError(file + ": a void needs a <Receipt> of Type Void, not " + given);
  return WithOpenTill(context, "PROCESSRECEIPT", [&](TillSession& till) { return till.ProcessReceipt(request); });
}

int RunReprint(const HostContext& context, const std::string& file) {
  const Request request(ReadRequestFile(file), "ReceiptReference", file);
  return WithOpenTill(context, "PROCESSREPRINTRECEIPT",
                      [&](TillSession& till) { return till.ProcessReprint(request); });
}

int RunXReport(const HostContext& context) {
  return WithOpenTill(context, "PROCESSXREPORT", [](TillSession& till) { return till.ProcessXReport(); });
}

int RunZReport(const HostContext& context) {
  return WithOpenTill(context, "PROCESSZREPORT", [](TillSession& till) { return till.ProcessZReport(); });
}

int RunStatus(const HostContext& context) {
  return WithOpenTill(context, "PROCESSGETSTATUS", [](TillSession& till) { return till.ProcessStatus(); });
}

}  // namespace dodu::host

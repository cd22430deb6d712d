// fiscal-host: loads DODU_PT_10 as a till does and drives it from the command line.
#include <iostream>
#include <stdexcept>
#include <vector>

#include "fiscal_host/chain_verify.h"
#include "fiscal_host/command_line.h"
#include "fiscal_host/demo_day.h"
#include "fiscal_host/driver_loader.h"
#include "fiscal_host/export_commands.h"
#include "fiscal_host/program_arguments.h"
#include "fiscal_host/saft_command.h"
#include "fiscal_host/store_init.h"
#include "fiscal_host/terminal_output.h"
#include "fiscal_host/utf8_path.h"

namespace {

using namespace dodu::host;

void ExpectArguments(const CommandLine& line, size_t count, const char* what) {
  if (line.arguments.size() != count) {
    throw UsageError(line.command + (count == 0 ? " takes no argument" : std::string(" needs ") + what));
  }
}

int Run(const CommandLine& line) {
  const std::string& command = line.command;
  if (command.empty() || command == "help") {
    std::cout << UsageText();
    return kExitSuccess;
  }
  if (command == "init") {
    ExpectArguments(line, 1, "the directory to create: init DIR");
    InitWorkDirectory(WorkDirectory(PathFromUtf8(line.arguments[0])), line.store, std::cout);
    return kExitSuccess;
  }
  if (command != "saft" && (!line.from.empty() || !line.to.empty() || !line.output.empty()))
    throw UsageError("--from, --to and --output belong to saft");
  if (command == "saft") {
    ExpectArguments(line, 0, "");
    return RunSaft(ChooseWorkDirectory(line.directory), SaftOptions{line.from, line.to, line.output}, std::cout,
                   std::cerr);
  }
  const HostContext context{ChooseWorkDirectory(line.directory), ChooseLibraryPath(line.library), line.till};
  if (command == "verify") {
    ExpectArguments(line, 0, "");
    return RunVerify(context.directory, line.publicKey, std::cout);
  }
  if (command == "open") {
    ExpectArguments(line, 0, "");
    return RunOpen(context);
  }
  if (command == "receipt" || command == "void" || command == "reprint") {
    ExpectArguments(line, 1, "a request file: FILE.xml");
    if (command == "receipt") return RunReceipt(context, line.arguments[0]);
    if (command == "void") return RunVoid(context, line.arguments[0]);
    return RunReprint(context, line.arguments[0]);
  }
  if (command == "x" || command == "z" || command == "status" || command == "demo") {
    ExpectArguments(line, 0, "");
    if (command == "x") return RunXReport(context);
    if (command == "z") return RunZReport(context);
    if (command == "status") return RunStatus(context);
    return RunDemo(context);
  }
  throw UsageError("unknown command " + command);
}

}  // namespace

int main(int argc, char** argv) {
  PrepareTerminalOutput();
  try {
    return Run(ParseCommandLine(ProgramArguments(argc, argv)));
  } catch (const UsageError& e) {
    std::cerr << "fiscal-host: " << e.what() << "\nRun fiscal-host help for the commands.\n";
    return kExitUsage;
  } catch (const InitRefused& e) {
    std::cerr << "fiscal-host init: " << e.what() << "\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "fiscal-host: " << e.what() << "\n";
    return kExitFailure;
  }
}

#include "fiscal_host/command_line.h"

#include <map>

#include "fiscal_host/demo_company.h"

namespace dodu::host {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  const std::map<std::string, std::string CommandLine::*> options{
      {"-C", &CommandLine::directory},     {"--directory", &CommandLine::directory},
      {"--library", &CommandLine::library}, {"--till", &CommandLine::till},
      {"--public-key", &CommandLine::publicKey}, {"--from", &CommandLine::from},
      {"--to", &CommandLine::to},               {"-o", &CommandLine::output},
      {"--output", &CommandLine::output},
      {"--store", &CommandLine::store}};
  bool options_ended = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!options_ended && argument == "--") {
      options_ended = true;
      continue;
    }
    if (!options_ended && (argument == "-h" || argument == "--help")) {
      line.command = "help";
      continue;
    }
    if (!options_ended && argument.size() > 1 && argument[0] == '-') {
      std::string name = argument;
      std::string value;
      bool has_value = false;
      if (const size_t equals = argument.find('='); argument.rfind("--", 0) == 0 && equals != std::string::npos) {
        name = argument.substr(0, equals);
        value = argument.substr(equals + 1);
        has_value = true;
      } else if (argument.rfind("-C", 0) == 0 && argument.size() > 2) {
        name = "-C";
        value = argument.substr(2);
        has_value = true;
      }
      auto option = options.find(name);
      if (option == options.end()) throw UsageError("unknown option " + argument);
      if (!has_value) {
        if (i + 1 >= arguments.size()) throw UsageError("option " + name + " needs a value");
        value = arguments[++i];
      }
      if (value.empty()) throw UsageError("option " + name + " needs a value");
      line.*(option->second) = value;
      continue;
    }
    if (line.command.empty()) line.command = argument;
    else line.arguments.push_back(argument);
  }
  if (line.till.empty()) line.till = kDefaultTillSerial;
  return line;
}

std::string UsageText() {
  return R"(fiscal-host: a till on the command line for the DODU_PT_10 fiscal driver.

Usage: fiscal-host [options] COMMAND [ARGUMENT]

Setting up:
  init DIR            create a working directory: an embedded SQLite store with a demo company,
                      branch and registered series for this year, qvSAFTPT.ini, host/ and data/
  init DIR --store URL
                      the same on a PostgreSQL server store (postgresql://user:pw@host:port/db
                      or an ODBC connection string): the schema, company, branch and series are
                      made on the server where missing; several directories may share it
Working on a directory (-C DIR, else $FISCAL_HOST_DIR, else the current directory):
  open                open the till and print its handle
  receipt FILE.xml    number, sign and store a sale or credit note (<Receipt> or whole envelope)
  void FILE.xml       void a stored document (a <Receipt> of Type Void referencing it)
  reprint FILE.xml    print a stored document again (<ReceiptReference> or whole envelope)
  x                   X report: read the fiscal day
  z                   Z report: close the fiscal day
  status              the till's status
  demo                a scripted fiscal day, each document printed as on paper
  verify              check signatures, chain, numbering and check files of every series
  saft --from YYYY-MM-DD --to YYYY-MM-DD [-o FILE]
                      the SAF-T (PT) 1.04_01 file of the documents of those days (one year at
                      most) on standard output or in FILE; see docs/saft.md
  help                this text

Options:
  -C DIR              the working directory
  --till SERIAL       the till serial (default T01)
  --library PATH      the DODU_PT_10 library to load (default $DODU_LIBRARY, else the one
                      built with this program; on Windows DODU_PT_10.dll beside fiscal-host.exe)
  --public-key FILE   verify with this PEM public key instead of the built-in one
  --from, --to DATE   saft: the first and the last day of the period
  -o, --output FILE   saft: the file to write (standard output otherwise)
  --store URL         (init) the server store to set up instead of an embedded one

Every command that talks to the library loads it and runs OPEN first: a processor lives only
as long as the process that opened it, so the handle printed by `open` is that process's own.

Exit status: 0 success; 1 an operation failed, a demo step went wrong or a chain is broken;
2 a bad command line or a refused request (such as init on a directory that holds a store, or
saft with a bad or reversed date or a period over two years; then no file is written).
)";
}

}  // namespace dodu::host

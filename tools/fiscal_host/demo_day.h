#pragma once

#include "fiscal_host/export_commands.h"

namespace dodu::host {

// A scripted fiscal day on the working directory, each document printed as on paper: sales at
// every VAT rate with line discounts and an exempt line, a sale to a customer with a tax number,
// a credit note refunding it, a void, a reprint, an X report and a Z report. Every step checks
// what the library answered; the exit status is 0 only when all of them gave what they should.
int RunDemo(const HostContext& context);

}  // namespace dodu::host

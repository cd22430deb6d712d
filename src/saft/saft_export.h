#pragma once

#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "saft/saft_period.h"
#include "saft/saft_settings.h"

namespace dodu {

class tQV_VendizioProxy;

struct SaftExportRequest {
  SaftPeriod period;
  SaftSettings settings;
  std::string creationDate;  // DateCreated, yyyy-mm-dd
  // Where the invoices wait, in a file of their own, while the master files they need are
  // collected: the file's totals and master files come before the invoices.
  std::filesystem::path spoolDirectory;
};

struct SaftExportResult {
  int64_t documents = 0;  // NumberOfEntries
  int64_t voided = 0;
  std::vector<std::string> notes;  // facts worth a look that did not stop the file
};

// Writes the SAF-T (PT) 1.04_01 file (TaxAccountingBasis F) of every document of the period
// (all series, all tills) to aOut, reading the store through the proxy a page at a time. Reads
// only; nothing of the store changes. Nothing reaches aOut unless every document could be
// written: an error raises before the first byte (the spool file is removed either way).
SaftExportResult ExportSaft(tQV_VendizioProxy& aProxy, const SaftExportRequest& aRequest, std::ostream& aOut);

}  // namespace dodu

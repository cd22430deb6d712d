#pragma once

#include <cstdint>

#include <pugixml.hpp>

#include "base/date_time.h"
#include "receipt/receipt_types.h"

namespace dodu {

// A request for an electronic-journal report over a date and number range.
class kEJReport {
 public:
  // Reads the EJReport element of a request; raises "EJReport node not found" without one.
  void Deserialize(const pugi::xml_document& aXmlDocument);

  qvEJReportType fReportType = ejrt_ZReport;
  qvEJReportDestination fDestination = rd_Printer;
  DateTime fStartDate;
  DateTime fEndDate;
  int32_t fStartNumber = 0;
  int32_t fEndNumber = 0;
};

}  // namespace dodu

#pragma once

#include <string>

#include <pugixml.hpp>

#include "base/date_time.h"
#include "receipt/receipt_types.h"

namespace dodu {

// A request to export electronic-journal files of a date range into a directory.
class kEJFilesRequest {
 public:
  // Reads the EJRequest element of a request; raises "EJRequest node not found" without one.
  void Deserialize(const pugi::xml_document& aXmlDocument);

  qvEJFilesRequestType fReqType = ej_xml;
  DateTime fStartDate;
  DateTime fEndDate;
  std::string fOutputDir;
};

}  // namespace dodu

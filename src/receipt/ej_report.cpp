#include "receipt/ej_report.h"

#include "base/conversions.h"
#include "base/error.h"
#include "receipt/receipt_util.h"
#include "receipt/request_element.h"

namespace dodu {

namespace {

// Range numbers are optional and lenient: anything unreadable counts as 0.
int32_t LenientInteger(const pugi::xml_node& aNode, const char* aName) {
  try {
    return krptUtil::GetNodeValueAsInteger(aNode, aName);
  } catch (const Error&) {
    return 0;
  }
}

}  // namespace

void kEJReport::Deserialize(const pugi::xml_document& aXmlDocument) {
  using U = krptUtil;
  const pugi::xml_node node = RequireRequestDocument(aXmlDocument, "EJReport");
  fReportType = U::DecodeEJReportType(U::GetNodeValueAsString(node, "ReportType"));
  fDestination = U::DecodeEJReportDestination(U::GetNodeValueAsString(node, "ReportDestination"));
  // Both dates are required; their error carries no node prefix.
  fStartDate = XmlTextToDateTime(U::GetNodeValueAsString(node, "StartDate"));
  fEndDate = XmlTextToDateTime(U::GetNodeValueAsString(node, "EndDate"));
  fStartNumber = LenientInteger(node, "StartNumber");
  fEndNumber = LenientInteger(node, "EndNumber");
}

}  // namespace dodu

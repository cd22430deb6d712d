#include "receipt/ej_files_request.h"

#include "receipt/receipt_util.h"
#include "receipt/request_element.h"

namespace dodu {

void kEJFilesRequest::Deserialize(const pugi::xml_document& aXmlDocument) {
  using U = krptUtil;
  const pugi::xml_node node = RequireRequestDocument(aXmlDocument, "EJRequest");
  fReqType = U::DecodeEJRequestType(U::GetNodeValueAsString(node, "RequestType"));
  if (!U::GetNodeValueAsString(node, "StartDate").empty()) fStartDate = U::GetNodeValueAsDateTime(node, "StartDate");
  if (!U::GetNodeValueAsString(node, "EndDate").empty()) fEndDate = U::GetNodeValueAsDateTime(node, "EndDate");
  fOutputDir = U::GetNodeValueAsString(node, "OutputDir");
}

}  // namespace dodu

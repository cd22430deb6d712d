#include "receipt/request_element.h"

#include "base/error.h"
#include "receipt/receipt_util.h"

namespace dodu {

pugi::xml_node FindRequestDocument(const pugi::xml_document& aXmlDocument, const std::string& aName) {
  return krptUtil::FindNode(aXmlDocument.document_element(), aName);
}

pugi::xml_node RequireRequestDocument(const pugi::xml_document& aXmlDocument, const std::string& aName) {
  pugi::xml_node node = FindRequestDocument(aXmlDocument, aName);
  if (!node) throw Error(aName + " node not found");
  return node;
}

}  // namespace dodu

#include "receipt/drawer.h"

#include "receipt/receipt_util.h"
#include "receipt/request_element.h"

namespace dodu {

void kDrawer::Deserialize(const pugi::xml_document& aXmlDocument) {
  fNumber = krptUtil::GetNodeValueAsInteger(RequireRequestDocument(aXmlDocument, "Drawer"), "Number");
}

}  // namespace dodu

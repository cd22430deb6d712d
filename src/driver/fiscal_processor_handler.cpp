#include "driver/fiscal_processor_handler.h"

#include <algorithm>
#include <string_view>

#include "base/error.h"
#include "receipt/receipt_util.h"

namespace dodu {

namespace {

// The deepest element level below aDocument, walked without recursion.
int ElementDepth(const pugi::xml_document& aDocument) {
  int deepest = 0;
  int depth = 0;
  pugi::xml_node node = aDocument.first_child();
  while (node) {
    if (node.type() == pugi::node_element) deepest = std::max(deepest, depth + 1);
    if (node.first_child()) {
      node = node.first_child();
      ++depth;
      continue;
    }
    while (node && !node.next_sibling()) {
      node = node.parent();
      --depth;
    }
    if (node) node = node.next_sibling();
  }
  return deepest;
}

bool IsXmlBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Brings the texts below aParent to what they become when the document is written out and read
// again, which is how the envelope's settings and documents have always been read: adjacent
// text pieces (split by a comment or a processing instruction) join into one, a carriage return
// reads as a line feed, and a text made of blanks only goes. Done in place, the request is
// parsed once.
void ReadTextsAsWrittenBack(pugi::xml_node aParent) {
  pugi::xml_node node = aParent.first_child();
  while (node) {
    if (node.type() == pugi::node_element) ReadTextsAsWrittenBack(node);
    if (node.type() != pugi::node_pcdata) {
      node = node.next_sibling();
      continue;
    }
    pugi::xml_node next = node.next_sibling();
    const std::string_view value = node.value();
    const bool alone = !next || next.type() != pugi::node_pcdata;
    if (alone && value.find('\r') == std::string_view::npos && !std::all_of(value.begin(), value.end(), IsXmlBlank)) {
      node = next;  // the common case: nothing to change
      continue;
    }
    std::string joined(value);
    while (next && next.type() == pugi::node_pcdata) {
      joined += next.value();
      pugi::xml_node piece = next;
      next = next.next_sibling();
      aParent.remove_child(piece);
    }
    std::string text;
    text.reserve(joined.size());
    for (size_t i = 0; i < joined.size(); ++i) {
      if (joined[i] != '\r') {
        text += joined[i];
        continue;
      }
      text += '\n';
      if (i + 1 < joined.size() && joined[i + 1] == '\n') ++i;
    }
    if (std::all_of(text.begin(), text.end(), IsXmlBlank)) aParent.remove_child(node);
    else node.set_value(text.c_str());
    node = next;
  }
}

}  // namespace

kFiscalProcessorHandler::kFiscalProcessorHandler() = default;
kFiscalProcessorHandler::~kFiscalProcessorHandler() = default;

void kFiscalProcessorHandler::Deserialize(const std::string& aXml, const qvReceiptHandlerDocumentTypes& aDocumentTypes) {
  if (aXml.size() > kMaxRequestBytes)
    throw Error("Invalid request: the request text is longer than " + std::to_string(kMaxRequestBytes) + " bytes");
  fXmlString = aXml;
  // A till that passes a null or empty string would otherwise get the parser's terse answer.
  if (aXml.find_first_not_of(" \t\r\n") == std::string::npos) throw Error("Invalid request: the request text is empty");
  pugi::xml_document request;
  pugi::xml_parse_result parsed = request.load_string(aXml.c_str());
  if (!parsed) {
    throw Error(std::string("XML parse error: ") + parsed.description() + " at offset " +
                std::to_string(parsed.offset));
  }
  pugi::xml_node root = request.document_element();
  if (!root) throw Error("XML parse error: the request has no root element");
  if (ElementDepth(request) > kMaxRequestDepth)
    throw Error("Invalid request: elements are nested deeper than " + std::to_string(kMaxRequestDepth) + " levels");

  pugi::xml_node parameters = root.child("Parameters");
  if (!parameters) throw Error("Invalid request: Parameters node not found");
  pugi::xml_node processor = parameters.child("Processor");
  if (!processor) processor = parameters.child("PROCESSOR");
  if (!processor) throw Error("Invalid request: Processor node not found in Parameters (it names the driver)");
  const std::string driver_name = krptUtil::NodeText(processor);
  pugi::xml_node driver = root.child("Driver");
  if (!driver) throw Error("Invalid request: Driver node not found");
  driver.text().set(driver_name.c_str());

  // Whatever the request says, this library talks TCP to localhost only.
  // Every Connection goes, not just the first: a second one would be read in place of ours.
  while (root.remove_child("Connection")) {
  }
  pugi::xml_node connection = root.append_child("Connection");
  connection.append_child("Type").text().set("TCP");
  connection.append_child("ConnectTimeout").text().set("3000");
  connection.append_child("ReadTimeout").text().set("5000");
  connection.append_child("Address").text().set("localhost");
  connection.append_child("Port").text().set("5001");

  ReadTextsAsWrittenBack(request);
  kDeviceHandler::Deserialize(request);
  fTillSerial = GetParameter("FPTillSerial");

  const pugi::xml_document& d = request;
  if (aDocumentTypes.Contains(dt_Receipt)) fReceipt.Deserialize(d);
  if (aDocumentTypes.Contains(dt_NFReceipt)) fNFReceipt.Deserialize(d);
  if (aDocumentTypes.Contains(dt_Display)) fCustomerDisplay.Deserialize(d);
  if (aDocumentTypes.Contains(dt_Drawer)) fDrawer.Deserialize(d);
  if (aDocumentTypes.Contains(dt_EJReport)) fEJReport.Deserialize(d);
  if (aDocumentTypes.Contains(dt_VatTable)) fVATTable.Deserialize(d);
  if (aDocumentTypes.Contains(dt_ZReport)) fZreport.Deserialize(d);
  if (aDocumentTypes.Contains(dt_DeptTable)) {
    fEATable.Deserialize(d);
    fDeptTable.Deserialize(d);
  }
  if (aDocumentTypes.Contains(dt_Pay)) fPaymentReceipt.Deserialize(d);
  if (aDocumentTypes.Contains(dt_ReceiptReference)) fReceiptReference.Deserialize(d);
  if (aDocumentTypes.Contains(dt_EJFilesRequest)) fEJFilesRequest.Deserialize(d);
}

}  // namespace dodu

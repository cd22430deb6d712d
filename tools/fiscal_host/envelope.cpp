#include "fiscal_host/envelope.h"

#include <sstream>
#include <stdexcept>

namespace dodu::host {

namespace {

void AddText(pugi::xml_node parent, const char* name, const std::string& value) {
  parent.append_child(name).text().set(value.c_str());
}

}  // namespace

std::string Envelope(int32_t handle, const std::string& till_serial, pugi::xml_node document) {
  pugi::xml_document envelope;
  pugi::xml_node root = envelope.append_child("ReceiptPrinterManager");
  AddText(root, "Type", "FP");
  AddText(root, "Driver", kDriverName);
  AddText(root, "Method", "Process");
  AddText(root, "LogId", "fiscal-host");
  AddText(root, "Handle", std::to_string(handle));
  pugi::xml_node parameters = root.append_child("Parameters");
  AddText(parameters, "Processor", kDriverName);
  AddText(parameters, "FPTillSerial", till_serial);
  if (document) root.append_copy(document);
  return XmlText(envelope);
}

Request::Request(const std::string& text, const std::string& document_element, const std::string& source)
    : fElement(document_element) {
  const pugi::xml_parse_result parsed = fDocument.load_string(text.c_str());
  if (!parsed) {
    throw std::runtime_error(source + " is no well-formed XML: " + parsed.description() + " at offset " +
                             std::to_string(parsed.offset));
  }
  if (!fDocument.document_element()) throw std::runtime_error(source + " holds no XML element");
  fBare = fElement == fDocument.document_element().name();
}

pugi::xml_node Request::Document() const {
  pugi::xml_node root = fDocument.document_element();
  return fBare ? root : root.child(fElement.c_str());
}

std::string Request::Text(int32_t handle, const std::string& till_serial) const {
  if (fBare) return Envelope(handle, till_serial, fDocument.document_element());
  pugi::xml_document envelope;
  envelope.reset(fDocument);
  pugi::xml_node root = envelope.document_element();
  pugi::xml_node handle_element = root.child("Handle");
  if (!handle_element) handle_element = root.append_child("Handle");
  handle_element.text().set(std::to_string(handle).c_str());
  return XmlText(envelope);
}

pugi::xml_node FindDocumentElement(const pugi::xml_document& document, const char* name) {
  pugi::xml_node root = document.document_element();
  if (std::string(root.name()) == name) return root;
  return root.child(name);
}

std::string XmlText(const pugi::xml_node& node) {
  std::ostringstream text;
  node.print(text, "", pugi::format_raw | pugi::format_no_declaration);
  return text.str();
}

}  // namespace dodu::host

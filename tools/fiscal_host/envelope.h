#pragma once

#include <cstdint>
#include <string>

#include <pugixml.hpp>

namespace dodu::host {

// The driver name every request names.
inline constexpr const char* kDriverName = "DODU_PT_10";

// A request envelope for DODU_PT_10 on one till; `document`, when given, is copied in.
std::string Envelope(int32_t handle, const std::string& till_serial, pugi::xml_node document = {});

// A request read from a file or composed by the demo: either one bare document element (a
// <Receipt>, a <ReceiptReference>), which gets wrapped into an envelope, or a whole envelope,
// which gets this process's handle (a processor lives only as long as the process that opened
// it, so a handle written into a file is meaningless here).
class Request {
 public:
  // Raises std::runtime_error naming `source` when the text is no well-formed XML.
  Request(const std::string& text, const std::string& document_element, const std::string& source);

  bool IsBareDocument() const { return fBare; }
  // The document element: the root when bare, else the root's first child of that name (empty
  // when the envelope holds none: the library then says what is missing).
  pugi::xml_node Document() const;
  std::string Text(int32_t handle, const std::string& till_serial) const;

 private:
  pugi::xml_document fDocument;
  std::string fElement;
  bool fBare = false;
};

// The first element named `name` among the root and the root's children: the receipt of a
// returned envelope or of a bare receipt.
pugi::xml_node FindDocumentElement(const pugi::xml_document& document, const char* name);

// The text of an XML document without declaration or indentation.
std::string XmlText(const pugi::xml_node& node);

}  // namespace dodu::host

#include "support/example_answers.h"

#include <regex>
#include <sstream>
#include <stdexcept>

#include <pugixml.hpp>

namespace dodu::testing {

namespace {

const std::regex kDateTime(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d)");

void Load(pugi::xml_document& document, const std::string& text) {
  const pugi::xml_parse_result parsed = document.load_string(text.c_str(), (pugi::parse_default | pugi::parse_ws_pcdata_single) & ~pugi::parse_eol);
  if (!parsed) throw std::runtime_error(std::string("no XML: ") + parsed.description());
}

// An element given an empty text and one without text are the same element in a file.
void DropEmptyTexts(pugi::xml_node node) {
  for (pugi::xml_node child = node.first_child(); child;) {
    pugi::xml_node next = child.next_sibling();
    if (child.type() == pugi::node_pcdata && *child.value() == '\0') node.remove_child(child);
    else DropEmptyTexts(child);
    child = next;
  }
}

std::string Written(pugi::xml_document& document) {
  DropEmptyTexts(document);
  std::ostringstream out;
  document.save(out, "  ", pugi::format_indent | pugi::format_no_declaration);
  return out.str();
}

void MaskElements(pugi::xml_node node, const std::vector<std::string>& names, const std::regex& form,
                  const char* placeholder) {
  for (pugi::xml_node child : node.children()) {
    if (child.type() != pugi::node_element) continue;
    for (const std::string& name : names) {
      if (name == child.name() && std::regex_match(std::string(child.child_value()), form))
        child.text().set(placeholder);
    }
    MaskElements(child, names, form, placeholder);
  }
}

// The four characters of the signature stand in the certification line and in the QR code's
// field Q; they are masked only when both agree.
void MaskShortHash(pugi::xml_node node) {
  static const std::regex certification(R"(^([A-Za-z0-9+/]{4})-Processado por programa certificado)");
  static const std::regex qr(R"(\*Q:([A-Za-z0-9+/]{4})\*R:)");
  std::string hash;
  for (pugi::xpath_node found : node.select_nodes("//Text/Value")) {
    std::smatch match;
    const std::string text = found.node().child_value();
    if (std::regex_search(text, match, certification)) hash = match[1];
  }
  if (hash.empty()) return;
  for (pugi::xpath_node found : node.select_nodes("//Barcode/Value")) {
    const std::string text = found.node().child_value();
    std::smatch match;
    if (!std::regex_search(text, match, qr) || match[1] != hash) return;
  }
  for (pugi::xpath_node found : node.select_nodes("//Text/Value | //Barcode/Value")) {
    // Plain text, not patterns: the characters may be "+" or "/".
    std::string text = found.node().child_value();
    if (text.rfind(hash + "-Processado", 0) == 0) text.replace(0, hash.size(), "{{hash4}}");
    const std::string field = "*Q:" + hash + "*R:";
    if (const size_t at = text.find(field); at != std::string::npos) text.replace(at, field.size(), "*Q:{{hash4}}*R:");
    found.node().text().set(text.c_str());
  }
}

void MaskReportTime(pugi::xml_node node) {
  static const std::regex time(R"((Data Registo ?)\d\d/\d\d/\d{4} \d\d:\d\d)");
  for (pugi::xpath_node found : node.select_nodes("/*/Text")) {
    const std::string text = std::regex_replace(std::string(found.node().child_value()), time, "$1{{dd/mm/yyyy hh:nn}}");
    found.node().text().set(text.c_str());
  }
}

}  // namespace

std::string ExampleForm(const std::string& answer_xml, const VolatileParts& parts) {
  pugi::xml_document document;
  Load(document, answer_xml);
  MaskElements(document, parts.nowElements, kDateTime, "{{now}}");
  MaskElements(document, parts.versionElements, std::regex(".+"), "{{version}}");
  MaskShortHash(document);
  MaskReportTime(document);
  return Written(document);
}

std::string CanonicalExample(const std::string& file_xml) {
  pugi::xml_document document;
  Load(document, file_xml);
  return Written(document);
}

}  // namespace dodu::testing

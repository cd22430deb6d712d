#include "saft/xml_stream_writer.h"

#include "base/ascii_text.h"
#include "base/text_encoding.h"

namespace dodu {

namespace {

bool IsXmlCharacter(char32_t aCode) {
  return aCode == 0x9 || aCode == 0xA || aCode == 0xD || (aCode >= 0x20 && aCode <= 0xD7FF) ||
         (aCode >= 0xE000 && aCode <= 0xFFFD) || (aCode >= 0x10000 && aCode <= 0x10FFFF);
}

}  // namespace

void XmlStreamWriter::Declaration() { fOut << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"; }

void XmlStreamWriter::Indent() { fOut << std::string((fBaseDepth + fOpen.size()) * 2, ' '); }

void XmlStreamWriter::Open(std::string_view aName, std::string_view aAttributes) {
  Indent();
  fOut << '<' << aName;
  if (!aAttributes.empty()) fOut << ' ' << aAttributes;
  fOut << ">\n";
  fOpen.emplace_back(aName);
}

void XmlStreamWriter::Close() {
  std::string name = std::move(fOpen.back());
  fOpen.pop_back();
  Indent();
  fOut << "</" << name << ">\n";
}

void XmlStreamWriter::Element(std::string_view aName, std::string_view aText) {
  Indent();
  fOut << '<' << aName << '>' << XmlEscaped(aText) << "</" << aName << ">\n";
}

std::string XmlEscaped(std::string_view aText) {
  std::string out;
  out.reserve(aText.size());
  for (char32_t code : Utf8ToCodePoints(aText)) {
    switch (code) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      // A carriage return would come back as a line feed: keep it as a reference.
      case '\r': out += "&#13;"; break;
      default: AppendUtf8(out, IsXmlCharacter(code) ? code : char32_t{0xFFFD});
    }
  }
  return out;
}

std::string FittedText(std::string_view aText, size_t aMaxChars, std::string_view aFallback) {
  std::u32string codes = Utf8ToCodePoints(Trimmed(aText));
  if (codes.size() > aMaxChars) codes.resize(aMaxChars);
  std::string fitted = Trimmed(CodePointsToUtf8(codes));
  return fitted.empty() ? std::string(aFallback) : fitted;
}

size_t CharacterCount(std::string_view aText) { return Utf8ToCodePoints(aText).size(); }

}  // namespace dodu

#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace dodu {

// Writes XML element by element straight to a stream, indented two blanks per level: nothing of
// the document is kept but the names of the elements still open.
class XmlStreamWriter {
 public:
  // aBaseDepth: the depth the first element stands at, for a part written apart from the rest.
  explicit XmlStreamWriter(std::ostream& aOut, size_t aBaseDepth = 0) : fOut(aOut), fBaseDepth(aBaseDepth) {}

  void Declaration();
  // aAttributes is written as it stands after the name (already escaped).
  void Open(std::string_view aName, std::string_view aAttributes = {});
  void Close();
  // <name>text</name>, the text escaped.
  void Element(std::string_view aName, std::string_view aText);
  // Copies text that already is XML of this document (written by another writer) unchanged.
  void Raw(std::string_view aXml) { fOut << aXml; }
  size_t Depth() const { return fOpen.size(); }

 private:
  void Indent();

  std::ostream& fOut;
  size_t fBaseDepth;
  std::vector<std::string> fOpen;
};

// The text with &, < and > escaped; invalid UTF-8 and characters XML 1.0 does not allow become
// U+FFFD (the replacement character), so any stored text gives well-formed output.
std::string XmlEscaped(std::string_view aText);

// A text for a field of the file: surrounding blanks removed, cut to aMaxChars characters (not
// bytes), and aFallback when nothing is left.
std::string FittedText(std::string_view aText, size_t aMaxChars, std::string_view aFallback = "Desconhecido");

// The number of characters (code points) of a UTF-8 text.
size_t CharacterCount(std::string_view aText);

}  // namespace dodu

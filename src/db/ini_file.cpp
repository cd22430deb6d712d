#include "db/ini_file.h"

#include <algorithm>
#include <cctype>

#include "base/ascii_text.h"
#include "platform/files.h"

namespace dodu {

namespace {

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// The section name of a header line, or false for any other line.
bool SectionHeader(const std::string& line, std::string& name) {
  if (line.size() < 2 || line.front() != '[') return false;
  size_t close = line.find(']');
  if (close == std::string::npos) return false;
  name = Trimmed(line.substr(1, close - 1));
  return true;
}

}  // namespace

tQV_IniFile::tQV_IniFile(const std::string& aFileName) {
  for (const std::string& line : ReadFileLines(aFileName)) fLines.push_back(Trimmed(line));
}

bool tQV_IniFile::SectionExists(const std::string& aSection) const {
  std::string name;
  return std::any_of(fLines.begin(), fLines.end(),
                     [&](const std::string& line) { return SectionHeader(line, name) && SameText(name, aSection); });
}

std::string tQV_IniFile::ReadString(const std::string& aSection, const std::string& aName,
                                    const std::string& aDefault) const {
  bool inside = false;
  std::string section;
  for (const std::string& line : fLines) {
    if (SectionHeader(line, section)) {
      inside = SameText(section, aSection);
      continue;
    }
    if (!inside || line.empty() || line[0] == ';') continue;
    size_t equals = line.find('=');
    if (equals == std::string::npos || !SameText(Trimmed(line.substr(0, equals)), aName)) continue;
    std::string value = Trimmed(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    return value;
  }
  return aDefault;
}

}  // namespace dodu

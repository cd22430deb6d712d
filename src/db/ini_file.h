#pragma once

#include <string>
#include <vector>

namespace dodu {

// A settings file of [sections] and name=value lines, read the way the store application's
// desktop programs read theirs: section and value names compare without regard to case, the
// first occurrence wins, blanks around names and values are dropped and one pair of quotes
// around a value is removed. Lines beginning with ";" are comments.
class tQV_IniFile {
 public:
  // Raises with the system's reason when the file cannot be read.
  explicit tQV_IniFile(const std::string& aFileName);

  bool SectionExists(const std::string& aSection) const;
  std::string ReadString(const std::string& aSection, const std::string& aName, const std::string& aDefault) const;

 private:
  std::vector<std::string> fLines;
};

}  // namespace dodu

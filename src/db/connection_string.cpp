#include "db/connection_string.h"

#include <algorithm>
#include <cctype>

#include "base/ascii_text.h"

namespace dodu {

std::string ProviderConnectionString(const std::string& aDataSource, const std::string& aDbName,
                                     const std::string& aUserName, const std::string& aPassword) {
  std::string text = "Provider=SQLOLEDB.1;Data Source=" + aDataSource + ";Initial Catalog=" + aDbName +
                     ";Persist Security Info=True;";
  if (!aUserName.empty()) return text + "User ID=" + aUserName + ";Password=" + aPassword + ";";
  return text + "Integrated Security=SSPI;";
}

std::string OdbcAttributeValue(const std::string& aValue) {
  const bool plain = aValue.find_first_of(";{}=") == std::string::npos &&
                     (aValue.empty() || (aValue.front() != ' ' && aValue.back() != ' '));
  if (plain) return aValue;
  std::string out = "{";
  for (char c : aValue) {
    out += c;
    if (c == '}') out += '}';
  }
  return out + "}";
}

std::string OdbcConnectionString(const std::string& aDriver, const std::string& aDataSource,
                                 const std::string& aDbName, const std::string& aUserName,
                                 const std::string& aPassword, const std::string& aApplicationName) {
  const bool free_tds = AsciiLower(aDriver).find("freetds") != std::string::npos;
  std::string text = "Driver=" + OdbcAttributeValue(aDriver) + ";";
  size_t comma = aDataSource.find(',');
  if (free_tds && comma != std::string::npos) {
    text += "Server=" + OdbcAttributeValue(aDataSource.substr(0, comma)) + ";Port=" +
            OdbcAttributeValue(aDataSource.substr(comma + 1)) + ";";
  } else {
    text += "Server=" + OdbcAttributeValue(aDataSource) + ";";
  }
  text += "Database=" + OdbcAttributeValue(aDbName) + ";";
  if (!aUserName.empty())
    text += "UID=" + OdbcAttributeValue(aUserName) + ";PWD=" + OdbcAttributeValue(aPassword) + ";";
  else
    text += "Trusted_Connection=yes;";
  if (!aApplicationName.empty()) text += "APP=" + OdbcAttributeValue(aApplicationName) + ";";
  if (free_tds) text += "ClientCharset=UTF-8;";
  return text;
}

std::string MaskedConnectionString(const std::string& aConnectionString) {
  std::string out;
  size_t i = 0;
  const std::string& s = aConnectionString;
  while (i < s.size()) {
    size_t equals = s.find('=', i);
    if (equals == std::string::npos) {
      out += s.substr(i);
      break;
    }
    std::string key = s.substr(i, equals - i);
    size_t end = equals + 1;
    if (end < s.size() && s[end] == '{') {
      // A braced value runs to its closing brace; "}}" inside it is one brace.
      for (++end; end < s.size(); ++end) {
        if (s[end] != '}') continue;
        if (end + 1 < s.size() && s[end + 1] == '}') {
          ++end;
          continue;
        }
        ++end;
        break;
      }
    }
    end = s.find(';', end);
    if (end == std::string::npos) end = s.size();
    std::string name = AsciiLower(key);
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    out += key + "=";
    out += (name == "pwd" || name == "password") ? "***" : s.substr(equals + 1, end - equals - 1);
    if (end < s.size()) out += ";";
    i = end + 1;
  }
  return out;
}

}  // namespace dodu

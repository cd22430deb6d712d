#include "db/connection_string.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "base/ascii_text.h"

namespace dodu {

std::string ProviderConnectionString(const std::string& aDataSource, const std::string& aDbName,
                                     const std::string& aUserName, const std::string& aPassword) {
  std::string text = "Provider=SQLOLEDB.1;Data Source=" + ProviderAttributeValue(aDataSource) +
                     ";Initial Catalog=" + ProviderAttributeValue(aDbName) + ";Persist Security Info=True;";
  if (!aUserName.empty())
    return text + "User ID=" + ProviderAttributeValue(aUserName) + ";Password=" + ProviderAttributeValue(aPassword) +
           ";";
  return text + "Integrated Security=SSPI;";
}

std::string ProviderAttributeValue(const std::string& aValue) {
  // An opening brace is quoted too, so that a reader of the ODBC form (a log's masking) takes the
  // value as ADO does.
  const bool plain = aValue.find(';') == std::string::npos &&
                     (aValue.empty() || (aValue.front() != '"' && aValue.front() != '\'' && aValue.front() != '{' &&
                                         !std::isspace(static_cast<unsigned char>(aValue.front())) &&
                                         !std::isspace(static_cast<unsigned char>(aValue.back()))));
  if (plain) return aValue;
  if (aValue.find('"') == std::string::npos) return '"' + aValue + '"';
  if (aValue.find('\'') == std::string::npos) return '\'' + aValue + '\'';
  std::string out = "\"";
  for (char c : aValue) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

std::string OdbcAttributeValue(const std::string& aValue) {
  // A value opening with a quote is braced too, so that a reader of the ADO form (a log's
  // masking) takes it as the ODBC driver does.
  const bool plain = aValue.find_first_of(";{}=") == std::string::npos &&
                     (aValue.empty() || (aValue.front() != ' ' && aValue.back() != ' ' && aValue.front() != '"' &&
                                         aValue.front() != '\''));
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

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The end of a value whose opening brace or quote is at aAt (aClose closes it, and stands for
// itself when doubled): the position after the closing character, or the end of the text when
// it is missing. aValue gets the value as meant.
size_t QuotedValueEnd(const std::string& s, size_t aAt, char aClose, std::string& aValue, bool& aClosed) {
  aClosed = false;
  size_t i = aAt + 1;
  for (; i < s.size(); ++i) {
    if (s[i] != aClose) {
      aValue += s[i];
      continue;
    }
    if (i + 1 < s.size() && s[i + 1] == aClose) {
      aValue += aClose;
      ++i;
      continue;
    }
    aClosed = true;
    return i + 1;
  }
  return i;
}

}  // namespace

std::vector<ConnectionAttribute> ConnectionAttributes(const std::string& aConnectionString) {
  const std::string& s = aConnectionString;
  std::vector<ConnectionAttribute> attributes;
  size_t i = 0;
  while (i < s.size()) {
    const size_t separator = s.find(';', i);
    const size_t piece_end = separator == std::string::npos ? s.size() : separator;
    const size_t equals_in_piece = std::string_view(s).substr(i, piece_end - i).find('=');
    const size_t equals = equals_in_piece == std::string_view::npos ? std::string::npos : i + equals_in_piece;
    if (equals == std::string::npos) {
      // No "=" before the next ";": the rest of the value before, which held an unquoted ";".
      const size_t end = piece_end;
      const std::string piece = s.substr(i, end - i);
      if (std::all_of(piece.begin(), piece.end(), IsBlank)) {
        // Nothing between two separators, or after the last one.
      } else if (!attributes.empty()) {
        attributes.back().rawValue += ";" + piece;
        attributes.back().value += ";" + piece;
        attributes.back().cut = true;
      } else {
        attributes.push_back({"", piece, piece, true});
      }
      i = end + 1;
      continue;
    }
    ConnectionAttribute attribute;
    attribute.key = s.substr(i, equals - i);
    size_t at = equals + 1;
    while (at < s.size() && IsBlank(s[at])) ++at;
    size_t end;
    if (at < s.size() && (s[at] == '{' || s[at] == '"' || s[at] == '\'')) {
      bool closed = false;
      end = QuotedValueEnd(s, at, s[at] == '{' ? '}' : s[at], attribute.value, closed);
      // Anything between the closing character and the next ";" belongs to no value: keep it in
      // this one rather than show it.
      const size_t next = closed ? s.find(';', end) : std::string::npos;
      const size_t stop = next == std::string::npos ? s.size() : next;
      attribute.value += s.substr(end, stop - end);
      end = stop;
    } else {
      end = separator == std::string::npos ? s.size() : separator;
      attribute.value = s.substr(equals + 1, end - equals - 1);
    }
    attribute.rawValue = s.substr(equals + 1, end - equals - 1);
    attributes.push_back(std::move(attribute));
    i = end + 1;
  }
  return attributes;
}

bool IsPasswordKey(const std::string& aKey) {
  std::string name = AsciiLower(aKey);
  name.erase(std::remove_if(name.begin(), name.end(), [](char c) { return IsBlank(c); }), name.end());
  return name == "pwd" || name.find("password") != std::string::npos;
}

std::string MaskedConnectionString(const std::string& aConnectionString) {
  std::string out;
  for (const ConnectionAttribute& attribute : ConnectionAttributes(aConnectionString)) {
    if (!out.empty()) out += ";";
    // A piece that is no attribute may be any part of a value, a password's included: it is not
    // shown, nor the value it ends.
    if (attribute.key.empty()) {
      out += "***";
      continue;
    }
    out += attribute.key + "=" + (IsPasswordKey(attribute.key) || attribute.cut ? "***" : attribute.rawValue);
  }
  if (!aConnectionString.empty() && aConnectionString.back() == ';' && !out.empty()) out += ";";
  return out;
}

std::vector<std::string> ConnectionStringPasswords(const std::string& aConnectionString) {
  std::vector<std::string> passwords;
  for (const ConnectionAttribute& attribute : ConnectionAttributes(aConnectionString)) {
    if (!IsPasswordKey(attribute.key)) continue;
    passwords.push_back(attribute.value);
    passwords.push_back(attribute.rawValue);
  }
  return passwords;
}

std::string WithoutSecrets(const std::string& aText, const std::vector<std::string>& aSecrets) {
  std::vector<std::string> secrets;
  for (const std::string& secret : aSecrets)
    if (!secret.empty()) secrets.push_back(secret);
  // The longest first, so a secret that holds another is replaced whole.
  std::sort(secrets.begin(), secrets.end(),
            [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
  std::string text = aText;
  for (const std::string& secret : secrets) {
    std::string out;
    size_t start = 0;
    for (size_t found; (found = text.find(secret, start)) != std::string::npos; start = found + secret.size())
      out.append(text, start, found - start) += "***";
    out.append(text, start, std::string::npos);
    text = std::move(out);
  }
  return text;
}

}  // namespace dodu

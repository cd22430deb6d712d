#include "db/sql_identifier.h"

#include "base/error.h"

namespace dodu {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool IsPlainSqlIdentifier(std::string_view aName, size_t aMaxLength) {
  if (aName.empty() || aName.size() > aMaxLength || IsAsciiDigit(aName.front())) return false;
  for (char c : aName)
    if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '_') return false;
  return true;
}

void CheckSqlIdentifier(const std::string& aName, const std::string& aWhat, size_t aMaxLength) {
  if (IsPlainSqlIdentifier(aName, aMaxLength)) return;
  // The name came from outside: the message quotes only its beginning, control characters (a NUL
  // would end the text) as \xNN.
  std::string shown;
  for (size_t i = 0; i < aName.size() && i < aMaxLength; ++i) {
    const unsigned char c = static_cast<unsigned char>(aName[i]);
    if (c >= 0x20 && c != 0x7f) {
      shown += aName[i];
      continue;
    }
    static const char* const kDigits = "0123456789abcdef";
    shown += std::string("\\x") + kDigits[c >> 4] + kDigits[c & 15];
  }
  if (aName.size() > aMaxLength) shown += "...";
  throw Error(aWhat + " [" + shown + "] is refused: a name in a statement may hold only letters, digits and \"_\", " +
              "may not begin with a digit and has at most " + std::to_string(aMaxLength) + " characters");
}

}  // namespace dodu

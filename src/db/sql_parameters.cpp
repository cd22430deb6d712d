#include "db/sql_parameters.h"

#include <algorithm>
#include <cctype>

#include "base/error.h"

namespace dodu {

namespace {

bool IsNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

// Index just past a run that ends with `close`; a doubled closing character is part of the run.
size_t SkipQuoted(const std::string& text, size_t i, char close) {
  for (++i; i < text.size(); ++i) {
    if (text[i] != close) continue;
    if (i + 1 < text.size() && text[i + 1] == close) {
      ++i;
      continue;
    }
    return i + 1;
  }
  return text.size();
}

}  // namespace

tQV_BoundStatement BindParameters(const std::string& aSQL, const tQV_SQLParams& aParams) {
  tQV_BoundStatement bound;
  if (aParams.empty()) {
    bound.sql = aSQL;
    return bound;
  }
  std::vector<bool> used(aParams.size(), false);
  const std::string& s = aSQL;
  size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    size_t next = i + 1;
    if (c == '\'' || c == '"') {
      next = SkipQuoted(s, i, c);
    } else if (c == '[') {
      next = SkipQuoted(s, i, ']');
    } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
      next = s.find('\n', i);
      next = next == std::string::npos ? s.size() : next;
    } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
      next = s.find("*/", i + 2);
      next = next == std::string::npos ? s.size() : next + 2;
    } else if (c == ':' && i + 1 < s.size() && s[i + 1] == ':') {
      next = i + 2;  // a scope qualifier, never a parameter
    } else if (c == ':' && i + 1 < s.size() && IsNameStart(s[i + 1])) {
      size_t end = i + 1;
      while (end < s.size() && IsNameChar(s[end])) ++end;
      std::string name = s.substr(i + 1, end - i - 1);
      const tQV_SQLParam* found = nullptr;
      // Elements are assigned in order, so of two with one name the later one counts.
      for (size_t k = 0; k < aParams.size(); ++k) {
        if (SameName(aParams[k].name, name)) {
          found = &aParams[k];
          used[k] = true;
        }
      }
      if (found == nullptr) throw Error("No value given for parameter :" + name);
      bound.sql += '?';
      bound.values.push_back(found);
      i = end;
      continue;
    }
    bound.sql.append(s, i, next - i);
    i = next;
  }
  for (size_t k = 0; k < aParams.size(); ++k)
    if (!used[k]) throw Error("Parameter " + aParams[k].name + " not found");
  return bound;
}

}  // namespace dodu

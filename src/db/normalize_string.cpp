#include <string>

#include "base/text_encoding.h"
#include "db/vendizio_proxy.h"

namespace dodu {

// Character-wise, so the two-byte ø goes and no other letter is cut.
std::string tQV_VendizioProxy::NormalizeString(const std::string& aString) {
  static const std::u32string kRemoved = U" |\\!?$%/()=^,.;:_-\u00F8+*@#\"";
  std::u32string kept;
  for (char32_t c : Utf8ToCodePoints(aString))
    if (kRemoved.find(c) == std::u32string::npos) kept += c;
  return CodePointsToUtf8(kept);
}

}  // namespace dodu

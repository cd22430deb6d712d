#include "receipt/receipt_util.h"

#include <cstring>
#include <limits>

#include "base/conversions.h"
#include "base/error.h"
#include "base/text_encoding.h"

namespace dodu {

namespace {

std::string FailurePrefix(const std::string& aNodeName, const char* aKind) {
  return "Error in processing node " + aNodeName + " as " + aKind + ".\r\n";
}

// The direct text and CDATA pieces of an element; an element holding elements has no text.
std::string ElementText(const pugi::xml_node& aNode) {
  std::string text;
  for (pugi::xml_node child = aNode.first_child(); child; child = child.next_sibling()) {
    if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
      text += child.value();
    else if (child.type() == pugi::node_element)
      throw Error(std::string("Element ") + aNode.name() + " holds child elements, not a text");
  }
  return text;
}

// Runs aRead on the child's text and turns any failure into the typed reader's error.
template <typename Read>
auto ReadChild(const pugi::xml_node& aChild, const std::string& aNodeName, const char* aKind, Read aRead) {
  try {
    return aRead(ElementText(aChild));
  } catch (const Error& e) {
    throw Error(FailurePrefix(aNodeName, aKind) + e.what());
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decimal number with "." and an optional exponent; reports whether its value is zero.
bool ParseNumber(std::string_view text, bool& is_zero) {
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  is_zero = true;
  auto take_digits = [&] {
    while (i < text.size() && IsDigit(text[i])) {
      if (text[i] != '0') is_zero = false;
      ++i, ++digits;
    }
  };
  take_digits();
  if (i < text.size() && text[i] == '.') {
    ++i;
    take_digits();
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t exponent_digits = 0;
    while (i < text.size() && IsDigit(text[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  return i == text.size();
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool TextToBoolean(const std::string& text) {
  bool is_zero;
  if (ParseNumber(text, is_zero)) return !is_zero;
  if (EqualsIgnoringCase(text, "true")) return true;
  if (EqualsIgnoringCase(text, "false")) return false;
  throw Error("'" + text + "' is not a valid boolean value");
}

int32_t TextToInteger(const std::string& text) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  if (i == text.size()) throw Error("'" + text + "' is not a valid integer value");
  int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (!IsDigit(text[i])) throw Error("'" + text + "' is not a valid integer value");
    value = value * 10 + (text[i] - '0');
    if (value > int64_t{std::numeric_limits<int32_t>::max()} + 1)
      throw Error("'" + text + "' is not a valid integer value");
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int32_t>::max()) throw Error("'" + text + "' is not a valid integer value");
  return static_cast<int32_t>(value);
}

}  // namespace

pugi::xml_node krptUtil::AddNode(pugi::xml_node aParentNode, const std::string& aNodeName,
                                 const std::string& aNodeValue) {
  pugi::xml_node node = aParentNode.append_child(aNodeName.c_str());
  if (!node) throw Error("Unable to add node " + aNodeName);
  if (!aNodeValue.empty()) node.append_child(pugi::node_pcdata).set_value(aNodeValue.c_str());
  return node;
}

pugi::xml_node krptUtil::FindNode(const pugi::xml_node& aParentNode, const std::string& aNodeName) {
  // Not xml_node::child(): that also matches processing instructions of the same name.
  for (pugi::xml_node child = aParentNode.first_child(); child; child = child.next_sibling())
    if (child.type() == pugi::node_element && aNodeName == child.name()) return child;
  return pugi::xml_node();
}

bool krptUtil::HasNode(const pugi::xml_node& aParentNode, const std::string& aNodeName) {
  return static_cast<bool>(FindNode(aParentNode, aNodeName));
}

std::string krptUtil::NodeText(const pugi::xml_node& aNode) {
  return ReadChild(aNode, aNode.name(), "string", [](std::string text) { return text; });
}

std::string krptUtil::GetNodeValueAsString(const pugi::xml_node& aParentNode, const std::string& aNodeName) {
  pugi::xml_node child = FindNode(aParentNode, aNodeName);
  return child ? NodeText(child) : std::string();
}

bool krptUtil::GetNodeValueAsBoolean(const pugi::xml_node& aParentNode, const std::string& aNodeName,
                                     bool aDefaultValue) {
  pugi::xml_node child = FindNode(aParentNode, aNodeName);
  if (!child) return aDefaultValue;
  return ReadChild(child, aNodeName, "boolean", TextToBoolean);
}

Amount krptUtil::GetNodeValueAsCurrency(const pugi::xml_node& aParentNode, const std::string& aNodeName) {
  pugi::xml_node child = FindNode(aParentNode, aNodeName);
  if (!child) return Amount();
  return ReadChild(child, aNodeName, "currency",
                   [](const std::string& text) { return text.empty() ? Amount() : Amount::Parse(text); });
}

int32_t krptUtil::GetNodeValueAsInteger(const pugi::xml_node& aParentNode, const std::string& aNodeName) {
  pugi::xml_node child = FindNode(aParentNode, aNodeName);
  if (!child) return 0;
  return ReadChild(child, aNodeName, "integer",
                   [](const std::string& text) { return text.empty() ? 0 : TextToInteger(text); });
}

DateTime krptUtil::GetNodeValueAsDate(const pugi::xml_node& aParentNode, const std::string& aNodeName) {
  pugi::xml_node child = FindNode(aParentNode, aNodeName);
  if (!child) return DateTime();
  return ReadChild(child, aNodeName, "date", [](const std::string& text) { return XmlTextToDate(text); });
}

DateTime krptUtil::GetNodeValueAsDateTime(const pugi::xml_node& aParentNode, const std::string& aNodeName) {
  pugi::xml_node child = FindNode(aParentNode, aNodeName);
  if (!child) return DateTime();
  return ReadChild(child, aNodeName, "datetime", [](const std::string& text) { return XmlTextToDateTime(text); });
}

DateTime krptUtil::TryGetNodeValueAsDateTime(const pugi::xml_node& aParentNode, const std::string& aNodeName) {
  try {
    return GetNodeValueAsDateTime(aParentNode, aNodeName);
  } catch (const Error&) {
    return DateTime();
  }
}

std::string krptUtil::GetAttributeValueAsString(const pugi::xml_node& aNode, const std::string& aAttrName) {
  return aNode.attribute(aAttrName.c_str()).value();
}

std::string krptUtil::NormalizeText(std::string_view aText) {
  std::u32string text = Utf8ToCodePoints(aText);
  for (char32_t& c : text) {
    switch (c) {
      case U'\u00C0': c = U'A'; break;  // À
      case U'\u00D9': c = U'U'; break;  // Ù
      case U'\u00C8':                   // È
      case U'\u00C9': c = U'E'; break;  // É
      case U'\u00D2':                   // Ò
      case U'\u00D6': c = U'O'; break;  // Ö
      case U'\u00C7': c = U'C'; break;  // Ç
      case U'\u00CF':                   // Ï
      case U'\u00CC': c = U'I'; break;  // Ì
      case U'\u20AC': c = U'E'; break;  // €
      default: break;
    }
  }
  static const std::u32string kTotale = U"TOTALE";
  static const std::u32string kShort = U"TOT.";
  for (size_t at = text.find(kTotale); at != std::u32string::npos; at = text.find(kTotale, at + kShort.size()))
    text.replace(at, kTotale.size(), kShort);
  std::string out;
  out.reserve(text.size());
  for (char32_t c : text) out += (c < 32 || c > 127) ? ' ' : static_cast<char>(c);
  return out;
}

}  // namespace dodu

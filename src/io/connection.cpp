#include "io/connection.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <utility>

#include "base/ascii_text.h"
#include "base/error.h"

namespace dodu {

namespace {

constexpr std::array<std::pair<qvConnectionType, const char*>, 7> kConnectionTypes{{
    {qvConnectionType::OPOS, "OPOS"},
    {qvConnectionType::TCP, "TCP"},
    {qvConnectionType::HTTP, "HTTP"},
    {qvConnectionType::Serial, "SERIAL"},
    {qvConnectionType::DLL, "DLL"},
    {qvConnectionType::Com, "COM"},
    {qvConnectionType::Spool, "SPOOL"},
}};
constexpr std::array<std::pair<qvParity, const char*>, 3> kParities{{
    {qvParity::None, "NONE"}, {qvParity::Even, "EVEN"}, {qvParity::Odd, "ODD"}}};
constexpr std::array<std::pair<qvHTTPAuthType, const char*>, 4> kAuthTypes{{
    {qvHTTPAuthType::at_None, "NONE"},
    {qvHTTPAuthType::at_Basic, "BASIC"},
    {qvHTTPAuthType::at_Digest, "DIGEST"},
    {qvHTTPAuthType::at_Bearer, "BEARER"}}};

template <typename Table, typename Value>
bool FindCode(const Table& table, const std::string& text, Value& out) {
  const std::string lower = AsciiLower(text);
  for (const auto& [value, code] : table) {
    if (AsciiLower(code) == lower) {
      out = value;
      return true;
    }
  }
  return false;
}

template <typename Table, typename Value>
std::string CodeOf(const Table& table, Value value) {
  for (const auto& [candidate, code] : table) {
    if (candidate == value) return code;
  }
  return {};
}

}  // namespace

qvConnectionType kConnection::ConvertConnectionType(const std::string& text) {
  qvConnectionType value;
  if (!FindCode(kConnectionTypes, text, value)) throw Error("Connection Type " + text + " is not valid");
  return value;
}

qvParity kConnection::ConvertParity(const std::string& text) {
  qvParity value;
  if (!FindCode(kParities, text, value)) throw Error("Connection Parity " + text + " is not valid");
  return value;
}

qvHTTPAuthType kConnection::ConvertAuthType(const std::string& text) {
  qvHTTPAuthType value = qvHTTPAuthType::at_None;
  FindCode(kAuthTypes, text, value);
  return value;
}

std::string kConnection::ConnectionTypeToString(qvConnectionType value) { return CodeOf(kConnectionTypes, value); }
std::string kConnection::ParityToString(qvParity value) { return CodeOf(kParities, value); }
std::string kConnection::AuthTypeToString(qvHTTPAuthType value) { return CodeOf(kAuthTypes, value); }

}  // namespace dodu

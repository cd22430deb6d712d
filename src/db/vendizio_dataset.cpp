#include "db/vendizio_dataset.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "base/ascii_text.h"
#include "base/error.h"

namespace dodu {

namespace {

// A number in exponent form (as engines write floating-point values) moved into plain decimal
// form by shifting the point in the text, so no binary rounding comes in.
std::string PlainDecimal(const std::string& text) {
  size_t e = text.find_first_of("eE");
  if (e == std::string::npos) return text;
  int exponent = 0;
  auto [ptr, ec] = std::from_chars(text.data() + e + 1 + (text[e + 1] == '+' ? 1 : 0), text.data() + text.size(),
                                   exponent);
  if (ec != std::errc() || ptr != text.data() + text.size() || std::abs(exponent) > 40) return text;
  std::string mantissa = text.substr(0, e);
  std::string sign;
  if (!mantissa.empty() && (mantissa[0] == '-' || mantissa[0] == '+')) {
    if (mantissa[0] == '-') sign = "-";
    mantissa.erase(0, 1);
  }
  size_t point = mantissa.find('.');
  std::string digits = mantissa;
  int integer_digits = static_cast<int>(mantissa.size());
  if (point != std::string::npos) {
    digits.erase(point, 1);
    integer_digits = static_cast<int>(point);
  }
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
    return text;
  int new_point = integer_digits + exponent;
  if (new_point <= 0) return sign + "0." + std::string(static_cast<size_t>(-new_point), '0') + digits;
  if (new_point >= static_cast<int>(digits.size()))
    return sign + digits + std::string(static_cast<size_t>(new_point) - digits.size(), '0');
  return sign + digits.substr(0, static_cast<size_t>(new_point)) + "." + digits.substr(static_cast<size_t>(new_point));
}

bool ReadDigits(const std::string& text, size_t at, size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (size_t i = at; i < at + count; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    value = value * 10 + (text[i] - '0');
  }
  return true;
}

bool ParseDateTimeText(const std::string& text, DateTime& out) {
  DateTimeFields f;
  if (!ReadDigits(text, 0, 4, f.year) || text.size() < 10 || text[4] != '-' || !ReadDigits(text, 5, 2, f.month) ||
      text[7] != '-' || !ReadDigits(text, 8, 2, f.day))
    return false;
  f.hour = f.minute = f.second = f.millisecond = 0;
  if (text.size() > 10) {
    if ((text[10] != ' ' && text[10] != 'T') || !ReadDigits(text, 11, 2, f.hour) || text.size() < 16 ||
        text[13] != ':' || !ReadDigits(text, 14, 2, f.minute))
      return false;
    size_t i = 16;
    if (i < text.size() && text[i] == ':') {
      if (!ReadDigits(text, 17, 2, f.second)) return false;
      i = 19;
      if (i < text.size() && text[i] == '.') {
        ++i;
        int scale = 100;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
          f.millisecond += (text[i] - '0') * scale;  // digits past the millisecond are dropped
          scale /= 10;
          ++i;
        }
      }
    }
    if (i != text.size()) return false;
  }
  return TryEncodeDateTime(f, out);
}

}  // namespace

std::string tQV_Field::AsString() const { return IsNull() ? std::string() : fCell->text; }

int64_t tQV_Field::AsInteger() const {
  if (IsNull()) return 0;
  const std::string text = Trimmed(fCell->text);
  int64_t value = 0;
  const char* begin = text.data() + (!text.empty() && text[0] == '+' ? 1 : 0);
  auto [ptr, ec] = std::from_chars(begin, text.data() + text.size(), value);
  if (ec == std::errc() && ptr == text.data() + text.size()) return value;
  // A decimal or floating-point column that holds a whole number.
  Amount amount;
  if (Amount::TryParse(PlainDecimal(text), amount) && amount.Raw() % Amount::kScale == 0) return amount.Truncated();
  if (fCell->kind == tQV_CellKind::Boolean && (AsciiLower(text) == "true" || AsciiLower(text) == "false"))
    return AsciiLower(text) == "true" ? 1 : 0;
  throw Error("'" + fCell->text + "' is not a valid integer value for field " + fName);
}

Amount tQV_Field::AsAmount() const {
  if (IsNull()) return Amount();
  Amount amount;
  if (!Amount::TryParse(PlainDecimal(Trimmed(fCell->text)), amount))
    throw Error("'" + fCell->text + "' is not a valid amount for field " + fName);
  return amount;
}

DateTime tQV_Field::AsDateTime() const {
  if (IsNull()) return DateTime();
  const std::string text = Trimmed(fCell->text);
  DateTime value;
  if (ParseDateTimeText(text, value)) return value;
  if (fCell->kind == tQV_CellKind::Integer || fCell->kind == tQV_CellKind::Number) {
    // The system's own day count, as a store without a date type keeps it.
    double days = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), days);
    if (ec == std::errc() && ptr == text.data() + text.size() && std::isfinite(days)) return DateTime(days);
  }
  throw Error("'" + fCell->text + "' is not a valid date and time for field " + fName);
}

bool tQV_Field::AsBoolean() const {
  if (IsNull()) return false;
  const std::string text = AsciiLower(Trimmed(fCell->text));
  if (text == "true") return true;
  if (text == "false") return false;
  Amount amount;
  if (Amount::TryParse(PlainDecimal(text), amount)) return !amount.IsZero();
  throw Error("'" + fCell->text + "' is not a valid boolean value for field " + fName);
}

tQV_VendizioDataset::tQV_VendizioDataset(tQV_ResultSet aResult) : fResult(std::move(aResult)) {
  for (size_t i = 0; i < fResult.columns.size(); ++i) fIndex.emplace(AsciiLower(fResult.columns[i]), i);
}

void tQV_VendizioDataset::Close() {
  fActive = false;
  fResult.rows.clear();
  fRecNo = 0;
}

bool tQV_VendizioDataset::HasField(const std::string& aName) const {
  return fIndex.find(AsciiLower(aName)) != fIndex.end();
}

tQV_Field tQV_VendizioDataset::FieldByName(const std::string& aName) const {
  auto it = fIndex.find(AsciiLower(aName));
  if (it == fIndex.end()) throw Error("Field '" + aName + "' not found");
  return Fields(static_cast<int>(it->second));
}

tQV_Field tQV_VendizioDataset::Fields(int aIndex) const {
  if (aIndex < 0 || static_cast<size_t>(aIndex) >= fResult.columns.size())
    throw Error("Field index " + std::to_string(aIndex) + " out of range");
  const tQV_Cell* cell = Eof() ? nullptr : fResult.rows[fRecNo].Find(static_cast<size_t>(aIndex));
  return tQV_Field(fResult.columns[static_cast<size_t>(aIndex)], cell);
}

}  // namespace dodu

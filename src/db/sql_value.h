#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "base/amount.h"
#include "base/date_time.h"

namespace dodu {

// A value handed to the database: a statement parameter or a key value of a record look-up.
// It knows the variant type code a desktop runtime would give it, because some messages show it.
class tQV_Variant {
 public:
  // Variant type codes (the desktop runtime's numbering).
  static constexpr int kNull = 1, kInteger = 3, kCurrency = 6, kDate = 7, kBoolean = 11, kInt64 = 20,
                       kString = 258;

  tQV_Variant() = default;  // null
  tQV_Variant(std::nullptr_t) {}
  tQV_Variant(int32_t value) : fValue(static_cast<int64_t>(value)), fTypeCode(kInteger) {}
  tQV_Variant(int64_t value) : fValue(value), fTypeCode(kInt64) {}
  tQV_Variant(Amount value) : fValue(value), fTypeCode(kCurrency) {}
  tQV_Variant(DateTime value) : fValue(value), fTypeCode(kDate) {}
  tQV_Variant(bool value) : fValue(value), fTypeCode(kBoolean) {}
  tQV_Variant(std::string value) : fValue(std::move(value)), fTypeCode(kString) {}
  tQV_Variant(const char* value) : fValue(std::string(value)), fTypeCode(kString) {}

  bool IsNull() const { return std::holds_alternative<std::monostate>(fValue); }
  bool IsInteger() const { return std::holds_alternative<int64_t>(fValue); }
  bool IsAmount() const { return std::holds_alternative<Amount>(fValue); }
  bool IsDateTime() const { return std::holds_alternative<DateTime>(fValue); }
  bool IsBoolean() const { return std::holds_alternative<bool>(fValue); }
  bool IsText() const { return std::holds_alternative<std::string>(fValue); }

  int64_t AsInteger() const { return std::get<int64_t>(fValue); }
  Amount AsAmount() const { return std::get<Amount>(fValue); }
  DateTime AsDateTime() const { return std::get<DateTime>(fValue); }
  bool AsBoolean() const { return std::get<bool>(fValue); }
  const std::string& AsText() const { return std::get<std::string>(fValue); }

  int TypeCode() const { return fTypeCode; }

 private:
  std::variant<std::monostate, int64_t, Amount, DateTime, bool, std::string> fValue;
  int fTypeCode = kNull;
};

// Field data types of the data-access layer; a command uses one to type a null parameter.
enum tQV_FieldType {
  ft_Unknown,
  ft_String,
  ft_WideString,
  ft_Integer,
  ft_LargeInt,
  ft_Boolean,
  ft_Currency,
  ft_BCD,
  ft_Date,
  ft_DateTime,
  ft_Blob
};

// A statement parameter, referred to in the SQL text as ":" + name.
struct tQV_SQLParam {
  std::string name;
  tQV_Variant value;
  tQV_FieldType dataType = ft_Unknown;

  static tQV_SQLParam Create(std::string aName, tQV_Variant aValue, tQV_FieldType aDataType = ft_Unknown) {
    return tQV_SQLParam{std::move(aName), std::move(aValue), aDataType};
  }
};

using tQV_SQLParams = std::vector<tQV_SQLParam>;

}  // namespace dodu

#include "db/vendizio_record_getter.h"

#include <limits>

#include "base/conversions.h"
#include "base/error.h"
#include "db/vendizio_proxy.h"

namespace dodu {

namespace {

// The literal of one key value; false when its type has none.
bool KeyLiteral(const tQV_Variant& value, std::string& literal) {
  if (value.IsInteger()) {
    const int64_t number = value.AsInteger();
    if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<int32_t>::max())
      throw Error("Key value " + std::to_string(number) + " does not fit a 32-bit integer");
    literal = std::to_string(number);
  } else if (value.IsAmount()) {
    literal = SqlCurrencyText(value.AsAmount());
  } else if (value.IsDateTime()) {
    literal = SqlDateText(value.AsDateTime());
  } else if (value.IsText()) {
    literal = SqlQuoted(value.AsText());
  } else {
    return false;
  }
  return true;
}

}  // namespace

std::string KeyCondition(const tQV_VdzDecodeMap& aEntry, const tQV_KeyValues& aKeyValues,
                         const SqlDialect& aDialect, const tQV_NotifyHandler& aNotify) {
  if (aKeyValues.size() > aEntry.keyFields.size())
    throw Error("Too many key values for " + aEntry.tablename + ": " + std::to_string(aKeyValues.size()) +
                " given, " + std::to_string(aEntry.keyFields.size()) + " key columns");
  std::string condition;
  for (size_t k = 0; k < aKeyValues.size(); ++k) {
    std::string literal;
    if (!KeyLiteral(aKeyValues[k], literal) && aNotify)
      aNotify(1, "Tipo Dato " + std::to_string(aKeyValues[k].TypeCode()) + " non gestito");
    condition += aEntry.keyFields[k] + "=" + literal + " and ";
  }
  return condition + aDialect.NotDeletedCondition();
}

std::string RecordGetStatement(const tQV_VdzDecodeMap& aEntry, const tQV_KeyValues& aKeyValues,
                               const SqlDialect& aDialect, const tQV_NotifyHandler& aNotify) {
  std::string order;
  for (const std::string& column : aEntry.keyFields) order += (order.empty() ? "" : ",") + column;
  return "select * from " + aEntry.tablename + " where " + KeyCondition(aEntry, aKeyValues, aDialect, aNotify) +
         "order by " + order;
}

std::string RecordExistsStatement(const tQV_VdzDecodeMap& aEntry, const tQV_KeyValues& aKeyValues,
                                  const SqlDialect& aDialect, const tQV_NotifyHandler& aNotify) {
  return "select count(*) as Num from " + aEntry.tablename + " where " +
         KeyCondition(aEntry, aKeyValues, aDialect, aNotify);
}

std::string RecordDecodeStatement(const tQV_VdzDecodeMap& aEntry, const tQV_KeyValues& aKeyValues,
                                  const SqlDialect& aDialect, const tQV_NotifyHandler& aNotify) {
  return "select " + aEntry.decodeexpression + " as Decoded from " + aEntry.tablename + " where " +
         KeyCondition(aEntry, aKeyValues, aDialect, aNotify);
}

std::unique_ptr<tQV_VendizioDataset> tQV_VendizioRecordGetter::Get(tQV_VdzTable aTable,
                                                                   const tQV_KeyValues& aKeyValues) {
  const tQV_VdzDecodeMap* entry = FindVdzDecodeMap(aTable);
  if (entry == nullptr) return nullptr;
  return fProxy->CreateDataset(RecordGetStatement(*entry, aKeyValues, fProxy->Dialect(), fProxy->NotifyHandler()));
}

bool tQV_VendizioRecordGetter::Exists(tQV_VdzTable aTable, const tQV_KeyValues& aKeyValues) {
  const tQV_VdzDecodeMap* entry = FindVdzDecodeMap(aTable);
  if (entry == nullptr) return false;
  auto dataset =
      fProxy->CreateDataset(RecordExistsStatement(*entry, aKeyValues, fProxy->Dialect(), fProxy->NotifyHandler()));
  return dataset->FieldByName("Num").AsInteger() > 0;
}

std::string tQV_VendizioRecordGetter::Decode(tQV_VdzTable aTable, const tQV_KeyValues& aKeyValues) {
  const tQV_VdzDecodeMap* entry = FindVdzDecodeMap(aTable);
  if (entry == nullptr) return {};
  auto dataset =
      fProxy->CreateDataset(RecordDecodeStatement(*entry, aKeyValues, fProxy->Dialect(), fProxy->NotifyHandler()));
  return dataset->FieldByName("Decoded").AsString();
}

}  // namespace dodu

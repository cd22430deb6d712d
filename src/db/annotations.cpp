#include "db/annotations.h"

#include <array>

#include "base/conversions.h"
#include "db/vendizio_proxy.h"

namespace dodu {

namespace {

constexpr std::array<const char*, 6> kFlagColumns = {"CAFLO", "CAFLD", "CAFLF", "CAFLP", "CAFLE", "CAFPT"};

}  // namespace

std::string AnnotationDeleteStatement(const std::string& aType, const std::string& aKeyValue, int32_t aStartLine,
                                      const SqlDialect& aDialect) {
  return "update TBCOA00F set annullato='S' where caarc=" + SqlQuoted(aType) + "  and cakey=" + SqlQuoted(aKeyValue) +
         "  and caprg>=" + std::to_string(aStartLine) + "  and " + aDialect.NotDeletedCondition();
}

void tQV_VendizioProxy::TBCOA_Load(const std::string& aType, const std::string& aKeyValue,
                                   std::vector<std::string>& aText, bool aAddFlags) {
  aText.clear();
  auto rows = Get(nt_tbcoa, {aType, aKeyValue});
  if (aAddFlags && !rows->Eof()) {
    std::string flags;
    for (const char* column : kFlagColumns) flags += rows->FieldByName(column).AsString() + "|";
    aText.push_back(flags);
  }
  for (; !rows->Eof(); rows->Next()) aText.push_back(rows->FieldByName("CATXT").AsString());
}

std::string tQV_VendizioProxy::TBCOA_Write(const std::string& aType, const std::string& aKeyValue,
                                           const std::vector<std::string>& aText) {
  if (aText.empty()) {
    TBCOA_Delete(aType, aKeyValue, 1);
    return aKeyValue;
  }
  const std::string node = GetNodo();
  std::string key = aKeyValue;
  if (key.empty()) key = node + ZeroPadded(int64_t{GetNextNumber("*" + aType, "****", "", false)}, 7);

  std::vector<std::string> flags;
  for (size_t i = 0; i < kFlagColumns.size(); ++i)
    flags.push_back(std::string(kFlagColumns[i]) + "=" + GetField(aText[0], static_cast<int>(i) + 1, '|'));

  for (size_t k = 1; k < aText.size(); ++k) {
    const int32_t line = static_cast<int32_t>(k);
    if (!Exists(nt_tbcoa, {aType, key, line})) {
      std::vector<std::string> fields = {"CANET=" + node, "CAARC=" + aType, "CAKEY=" + key,
                                         "CAPRG=" + std::to_string(line), "CATXT=" + aText[k]};
      fields.insert(fields.end(), flags.begin(), flags.end());
      InsertRecord(nt_tbcoa, fields);
    } else {
      std::vector<std::string> fields = {"CANET=" + node, "CATXT=" + aText[k]};
      fields.insert(fields.end(), flags.begin(), flags.end());
      UpdateRecord(nt_tbcoa, fields, {aType, key, line});
    }
  }
  TBCOA_Delete(aType, key, static_cast<int32_t>(aText.size()));
  return key;
}

void tQV_VendizioProxy::TBCOA_Delete(const std::string& aType, const std::string& aKeyValue, int32_t aStartLine) {
  ExecuteSQLCommand(AnnotationDeleteStatement(aType, aKeyValue, aStartLine, Dialect()));
}

}  // namespace dodu

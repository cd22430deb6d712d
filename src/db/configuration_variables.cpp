#include "db/configuration_variables.h"

#include "base/ascii_text.h"
#include "base/conversions.h"
#include "base/error.h"
#include "db/text_cipher.h"
#include "db/vendizio_proxy.h"

namespace dodu {

std::string ConfiVarDefinitionStatement(const std::string& aTable, const std::string& aLowerName,
                                        const SqlDialect& aDialect) {
  return "select * from " + aTable + " where ecvar=" + SqlQuoted(aLowerName) + " and " +
         aDialect.NotDeletedCondition();
}

std::string ConfiVarValueStatement(const std::string& aUser, const std::string& aLowerName,
                                   const SqlDialect& aDialect) {
  return "select " + aDialect.ConfigValueExpression(SqlQuoted(aUser), SqlQuoted(aLowerName)) + " as Value";
}

Amount DecodeConfiNumber(const std::string& aText, int aLength, int aDecimals) {
  const size_t whole = static_cast<size_t>(aLength > aDecimals ? aLength - aDecimals : 0);
  std::string number = aText.substr(0, std::min(whole, aText.size()));
  if (aDecimals > 0 && aText.size() > whole) number += "." + aText.substr(whole, static_cast<size_t>(aDecimals));
  Amount value;
  if (!Amount::TryParse(Trimmed(number), value))
    throw Error("'" + aText + "' is not a valid number of " + std::to_string(aLength) + " digits with " +
                std::to_string(aDecimals) + " decimals");
  return value;
}

DateTime DecodeConfiDate(const std::string& aText) {
  if (aText.find_first_not_of('0') == std::string::npos) return DateTime();
  int32_t year = 0, month = 0, day = 0;
  if (aText.size() < 8 || !TryParseInt32(aText.substr(0, 4), year) || !TryParseInt32(aText.substr(4, 2), month) ||
      !TryParseInt32(aText.substr(6, 2), day) || !IsValidDate(year, month, day))
    throw Error("'" + aText + "' is not a valid date yyyymmdd");
  return EncodeDate(year, month, day);
}

tQV_Variant tQV_VendizioProxy::GetConfiVar(const std::string& aVarName, bool aRefreshValue) {
  const std::string name = AsciiLower(aVarName);
  auto cached = fConfiVars.find(name);
  if (cached == fConfiVars.end() || aRefreshValue) {
    auto definition = CreateDataset(ConfiVarDefinitionStatement("elcfg01f", name, Dialect()));
    if (definition->Eof()) definition = CreateDataset(ConfiVarDefinitionStatement("elcfg00f", name, Dialect()));
    if (definition->Eof()) throw Error(name + " not found in ELCFG01F nor in ELCFG00F.");

    if (cached == fConfiVars.end()) cached = fConfiVars.emplace(name, std::make_unique<tQV_ConfiVar>(name)).first;
    tQV_ConfiVar& variable = *cached->second;
    const std::string type = AsciiUpper(Trimmed(definition->FieldByName("ectip").AsString()));
    if (type == "C") variable.SetValueType(cft_string);
    if (type == "N") variable.SetValueType(cft_number);
    if (type == "D") variable.SetValueType(cft_date);
    const int length = static_cast<int>(definition->FieldByName("eclen").AsInteger());
    const int decimals = static_cast<int>(definition->FieldByName("ecnde").AsInteger());

    std::string text = CreateDataset(ConfiVarValueStatement(fUser, name, Dialect()))->FieldByName("Value").AsString();
    if (name == "cfg_smtppw") text = DeCiphersText(text);
    if (text.empty() && name == "cfg_smtppt") text = "25";
    if (!text.empty()) {
      switch (variable.ValueType()) {
        case cft_string:
          variable.SetValueString(text);
          break;
        case cft_number:
          variable.SetValueNumber(DecodeConfiNumber(text, length, decimals));
          break;
        case cft_date:
          variable.SetValueDate(DecodeConfiDate(text));
          break;
      }
    }
  }
  const tQV_ConfiVar& variable = *cached->second;
  switch (variable.ValueType()) {
    case cft_number:
      return variable.ValueNumber();
    case cft_date:
      return variable.ValueDate();
    case cft_string:
      break;
  }
  return variable.ValueString();
}

std::string tQV_VendizioProxy::GetConfiVarText(const std::string& aVarName) {
  const tQV_Variant value = GetConfiVar(aVarName);
  if (value.IsAmount()) return value.AsAmount().ToText();
  if (value.IsDateTime()) return value.AsDateTime().IsZero() ? std::string() : DateToXmlText(value.AsDateTime());
  return value.IsText() ? value.AsText() : std::string();
}

int64_t tQV_VendizioProxy::GetConfiVarInteger(const std::string& aVarName) {
  const tQV_Variant value = GetConfiVar(aVarName);
  if (value.IsAmount()) return value.AsAmount().Truncated();
  int32_t number = 0;
  if (value.IsText() && TryParseInt32(Trimmed(value.AsText()), number)) return number;
  return 0;
}

}  // namespace dodu

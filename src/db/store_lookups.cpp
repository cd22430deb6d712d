#include "db/store_lookups.h"

#include <algorithm>

#include "base/ascii_text.h"
#include "base/conversions.h"
#include "db/vendizio_proxy.h"

namespace dodu {

std::string NodoStatement(const SqlDialect& aDialect) {
  const std::string none = SqlQuoted("");
  return "select " + aDialect.ConfigValueExpression(none, SqlQuoted("Cfg_NodoR1")) + aDialect.ConcatOperator() +
         aDialect.ConfigValueExpression(none, SqlQuoted("Cfg_NodoR2")) + aDialect.ConcatOperator() +
         aDialect.ConfigValueExpression(none, SqlQuoted("Cfg_NodoR3")) + " as Nodo";
}

std::string ExistsInBasketStatement() { return "exec sp_ExistsInBasket :item,:itemtype,:basketcode"; }

std::string ProgramRunningStatement(const std::string& aProgramName) {
  // The name is matched as it is: its "%", "_" and "[" (a character class on SQL Server) and the
  // escape character itself are escaped, and only then does the pattern need an ESCAPE clause.
  constexpr char kEscape = '!';
  std::string pattern;
  for (char c : aProgramName) {
    if (c == '%' || c == '_' || c == '[' || c == kEscape) pattern += kEscape;
    pattern += c;
  }
  const std::string statement =
      "select count(*) as num from master..sysprocesses where program_name like " + SqlQuoted(pattern + "%");
  return pattern.size() == aProgramName.size() ? statement : statement + " escape " + SqlQuoted(std::string(1, kEscape));
}

std::string tQV_VendizioProxy::GetNodo() {
  if (!fNodo.empty()) return fNodo;
  return CreateDataset(NodoStatement(Dialect()))->FieldByName("Nodo").AsString();
}

std::vector<std::string> tQV_VendizioProxy::GetAdditionalParams() {
  const std::string text = GetConfiVarText("Cfg_ParAddGPCsh");
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(';', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string tQV_VendizioProxy::GetAdditionalParam(const std::string& aParamName) {
  const std::string wanted = AsciiLower(aParamName);
  for (const std::string& line : GetAdditionalParams()) {
    const size_t equals = line.find('=');
    if (equals != std::string::npos && AsciiLower(line.substr(0, equals)) == wanted) return line.substr(equals + 1);
  }
  return {};
}

bool tQV_VendizioProxy::ExistsInBasket(const std::string& aItem, const std::string& aItemType,
                                       const std::string& aBasketCode) {
  auto result = CreateDataset(ExistsInBasketStatement(), {tQV_SQLParam::Create("item", aItem),
                                                          tQV_SQLParam::Create("itemtype", aItemType),
                                                          tQV_SQLParam::Create("basketcode", aBasketCode)});
  return result->FieldByName("ExistsInBasket").AsInteger() == 1;
}

std::vector<std::string> tQV_VendizioProxy::GetFieldNames(tQV_VdzTable aTable) {
  const tQV_VdzDecodeMap* entry = FindVdzDecodeMap(aTable);
  if (entry == nullptr) return {};
  std::vector<std::string> names;
  for (auto rows = CreateDataset(Dialect().TableColumnsStatement(entry->tablename)); !rows->Eof(); rows->Next())
    names.push_back(AsciiLower(rows->FieldByName("name").AsString()));
  return names;
}

bool tQV_VendizioProxy::IsProgramRunning(const std::string& aProgramName) {
  return CreateDataset(ProgramRunningStatement(aProgramName))->FieldByName("num").AsInteger() > 0;
}

}  // namespace dodu

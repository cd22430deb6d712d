#include "db/document_numbering.h"

#include <cctype>

#include "base/conversions.h"
#include "base/error.h"
#include "db/vendizio_proxy.h"

namespace dodu {

namespace {

constexpr int kNextNumberAttempts = 3;

std::string CurrentYear() { return std::to_string(DecodeDateTime(Now()).year); }

}  // namespace

std::string AssignDocumentNumberStatement(const std::string& aDocType, const std::string& aYear) {
  return "declare @Number int\r\nexec dbo.SP_NextNumDoc " + SqlQuoted(aDocType) + "," + SqlQuoted(aYear) + "," +
         "''" + "," + "'S'" + "," + "''" + "," + "@Number OUTPUT" + "\r\n" + "SELECT @Number as Number";
}

std::string NextNumberStatement(const std::string& aDocType, const std::string& aDocPeriod, const std::string& aStore,
                                bool aZeroBased) {
  return "declare @n decimal(7,0)\r\nexec SP_NextNumDoc " + SqlQuoted(aDocType) + "," + SqlQuoted(aDocPeriod) + "," +
         SqlQuoted(aStore) + "," + SqlQuoted(aZeroBased ? "S" : "N") + "," + "'',@n output\r\n" +
         "select @n As NextNum";
}

std::string HighestCodeStatement(const std::string& aType, const std::string& aMin, const std::string& aMax,
                                 const SqlDialect& aDialect) {
  return "SELECT MAX(anana) as MaxCod FROM ANCLF00F WHERE AnTip=" + SqlQuoted(aType) + " And anana between " +
         SqlQuoted(aMin) + " and " + SqlQuoted(aMax) + " and " + aDialect.NotDeletedCondition();
}

std::optional<std::string> CodeAfter(const std::string& aCode) {
  size_t digits_at = aCode.size();
  while (digits_at > 0 && std::isdigit(static_cast<unsigned char>(aCode[digits_at - 1]))) --digits_at;
  std::string digits = aCode.substr(digits_at);
  if (digits.empty() || digits.find_first_not_of('9') == std::string::npos) return std::nullopt;
  for (size_t i = digits.size(); i-- > 0;) {
    if (digits[i] != '9') {
      ++digits[i];
      break;
    }
    digits[i] = '0';
  }
  return aCode.substr(0, digits_at) + digits;
}

int32_t tQV_VendizioProxy::AssignDocumentNumber(const std::string& aDocType) {
  return static_cast<int32_t>(
      CreateDataset(AssignDocumentNumberStatement(aDocType, CurrentYear()))->FieldByName("Number").AsInteger());
}

int32_t tQV_VendizioProxy::AssignDocumentNumberPO(const std::string& aNodo, const std::string& aPeriod) {
  int32_t number;
  do {
    number = AssignDocumentNumber("*OM");
  } while (!Get(nt_omtes, {aNodo, aPeriod, number})->Eof());
  return number;
}

int32_t tQV_VendizioProxy::AssignInternalNumber() {
  return static_cast<int32_t>(
      CreateDataset(Dialect().NextInternalNumberStatement())->FieldByName("Number").AsInteger());
}

int32_t tQV_VendizioProxy::GetNextNumber(const std::string& aDocType, const std::string& aDocPeriod,
                                         const std::string& aStore, bool aZeroBased) {
  const std::string statement = NextNumberStatement(aDocType, aDocPeriod, aStore, aZeroBased);
  for (int attempt = 0; attempt < kNextNumberAttempts; ++attempt) {
    try {
      const int64_t number = CreateDataset(statement)->FieldByName("NextNum").AsInteger();
      if (number != 0) return static_cast<int32_t>(number);
    } catch (const std::exception&) {
      // A failed attempt counts like a zero: the next one may succeed.
    }
  }
  throw Error("Unable to get new document number [" + aDocType + "]");
}

std::string tQV_VendizioProxy::GetNextCustomerSupplierCode(char aType) {
  const bool customer = aType == 'C';
  const std::string min = GetConfiVarText(customer ? "Cfg_CliMin" : "Cfg_ForMin");
  if (min.empty()) return {};
  std::string max = GetConfiVarText(customer ? "Cfg_CliMax" : "Cfg_ForMax");
  if (max.empty()) max = "999999";

  const std::string type(1, aType);
  auto highest = CreateDataset(HighestCodeStatement(type, min, max, Dialect()));
  const tQV_Field last = highest->FieldByName("MaxCod");
  std::optional<std::string> code = last.IsNull() ? std::optional<std::string>(min) : CodeAfter(last.AsString());
  if (!code) throw Error("Unable to calculate next customer or supplier code");
  if (Exists(nt_anclf, {type, *code})) throw Error("Customer " + *code + " already exists");
  if (*code > max) throw Error("Customer/Supplier coding range is full");
  return *code;
}

}  // namespace dodu

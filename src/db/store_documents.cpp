#include <string>

#include "base/ascii_text.h"
#include "base/error.h"
#include "db/vendizio_proxy.h"

namespace dodu {

namespace {

std::string RightTrimmed(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.pop_back();
  return text;
}

}  // namespace

std::unique_ptr<tQV_VendizioDataset> tQV_VendizioProxy::StoreRow(const std::string& aStore) {
  auto row = Get(nt_anmag, {aStore});
  if (row->Eof()) throw Error("Store [" + aStore + "] not found");
  return row;
}

std::string tQV_VendizioProxy::GetDocumentSerie(const std::string& aStore, const std::string& aDocumentType) {
  const std::string serie = StoreRow(aStore)->FieldByName("AGSER").AsString();
  if (!serie.empty()) return serie;
  auto type = Get(nt_tbtdo, {aDocumentType});
  return type->Eof() ? std::string() : type->FieldByName("TdSer").AsString();
}

std::string tQV_VendizioProxy::GetDocumentStoreNumbering(const std::string& aStore, const std::string& aDocumentType,
                                                         tQV_DocumentNumberingType aNumberingType) {
  auto store = StoreRow(aStore);
  const std::string company = store->FieldByName("AGSOC").AsString();
  const std::string column = aNumberingType == ntDoc1 ? "T_NDoR_MN1" : "T_NDoR_MN2";
  const tQV_KeyValues attempts[] = {{aStore, aDocumentType}, {"", aDocumentType, company}, {"", aDocumentType, ""}};
  for (const tQV_KeyValues& keys : attempts) {
    const std::string value = RightTrimmed(GetTabel("NDOR", keys)->FieldByName(column).AsString());
    if (!value.empty()) return value;
  }
  const std::string own = store->FieldByName(aNumberingType == ntDoc1 ? "AGMN1" : "AGMN2").AsString();
  return own.empty() ? aStore : own;
}

DateTime tQV_VendizioProxy::GetLimitTransactionDate(const std::string& aStore) {
  const tQV_Variant limit = GetConfiVar("Cfg_DatLim");
  DateTime result = limit.IsDateTime() ? limit.AsDateTime() : DateTime();
  if (!aStore.empty()) {
    const std::string company = Get(nt_anmag, {aStore})->FieldByName("agsoc").AsString();
    const DateTime own = Get(nt_ansoc, {company})->FieldByName("asdlm").AsDateTime();
    if (own > result) result = own;
  }
  return result;
}

}  // namespace dodu

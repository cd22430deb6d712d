#include <string>

#include "base/conversions.h"
#include "db/vendizio_proxy.h"

namespace dodu {

std::string tQV_VendizioProxy::GetReceiptBarcode() {
  const int64_t prefix = GetConfiVarInteger("Cfg_PreBarTck");
  if (prefix <= 0) return {};
  const std::string code = ZeroPadded(prefix, 4) + ZeroPadded(int64_t{AssignInternalNumber()}, 8);
  return code + GTINCheckDigit(code);
}

std::string tQV_VendizioProxy::GetFidelityCard(const std::string& aCustomer) {
  const int64_t prefix = GetConfiVarInteger("Cfg_FidIni");
  if (prefix <= 0) return {};
  const std::string code = ZeroPadded(prefix, 2) + aCustomer;
  return code + GTINCheckDigit(code);
}

}  // namespace dodu

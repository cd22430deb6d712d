#include "io/opos_result_codes.h"

#include <array>

namespace dodu {

namespace {

constexpr std::array<const char*, 15> kResultNames = {
    " OPOS_E_CLOSED",  " OPOS_E_CLAIMED", " OPOS_E_NOTCLAIMED", " OPOS_E_NOSERVICE", " OPOS_E_DISABLED",
    " OPOS_E_ILLEGAL", " OPOS_E_NOHARDWARE", " OPOS_E_OFFLINE",  " OPOS_E_NOEXIST",   " OPOS_E_EXISTS",
    " OPOS_E_FAILURE", " OPOS_E_TIMEOUT",  " OPOS_E_BUSY",       " OPOS_E_EXTENDED",  " OPOS_E_DEPRECATED",
};
constexpr int32_t kFirstResultCode = 101;

constexpr std::array<const char*, 24> kExtendedNames = {
    " OPOS_EFPTR_COVER_OPEN",
    " OPOS_EFPTR_JRN_EMPTY",
    " OPOS_EFPTR_REC_EMPTY",
    " OPOS_EFPTR_SLP_EMPTY",
    " OPOS_EFPTR_SLP_FORM",
    " OPOS_EFPTR_MISSING_DEVICES",
    " OPOS_EFPTR_WRONG_STATE",
    " OPOS_EFPTR_TECHNICAL_ASSISTANCE",
    " OPOS_EFPTR_CLOCK_ERROR",
    " OPOS_EFPTR_FISCAL_MEMORY_FULL",
    " OPOS_EFPTR_FISCAL_MEMORY_DISCONNECTED",
    " OPOS_EFPTR_FISCAL_TOTALS_ERROR",
    " OPOS_EFPTR_BAD_ITEM_QUANTITY",
    " OPOS_EFPTR_BAD_ITEM_AMOUNT",
    " OPOS_EFPTR_BAD_ITEM_DESCRIPTION",
    " OPOS_EFPTR_RECEIPT_TOTAL_OVERFLOW",
    " OPOS_EFPTR_BAD_VAT",
    " OPOS_EFPTR_BAD_PRICE",
    " OPOS_EFPTR_BAD_DATE",
    " OPOS_EFPTR_NEGATIVE_TOTAL",
    " OPOS_EFPTR_WORD_NOT_ALLOWED",
    " OPOS_EFPTR_BAD_LENGTH",
    " OPOS_EFPTR_MISSING_SET_CURRENCY",
    " OPOS_EFPTR_DAY_END_REQUIRED",
};
constexpr int32_t kFirstExtendedCode = 201;

template <size_t N>
std::string NameIn(const std::array<const char*, N>& names, int32_t first, int32_t code) {
  if (code < first || code - first >= static_cast<int32_t>(N)) return " UNKNOWN";
  return names[static_cast<size_t>(code - first)];
}

}  // namespace

std::string OposResultCodeName(int32_t aCode) { return NameIn(kResultNames, kFirstResultCode, aCode); }

std::string OposExtendedResultCodeName(int32_t aCode) { return NameIn(kExtendedNames, kFirstExtendedCode, aCode); }

std::string ComposeOposMessage(int32_t aResultCode, int32_t aExtendedCode, const std::string& aErrorString) {
  std::string message;
  if (aResultCode != kOPOS_SUCCESS) message = "[" + std::to_string(aResultCode) + "]" + OposResultCodeName(aResultCode);
  if (aExtendedCode != 0) {
    message += " [" + std::to_string(aExtendedCode) + "]" + OposExtendedResultCodeName(aExtendedCode);
  }
  return message + " - " + aErrorString;
}

}  // namespace dodu

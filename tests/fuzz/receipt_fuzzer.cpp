// Feeds arbitrary bytes, parsed as XML, to every request document reader. A reader may reject
// its input only with dodu::Error; anything else (a crash, a sanitizer report, another exception)
// is a finding. A receipt that reads is also written, read back and written again: the second
// writing must equal the first, and the writer's text must always parse.
#include <cstddef>
#include <cstdint>
#include <string>

#include <pugixml.hpp>

#include "base/error.h"
#include "receipt/customer_display.h"
#include "receipt/dept_table.h"
#include "receipt/drawer.h"
#include "receipt/economic_activity_table.h"
#include "receipt/ej_files_request.h"
#include "receipt/ej_report.h"
#include "receipt/nf_receipt.h"
#include "receipt/payment_receipt.h"
#include "receipt/receipt.h"
#include "receipt/receipt_reference.h"
#include "receipt/receipt_util.h"
#include "receipt/vat_table.h"
#include "receipt/z_report.h"

namespace {

template <typename Action>
void Tolerating(Action aAction) {
  try {
    aAction();
  } catch (const dodu::Error&) {
  }
}

template <typename Document>
void ReadDocument(const pugi::xml_document& aXml) {
  Document document;
  Tolerating([&] { document.Deserialize(aXml); });
}

void ExerciseReceipt(dodu::kReceipt& aReceipt) {
  Tolerating([&] { aReceipt.CalcLinesNetAmount(); });
  Tolerating([&] { aReceipt.GetCalculatedAmount(); });
  Tolerating([&] { aReceipt.TotalQuantity(); });
  Tolerating([&] { aReceipt.TotalTaxableAmount(); });
  Tolerating([&] { aReceipt.fPayments.TotalAmount(); });
  for (const auto& tax : aReceipt.fTaxes) {
    Tolerating([&] { aReceipt.GetNetAmount(dodu::Amount::FromRaw(123000), tax->fTaxCode); });
    Tolerating([&] { aReceipt.fTaxes.GetTaxAmountByTaxRate(tax->fTaxRate); });
  }
  for (const auto& line : aReceipt.fLines)
    if (const auto* sale = dynamic_cast<const dodu::kReceiptLineProductSale*>(line.get())) sale->Description();
  for (const auto& message : aReceipt.fTrailerMessages)
    if (const auto* text = dynamic_cast<const dodu::kReceiptMessageTextLine*>(message.get())) text->Value();
}

// Written text of a receipt read from aText, or "" when it does not read.
std::string ReadAndWrite(const std::string& aText) {
  pugi::xml_document xml;
  if (!xml.load_string(aText.c_str())) __builtin_trap();  // the writer produced unparsable XML
  dodu::kReceipt receipt;
  try {
    receipt.Deserialize(xml);
    return receipt.Serialize();
  } catch (const dodu::Error&) {
    return {};
  }
}

void Run(const pugi::xml_document& aXml) {
  {
    dodu::kReceipt receipt;
    bool read = true;
    try {
      receipt.Deserialize(aXml);
    } catch (const dodu::Error&) {
      read = false;
    }
    ExerciseReceipt(receipt);
    std::string written;
    Tolerating([&] { written = receipt.Serialize(); });
    if (read && !written.empty()) {
      const std::string second = ReadAndWrite(written);
      if (!second.empty() && ReadAndWrite(second) != second) __builtin_trap();  // not a fixpoint
    }
  }
  ReadDocument<dodu::kReceiptReference>(aXml);
  ReadDocument<dodu::kZReport>(aXml);
  ReadDocument<dodu::kNFReceipt>(aXml);
  ReadDocument<dodu::kCustomerDisplay>(aXml);
  ReadDocument<dodu::kDrawer>(aXml);
  ReadDocument<dodu::kEJReport>(aXml);
  ReadDocument<dodu::kEJFilesRequest>(aXml);
  ReadDocument<dodu::kPaymentReceipt>(aXml);
  ReadDocument<dodu::kDeptTable>(aXml);
  ReadDocument<dodu::kEconomicActivityTable>(aXml);
  dodu::kVatTable vats;
  Tolerating([&] { vats.Deserialize(aXml); });
  Tolerating([&] { vats.GetFirstAvailableIndex(); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  // Both the default parse and the one that keeps every kind of node (comments, processing
  // instructions, whitespace text) the readers have to step over.
  for (unsigned options : {pugi::parse_default, pugi::parse_full | pugi::parse_ws_pcdata}) {
    pugi::xml_document xml;
    if (xml.load_buffer(aData, aSize, options)) Run(xml);
  }
  const std::string text(reinterpret_cast<const char*>(aData), aSize > 4096 ? 4096 : aSize);
  dodu::krptUtil::NormalizeText(text);
  Tolerating([&] { dodu::krptUtil::DecodeEffects(text); });
  return 0;
}

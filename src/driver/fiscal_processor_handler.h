#pragma once

#include <bitset>
#include <initializer_list>
#include <memory>
#include <string>

#include <pugixml.hpp>

#include "driver/device_handler.h"
#include "receipt/receipt.h"
#include "receipt/request_documents.h"

namespace dodu {

enum qvReceiptHandlerDocumentType {
  dt_Receipt = 0,
  dt_NFReceipt = 1,
  dt_Display = 2,
  dt_Drawer = 3,
  dt_EJReport = 4,
  dt_VatTable = 5,
  dt_DeptTable = 6,
  dt_Pay = 7,
  dt_ReceiptReference = 8,
  dt_EJFilesRequest = 9,
  dt_XReport = 10,
  dt_ZReport = 11,
};

// Limits of a request, checked before anything is read from it. Serialising a document indents
// each element by its depth, so without a depth limit an answer could grow with the square of
// the request's size; with it, an answer stays within a constant factor of the request.
inline constexpr size_t kMaxRequestBytes = 1024 * 1024;  // of UTF-8 text
inline constexpr int kMaxRequestDepth = 64;             // element levels, the root being the first

// A set of document kinds, one bit per kind.
class qvReceiptHandlerDocumentTypes {
 public:
  qvReceiptHandlerDocumentTypes() = default;
  qvReceiptHandlerDocumentTypes(std::initializer_list<qvReceiptHandlerDocumentType> kinds) {
    for (auto kind : kinds) bits_.set(kind);
  }
  bool Contains(qvReceiptHandlerDocumentType kind) const { return bits_.test(kind); }

 private:
  std::bitset<12> bits_;
};

// The request envelope of one call: the device settings, the till serial and the documents the
// call asked for. It lives for that call only.
class kFiscalProcessorHandler : public kDeviceHandler {
 public:
  kFiscalProcessorHandler();
  ~kFiscalProcessorHandler() override;

  // Parses the request, forces the fixed TCP settings and reads the asked-for documents.
  void Deserialize(const std::string& aXml, const qvReceiptHandlerDocumentTypes& aDocumentTypes);

  std::string fXmlString;
  std::string fTillSerial;
  kReceipt fReceipt;
  kNFReceipt fNFReceipt;
  kCustomerDisplay fCustomerDisplay;
  kDrawer fDrawer;
  kEJReport fEJReport;
  kVatTable fVATTable;
  kDeptTable fDeptTable;
  kEconomicActivityTable fEATable;
  kPaymentReceipt fPaymentReceipt;
  kReceiptReference fReceiptReference;
  kEJFilesRequest fEJFilesRequest;
  kZReport fZreport;
};

}  // namespace dodu

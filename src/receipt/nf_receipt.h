#pragma once

#include <string>

#include <pugixml.hpp>

#include "base/date_time.h"
#include "receipt/receipt_message_line.h"

namespace dodu {

// A non-fiscal receipt: header, body and footer message lines.
class kNFReceipt {
 public:
  kNFReceipt() = default;
  kNFReceipt(const kNFReceipt&) = delete;  // its lines point back to it
  kNFReceipt& operator=(const kNFReceipt&) = delete;

  // Reads the NFReceipt element of a request; raises "NFReceipt node not found" without one.
  void Deserialize(const pugi::xml_document& aXmlDocument);

  bool fSupportSpecialChars = false;
  std::string fLayout;
  bool fDefaultLayout = false;
  std::string fReceiptNumber;
  DateTime fReceiptDateTime;
  std::string fCountryCode;
  std::string fCompanyCode;
  std::string fCompanyTaxCode;
  std::string fStoreCode;
  std::string fTillCode;
  std::string fOperatorCode;
  kReceiptMessageLines fHeaderLines;
  kReceiptMessageLines fLines;
  kReceiptMessageLines fFooterLines;
};

}  // namespace dodu

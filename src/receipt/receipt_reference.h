#pragma once

#include <string>

#include <pugixml.hpp>

#include "base/date_time.h"
#include "receipt/receipt_types.h"

namespace dodu {

// A stored document to be printed again.
class kReceiptReference {
 public:
  // Reads the ReceiptReference element of a request; raises "ReceiptReference node not found"
  // without one.
  void Deserialize(const pugi::xml_document& aXmlDocument);

  qvReceiptType fReceiptType = rt_Sale;
  std::string fEJNumber;
  std::string fEJClosingNumber;
  DateTime fReceiptDateTime;
  std::string fReceiptNumber;
  std::string fDeviceSerialNumber;
};

}  // namespace dodu

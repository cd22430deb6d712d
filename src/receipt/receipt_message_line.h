#pragma once

#include <cstdint>
#include <string>

#include "receipt/owning_list.h"
#include "receipt/receipt_types.h"

namespace dodu {

class kReceipt;
class kNFReceipt;

// A line printed before or after a receipt's body, in a non-fiscal receipt or on the customer
// display. At most one owner is set: a fiscal receipt, a non-fiscal receipt, or none (display).
class kReceiptMessageLine {
 public:
  kReceiptMessageLine() = default;  // a display line: no owner
  explicit kReceiptMessageLine(kReceipt* aOwner) : fOwner(aOwner) {}
  explicit kReceiptMessageLine(kNFReceipt* aNFOwner) : fNFOwner(aNFOwner) {}
  virtual ~kReceiptMessageLine() = default;
  kReceiptMessageLine(const kReceiptMessageLine&) = delete;
  kReceiptMessageLine& operator=(const kReceiptMessageLine&) = delete;

  kReceipt* fOwner = nullptr;      // not owned
  kNFReceipt* fNFOwner = nullptr;  // not owned
  qvReceiptMessageLineAlignment fAlignment = la_none;
  std::string fValue;
};

class kReceiptMessageTextLine : public kReceiptMessageLine {
 public:
  using kReceiptMessageLine::kReceiptMessageLine;

  // The text as handed out: unchanged when an owner supports special characters, normalized
  // otherwise (also without an owner). The stored text is fValue.
  std::string Value() const;
  void SetValue(const std::string& aValue) { fValue = aValue; }

  qvReceiptSection fSection = rs_lead;
  int32_t fSize = 0;
  qvReceiptMessageLineEffectSet fEffects;
};

// fValue holds the barcode data.
class kReceiptMessageBarcodeLine : public kReceiptMessageLine {
 public:
  using kReceiptMessageLine::kReceiptMessageLine;

  qvReceiptSection fSection = rs_lead;
  qvReceiptMessageBarcodeType fBarcodeType = bt_EAN13;
  bool fHRI = false;  // print the human-readable text
  int32_t fQRCodeMinVersion = 0;
};

// fValue holds the image reference.
class kReceiptMessageImageLine : public kReceiptMessageLine {
 public:
  using kReceiptMessageLine::kReceiptMessageLine;

  qvReceiptSection fSection = rs_lead;
  qvReceiptMessageImageSource fSource = is_Resource;
};

class kReceiptMessageLines : public kOwningList<kReceiptMessageLine> {};

}  // namespace dodu

#pragma once

#include <pugixml.hpp>

#include "receipt/receipt_message_line.h"

namespace dodu {

// The Barcode, Text and Image message elements shared by the fiscal and non-fiscal receipts.
// Each raises on an unreadable value or a missing code that has no default.

// Value, Type (required), HRI (default true), QRCodeMinVersion (below 2 stored as 1).
void ReadBarcodeMessage(const pugi::xml_node& aNode, kReceiptMessageBarcodeLine& aLine);
// Value, Size, Alignment (required) and, when asked, Effects.
void ReadTextMessage(const pugi::xml_node& aNode, kReceiptMessageTextLine& aLine, bool aWithEffects);
// Alignment (required) and, when asked, the image reference (Value) and its Source.
void ReadImageMessage(const pugi::xml_node& aNode, kReceiptMessageImageLine& aLine, bool aWithReference);

}  // namespace dodu

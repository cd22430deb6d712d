#include "receipt/message_line_reader.h"

#include "receipt/receipt_util.h"

namespace dodu {

void ReadBarcodeMessage(const pugi::xml_node& aNode, kReceiptMessageBarcodeLine& aLine) {
  aLine.fValue = krptUtil::GetNodeValueAsString(aNode, "Value");
  aLine.fBarcodeType = krptUtil::DecodeBarcodeType(krptUtil::GetNodeValueAsString(aNode, "Type"));
  aLine.fHRI = krptUtil::GetNodeValueAsBoolean(aNode, "HRI", true);
  const int32_t version = krptUtil::GetNodeValueAsInteger(aNode, "QRCodeMinVersion");
  aLine.fQRCodeMinVersion = version < 2 ? 1 : version;
}

void ReadTextMessage(const pugi::xml_node& aNode, kReceiptMessageTextLine& aLine, bool aWithEffects) {
  aLine.fValue = krptUtil::GetNodeValueAsString(aNode, "Value");
  aLine.fSize = krptUtil::GetNodeValueAsInteger(aNode, "Size");
  aLine.fAlignment = krptUtil::DecodeAlignment(krptUtil::GetNodeValueAsString(aNode, "Alignment"));
  if (aWithEffects) aLine.fEffects = krptUtil::DecodeEffects(krptUtil::GetNodeValueAsString(aNode, "Effects"));
}

void ReadImageMessage(const pugi::xml_node& aNode, kReceiptMessageImageLine& aLine, bool aWithReference) {
  aLine.fAlignment = krptUtil::DecodeAlignment(krptUtil::GetNodeValueAsString(aNode, "Alignment"));
  if (!aWithReference) return;
  aLine.fValue = krptUtil::GetNodeValueAsString(aNode, "Value");
  aLine.fSource = krptUtil::DecodeImageSource(krptUtil::GetNodeValueAsString(aNode, "Source"));
}

}  // namespace dodu

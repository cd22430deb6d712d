#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <pugixml.hpp>

#include "base/amount.h"
#include "base/date_time.h"
#include "receipt/receipt_types.h"

namespace dodu {

// Typed reading of XML child elements, adding elements, and the text codes of every receipt
// enumeration. Stateless; every failure raises dodu::Error.
//
// A child is the first direct child element whose name equals the given name exactly (letter
// case included); deeper descendants and non-element nodes are never looked at. The text of an
// element is the concatenation of its direct text and CDATA pieces; an element that holds child
// elements has no text value and reading it fails.
class krptUtil {
 public:
  krptUtil() = delete;

  // Appends an element with the given text (none when the text is empty) to aParentNode.
  static pugi::xml_node AddNode(pugi::xml_node aParentNode, const std::string& aNodeName,
                                const std::string& aNodeValue);
  static bool HasNode(const pugi::xml_node& aParentNode, const std::string& aNodeName);
  // The child element, or a null node.
  static pugi::xml_node FindNode(const pugi::xml_node& aParentNode, const std::string& aNodeName);
  // The text of an element; raises "Error in processing node <name> as string." when it holds
  // elements.
  static std::string NodeText(const pugi::xml_node& aNode);

  // Absent children read as "", the default, 0 or date-time 0 (see each reader); a present value
  // that cannot be read raises "Error in processing node <name> as <kind>.\r\n<reason>".
  static std::string GetNodeValueAsString(const pugi::xml_node& aParentNode, const std::string& aNodeName);
  static bool GetNodeValueAsBoolean(const pugi::xml_node& aParentNode, const std::string& aNodeName,
                                    bool aDefaultValue);
  // "." decimals whatever the locale; more than four decimals are rounded once to four, ties to
  // even; values outside the amount's range are errors. Absent or empty reads as 0.
  static Amount GetNodeValueAsCurrency(const pugi::xml_node& aParentNode, const std::string& aNodeName);
  // Absent or empty reads as 0; anything but an optional sign and digits in 32-bit range fails.
  static int32_t GetNodeValueAsInteger(const pugi::xml_node& aParentNode, const std::string& aNodeName);
  static DateTime GetNodeValueAsDate(const pugi::xml_node& aParentNode, const std::string& aNodeName);
  static DateTime GetNodeValueAsDateTime(const pugi::xml_node& aParentNode, const std::string& aNodeName);
  // As GetNodeValueAsDateTime, with 0 in place of any error.
  static DateTime TryGetNodeValueAsDateTime(const pugi::xml_node& aParentNode, const std::string& aNodeName);
  static std::string GetAttributeValueAsString(const pugi::xml_node& aNode, const std::string& aAttrName);

  // Plain printable ASCII for printers without special characters: a few upper-case accented
  // letters and the euro sign lose their accent, TOTALE becomes TOT., and every other code point
  // outside 32..127 becomes one blank.
  static std::string NormalizeText(std::string_view aText);

  // Decoders compare the ASCII-lower-cased text with the codes exactly; encoders give the
  // written code.
  static qvReceiptType DecodeReceiptType(std::string_view aText);
  static std::string EncodeReceiptType(qvReceiptType aValue);
  static qvReceiptLineType DecodeLineType(std::string_view aText);
  static std::string EncodeLineType(qvReceiptLineType aValue);
  static qvReceiptPaymentType DecodePaymentType(std::string_view aText);
  static std::string EncodePaymentType(qvReceiptPaymentType aValue);
  static qvReceiptTaxType DecodeTaxType(std::string_view aText);
  static std::string EncodeTaxType(qvReceiptTaxType aValue);
  static qvReceiptReferenceType DecodeReferenceType(std::string_view aText);
  static std::string EncodeReferenceType(qvReceiptReferenceType aValue);
  static qvReceiptCustomerIdType DecodeCustomerIdType(std::string_view aText);
  static std::string EncodeCustomerIdType(qvReceiptCustomerIdType aValue);
  static qvReceiptLineAttribute DecodeLineAttribute(std::string_view aText);
  static qvReceiptMessageLineAlignment DecodeAlignment(std::string_view aText);
  static std::string EncodeAlignment(qvReceiptMessageLineAlignment aValue);
  static qvReceiptMessageBarcodeType DecodeBarcodeType(std::string_view aText);
  static std::string EncodeBarcodeType(qvReceiptMessageBarcodeType aValue);
  static qvReceiptMessageLineEffect DecodeEffect(std::string_view aText);
  static std::string EncodeEffect(qvReceiptMessageLineEffect aValue);
  static qvReceiptMessageLineEffectSet DecodeEffects(std::string_view aText);
  static std::string EncodeEffects(qvReceiptMessageLineEffectSet aValue);
  static qvReceiptMessageImageSource DecodeImageSource(std::string_view aText);
  static std::string EncodeImageSource(qvReceiptMessageImageSource aValue);
  static qvEJReportDestination DecodeEJReportDestination(std::string_view aText);
  static qvEJReportType DecodeEJReportType(std::string_view aText);
  static qvEJFilesRequestType DecodeEJRequestType(std::string_view aText);
};

}  // namespace dodu

#include "receipt/nf_receipt.h"

#include <memory>

#include "receipt/message_line_reader.h"
#include "receipt/receipt_util.h"
#include "receipt/request_element.h"

namespace dodu {

namespace {

void ReadSection(const pugi::xml_node& aLines, kNFReceipt& aOwner, qvReceiptSection aSection,
                 kReceiptMessageLines& aList) {
  for (pugi::xml_node child : aLines.children()) {
    if (child.type() != pugi::node_element) continue;
    const std::string_view name = child.name();
    if (name == "Barcode") {
      auto line = std::make_unique<kReceiptMessageBarcodeLine>(&aOwner);
      line->fSection = aSection;
      ReadBarcodeMessage(child, *line);
      aList.Add(std::move(line));
    } else if (name == "Text") {
      auto line = std::make_unique<kReceiptMessageTextLine>(&aOwner);
      line->fSection = aSection;
      ReadTextMessage(child, *line, true);
      aList.Add(std::move(line));
    } else if (name == "Image") {
      auto line = std::make_unique<kReceiptMessageImageLine>(&aOwner);
      line->fSection = aSection;
      ReadImageMessage(child, *line, true);
      aList.Add(std::move(line));
    }
  }
}

}  // namespace

void kNFReceipt::Deserialize(const pugi::xml_document& aXmlDocument) {
  using U = krptUtil;
  const pugi::xml_node node = RequireRequestDocument(aXmlDocument, "NFReceipt");
  fLayout = U::GetNodeValueAsString(node, "Layout");
  fDefaultLayout = fLayout.empty();
  if (fDefaultLayout) fLayout = "DocumentLayout";
  fStoreCode = U::GetNodeValueAsString(node, "StoreCode");
  fTillCode = U::GetNodeValueAsString(node, "TillCode");
  fReceiptNumber = U::GetNodeValueAsString(node, "Number");
  fReceiptDateTime = U::GetNodeValueAsDateTime(node, "DateTime");
  fCountryCode = U::GetNodeValueAsString(node, "CountryCode");
  fCompanyCode = U::GetNodeValueAsString(node, "CompanyCode");
  fCompanyTaxCode = U::GetNodeValueAsString(node, "CompanyTaxCode");
  fOperatorCode = U::GetNodeValueAsString(node, "OperatorCode");
  ReadSection(U::FindNode(U::FindNode(node, "Header"), "Lines"), *this, rs_lead, fHeaderLines);
  ReadSection(U::FindNode(node, "Lines"), *this, rs_body, fLines);
  ReadSection(U::FindNode(U::FindNode(node, "Footer"), "Lines"), *this, rs_trail, fFooterLines);
}

}  // namespace dodu

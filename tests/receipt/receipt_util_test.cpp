#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/conversions.h"
#include "base/format_settings.h"
#include "receipt/receipt_util.h"
#include "xml_fixture.h"

namespace dodu {
namespace {

using test::ErrorOf;
using test::LoadXml;
using U = krptUtil;

// One child element named V holding the given raw XML content, under the root R.
class NodeReaderTest : public ::testing::Test {
 protected:
  pugi::xml_node Holding(const std::string& content) {
    LoadXml(document_, "<R><V>" + content + "</V></R>");
    return document_.document_element();
  }
  pugi::xml_document document_;
};

TEST_F(NodeReaderTest, StringsAreTheDirectChildsTextUntrimmed) {
  struct Case {
    std::string xml;
    std::string expected;
  } cases[] = {
      {"<R><V> a b </V></R>", " a b "},
      {"<R><V/></R>", ""},
      {"<R/>", ""},
      {"<R><V>first</V><V>second</V></R>", "first"},
      {"<R><v>lower</v></R>", ""},                         // names are case-sensitive
      {"<R><X><V>deep</V></X></R>", ""},                   // only direct children
      {"<R><?V not-an-element?></R>", ""},                 // a processing instruction is no element
      {"<R><V><![CDATA[<b>&]]></V></R>", "<b>&"},
      {"<R><V>a&amp;b&#x20AC;</V></R>", "a&b\xE2\x82\xAC"},
  };
  for (const Case& c : cases) {
    pugi::xml_document document;
    pugi::xml_parse_result parsed =
        document.load_string(c.xml.c_str(), pugi::parse_default | pugi::parse_pi);
    ASSERT_TRUE(parsed) << c.xml;
    EXPECT_EQ(U::GetNodeValueAsString(document.document_element(), "V"), c.expected) << c.xml;
  }
}

TEST_F(NodeReaderTest, AnElementHoldingElementsHasNoTextValue) {
  pugi::xml_node root = Holding("text<b>bold</b>");
  EXPECT_EQ(ErrorOf([&] { U::GetNodeValueAsString(root, "V"); }),
            "Error in processing node V as string.\r\nElement V holds child elements, not a text");
  EXPECT_EQ(ErrorOf([&] { U::GetNodeValueAsCurrency(root, "V"); }),
            "Error in processing node V as currency.\r\nElement V holds child elements, not a text");
}

TEST_F(NodeReaderTest, Booleans) {
  struct Case {
    const char* content;
    bool expected;
  } cases[] = {{"1", true}, {"TRUE", true}, {"True", true}, {"-3", true},  {"2.5", true},
               {"0", false}, {"false", false}, {"FALSE", false}, {"0.00", false}, {"+0", false}};
  for (const Case& c : cases) {
    pugi::xml_node root = Holding(c.content);
    EXPECT_EQ(U::GetNodeValueAsBoolean(root, "V", !c.expected), c.expected) << c.content;
  }
  pugi::xml_node root = Holding("");
  EXPECT_TRUE(U::GetNodeValueAsBoolean(root, "Missing", true));
  EXPECT_FALSE(U::GetNodeValueAsBoolean(root, "Missing", false));
  EXPECT_EQ(ErrorOf([&] { U::GetNodeValueAsBoolean(root, "V", true); }),
            "Error in processing node V as boolean.\r\n'' is not a valid boolean value");
  for (const char* bad : {"yes", " true", "1,5", "1e"}) {
    root = Holding(bad);
    EXPECT_EQ(ErrorOf([&] { U::GetNodeValueAsBoolean(root, "V", true); }),
              std::string("Error in processing node V as boolean.\r\n'") + bad + "' is not a valid boolean value");
  }
}

TEST_F(NodeReaderTest, AmountsUseAPointWhateverTheRegionalSettings) {
  FormatSettings saved = GetFormatSettings();
  FormatSettings comma = saved;
  comma.decimalSeparator = ",";
  comma.thousandSeparator = ".";
  SetFormatSettings(comma);
  struct Case {
    const char* content;
    const char* expected;  // four decimals, or nullptr for an error
  } cases[] = {
      {"12.5", "12.5000"},
      {"", "0.0000"},
      {"-3.25", "-3.2500"},
      {"+7", "7.0000"},
      {"1.00005", "1.0000"},  // more than four decimals: once to four, ties to even
      {"1.00015", "1.0002"},
      {"1.000051", "1.0001"},
      {"922337203685477.5807", "922337203685477.5807"},
      {"12,50", nullptr},
      {"1,234.00", nullptr},
      {" 1", nullptr},
      {"1e3", nullptr},
      {"922337203685477.5808", nullptr},  // outside the 64-bit range: an error, not a wrap-around
      {"99999999999999999999999999", nullptr},
  };
  for (const Case& c : cases) {
    pugi::xml_node root = Holding(c.content);
    if (c.expected != nullptr) {
      EXPECT_EQ(U::GetNodeValueAsCurrency(root, "V").ToFixed(4), c.expected) << c.content;
    } else {
      EXPECT_EQ(ErrorOf([&] { U::GetNodeValueAsCurrency(root, "V"); }),
                std::string("Error in processing node V as currency.\r\n'") + c.content + "' is not a valid amount");
    }
  }
  EXPECT_EQ(U::GetNodeValueAsCurrency(Holding("5"), "Missing"), Amount());
  SetFormatSettings(saved);
}

TEST_F(NodeReaderTest, Integers) {
  struct Case {
    const char* content;
    int32_t expected;
    bool valid;
  } cases[] = {{"42", 42, true},          {"-2147483648", INT32_MIN, true}, {"2147483647", INT32_MAX, true},
               {"", 0, true},             {"2147483648", 0, false},         {"-2147483649", 0, false},
               {"1.5", 0, false},         {"abc", 0, false},                {"-", 0, false},
               {"99999999999999999999", 0, false}};
  for (const Case& c : cases) {
    pugi::xml_node root = Holding(c.content);
    if (c.valid) {
      EXPECT_EQ(U::GetNodeValueAsInteger(root, "V"), c.expected) << c.content;
    } else {
      EXPECT_EQ(ErrorOf([&] { U::GetNodeValueAsInteger(root, "V"); }),
                std::string("Error in processing node V as integer.\r\n'") + c.content + "' is not a valid integer value");
    }
  }
}

TEST_F(NodeReaderTest, DatesAndDateTimes) {
  struct Case {
    const char* content;
    bool as_date_time;
    const char* expected;  // DateTimeToXmlText with milliseconds, or the error text
  } cases[] = {
      {"2024-03-05", false, "2024-03-05T00:00:00.000"},
      {"2024-03-05T14:30:00", false, "2024-03-05T00:00:00.000"},
      {"2024-02-29", false, "2024-02-29T00:00:00.000"},
      {"2024-02-30", false, "Error in processing node V as date.\r\nDate Format invalid: [2024-02-30]"},
      {"", false, "Error in processing node V as date.\r\nDate Format invalid: []"},
      {"2024-03-05T14:30:00", true, "2024-03-05T14:30:00.000"},
      {"2024-03-05T14:30:00.250", true, "2024-03-05T14:30:00.250"},
      {"2024-03-05 14:30:00", true, "2024-03-05T14:30:00.000"},
      {"2024-03-05T14:30:00.x", true, "2024-03-05T14:30:00.000"},
      {"2024-03-05", true, "Error in processing node V as datetime.\r\nDateTime Format invalid: [2024-03-05]"},
      {"2024-02-30T10:00:00", true,
       "Error in processing node V as datetime.\r\nDateTime Format invalid: [2024-02-30T10:00:00]"},
      {"2024-03-05T24:00:00", true,
       "Error in processing node V as datetime.\r\nDateTime Format invalid: [2024-03-05T24:00:00]"},
      {"", true, "Error in processing node V as datetime.\r\nDateTime Format invalid: []"},
  };
  for (const Case& c : cases) {
    pugi::xml_node root = Holding(c.content);
    std::string got;
    try {
      got = DateTimeToXmlText(true, c.as_date_time ? U::GetNodeValueAsDateTime(root, "V")
                                                    : U::GetNodeValueAsDate(root, "V"));
    } catch (const Error& e) {
      got = e.what();
    }
    EXPECT_EQ(got, c.expected) << c.content;
  }
  pugi::xml_node root = Holding("2024-03-05");
  EXPECT_TRUE(U::GetNodeValueAsDate(root, "Missing").IsZero());
  EXPECT_TRUE(U::GetNodeValueAsDateTime(root, "Missing").IsZero());
  EXPECT_TRUE(U::TryGetNodeValueAsDateTime(root, "V").IsZero());
  EXPECT_FALSE(U::TryGetNodeValueAsDateTime(Holding("2024-03-05T01:02:03"), "V").IsZero());
}

TEST_F(NodeReaderTest, AttributesAndAddedNodes) {
  LoadXml(document_, R"(<R><V SAFTQRCODE="True">x</V></R>)");
  pugi::xml_node v = U::FindNode(document_.document_element(), "V");
  EXPECT_EQ(U::GetAttributeValueAsString(v, "SAFTQRCODE"), "True");
  EXPECT_EQ(U::GetAttributeValueAsString(v, "Missing"), "");

  pugi::xml_node added = U::AddNode(document_.document_element(), "Empty", "");
  U::AddNode(document_.document_element(), "Full", "a<b");
  EXPECT_TRUE(U::HasNode(document_.document_element(), "Empty"));
  EXPECT_FALSE(added.first_child());  // an empty value gives an element without content
  EXPECT_EQ(document_.document_element().last_child().name(), std::string("Full"));
  EXPECT_EQ(U::GetNodeValueAsString(document_.document_element(), "Full"), "a<b");
  EXPECT_THROW(U::AddNode(pugi::xml_node(), "X", "y"), Error);
}

TEST(CodeTest, DecodersAreCaseInsensitiveAndNameTheLowerCasedValue) {
  struct Case {
    std::function<void(std::string_view)> decode;
    const char* input;
    const char* error;  // nullptr when the input decodes
  };
  auto d = [](auto decoder) { return [decoder](std::string_view text) { decoder(text); }; };
  const std::vector<Case> cases = {
      {d(U::DecodeReceiptType), "SALE", nullptr},
      {d(U::DecodeReceiptType), " sale", "ReceiptType  sale is invalid"},
      {d(U::DecodeReceiptType), "", "ReceiptType  is invalid"},
      {d(U::DecodeLineType), "ProductSale", nullptr},
      {d(U::DecodeLineType), "Product-Sale", "LineType product-sale is invalid"},
      {d(U::DecodePaymentType), "Cash", nullptr},
      {d(U::DecodePaymentType), "", "PaymentType  is invalid"},
      {d(U::DecodeTaxType), "VaT", nullptr},
      {d(U::DecodeTaxType), "IVA", "TaxType iva is invalid"},
      {d(U::DecodeCustomerIdType), "", nullptr},
      {d(U::DecodeCustomerIdType), "Card", "CustomerIdType card is invalid"},
      {d(U::DecodeAlignment), "", "Alignment  is invalid"},
      {d(U::DecodeAlignment), "Centre", "Alignment centre is invalid"},
      {d(U::DecodeBarcodeType), "", "BarcodeType  is invalid"},
      {d(U::DecodeEffect), "Blink", "Effect blink is invalid"},
      {d(U::DecodeEffects), "bold, italic", "Effect  italic is invalid"},
      {d(U::DecodeImageSource), "URL", "Image Source url is invalid"},
      {d(U::DecodeEJReportDestination), "Screen", "ReportDestination screen is invalid"},
      {d(U::DecodeEJReportType), "", "ReportType  is invalid"},
      {d(U::DecodeEJRequestType), "CSV", "RequestType csv is invalid"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ErrorOf([&] { c.decode(c.input); }), c.error ? c.error : "<no error>") << c.input;
}

TEST(CodeTest, DecodedValuesAndWrittenCodes) {
  EXPECT_EQ(U::DecodeReceiptType("InvoiceSaleFromReceipt"), rt_InvoiceSaleFromReceipt);
  EXPECT_EQ(U::EncodeReceiptType(rt_InvoiceSale), "InvoiceSale");
  EXPECT_EQ(U::EncodeTaxType(tt_SalesTax), "SalesTax");
  EXPECT_EQ(U::DecodeTaxType("salestax"), tt_SalesTax);
  EXPECT_EQ(U::DecodeCustomerIdType("NA"), cid_NA);
  EXPECT_EQ(U::DecodeCustomerIdType("NationalId"), cid_NationalId);
  EXPECT_EQ(U::EncodeCustomerIdType(cid_NA), "");
  EXPECT_EQ(U::EncodeCustomerIdType(cid_Passport), "passport");
  EXPECT_EQ(U::DecodeLineAttribute("PRODUCT"), rla_Product);
  for (const char* text : {"service", "", "0", "products"}) EXPECT_EQ(U::DecodeLineAttribute(text), rla_Service);
  EXPECT_EQ(U::DecodeReferenceType("EFTReceipt"), rrt_EFTReceipt);
  EXPECT_EQ(U::DecodeReferenceType("Empties"), rrt_Empties);
  for (const char* text : {"", "unknown", "notavailable "}) EXPECT_EQ(U::DecodeReferenceType(text), rrt_OriginalReceipt);
  EXPECT_EQ(U::EncodeReferenceType(rrt_NotAvailable), "NotAvailable");
  EXPECT_EQ(U::DecodeAlignment("LEFT"), la_left);
  EXPECT_EQ(U::EncodeAlignment(la_center), "center");
  EXPECT_EQ(U::EncodeAlignment(la_none), "");
  EXPECT_EQ(U::DecodeBarcodeType("Interleaved2of5"), bt_Interleaved2Of5);
  EXPECT_EQ(U::DecodeImageSource(""), is_FileSystem);
  EXPECT_EQ(U::DecodeImageSource("Resource"), is_Resource);
  EXPECT_EQ(U::EncodeImageSource(is_FileSystem), "filesystem");
  EXPECT_EQ(U::DecodeEJReportType("CreditNote"), ejrt_CreditNote);
  EXPECT_EQ(U::DecodeEJReportDestination("MEMORY"), rd_Memory);
  EXPECT_EQ(U::DecodeEJRequestType("XML"), ej_xml);
}

TEST(CodeTest, EveryEnumeratedCodeReadsBack) {
  for (int v = rlt_ProductSale; v <= rlt_CollectAmount; ++v) {
    auto type = static_cast<qvReceiptLineType>(v);
    EXPECT_EQ(U::DecodeLineType(U::EncodeLineType(type)), type);
  }
  EXPECT_EQ(U::EncodeLineType(rlt_DiscountPercentageOnSubTotal), "discountpercentageonsubtotal");
  for (int v = rpt_Cash; v <= Rpt_Change; ++v) {
    auto type = static_cast<qvReceiptPaymentType>(v);
    EXPECT_EQ(U::DecodePaymentType(U::EncodePaymentType(type)), type);
  }
  EXPECT_EQ(U::EncodePaymentType(Rpt_NHSCard), "nhscard");
  for (int v = rt_Sale; v <= rt_InvoiceSaleFromReceipt; ++v) {
    auto type = static_cast<qvReceiptType>(v);
    EXPECT_EQ(U::DecodeReceiptType(U::EncodeReceiptType(type)), type);
  }
  for (int v = bt_EAN13; v <= bt_Interleaved2Of5; ++v) {
    auto type = static_cast<qvReceiptMessageBarcodeType>(v);
    EXPECT_EQ(U::DecodeBarcodeType(U::EncodeBarcodeType(type)), type);
  }
  for (int v = le_bold; v <= le_condensed; ++v) {
    auto effect = static_cast<qvReceiptMessageLineEffect>(v);
    EXPECT_EQ(U::DecodeEffect(U::EncodeEffect(effect)), effect);
  }
}

TEST(CodeTest, EffectSets) {
  qvReceiptMessageLineEffectSet both;
  both.set(le_bold).set(le_underline);
  EXPECT_EQ(U::DecodeEffects("bold,underline"), both);
  EXPECT_EQ(U::DecodeEffects("Underline,BOLD,bold"), both);
  EXPECT_EQ(U::EncodeEffects(both), "bold,underline");
  EXPECT_EQ(U::EncodeEffects(U::DecodeEffects("condensed,italic")), "italic,condensed");
  EXPECT_EQ(U::DecodeEffects(""), qvReceiptMessageLineEffectSet());
  EXPECT_EQ(U::DecodeEffects("bold,,italic"), qvReceiptMessageLineEffectSet().set(le_bold));
  EXPECT_EQ(U::DecodeEffects("bold,"), qvReceiptMessageLineEffectSet().set(le_bold));
  EXPECT_EQ(U::DecodeEffects(",bold"), qvReceiptMessageLineEffectSet());
  EXPECT_EQ(U::EncodeEffects(qvReceiptMessageLineEffectSet()), "");
  EXPECT_EQ(U::EncodeEffects(qvReceiptMessageLineEffectSet().set()),
            "bold,italic,underline,doubleheight,doublewidth,doublesize,invertcolors,condensed");
}

TEST(NormalizeTextTest, PlainPrintableAscii) {
  struct Case {
    const char* input;
    const char* expected;
  } cases[] = {
      {"CAF\xC3\x89 TOTALE \xE2\x82\xAC", "CAFE TOT. E"},
      {"\xC3\x80\xC3\x99\xC3\x88\xC3\x89\xC3\x92\xC3\x96\xC3\x87\xC3\x8F\xC3\x8C", "AUEEOOCII"},
      {"a\tb\r\nc", "a b  c"},
      {"\xC3\xA7" "a", " a"},             // lower-case accents become blanks
      {"TOTALETOTALE totale", "TOT.TOT. totale"},
      {"\xF0\x9F\x98\x80!", " !"},        // one blank per code point, also outside the BMP
      {"\xFF\xFE" "x", "  x"},            // invalid bytes count as one character each
      {"~\x7F", "~\x7F"},                 // 127 itself is kept
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(U::NormalizeText(c.input), c.expected) << c.input;
}

}  // namespace
}  // namespace dodu

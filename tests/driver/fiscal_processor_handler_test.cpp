// The request envelope: driver name, the fixed TCP connection, the till serial and the documents.
#include <gtest/gtest.h>

#include <functional>

#include "base/error.h"
#include "driver/fiscal_processor_handler.h"
#include "io/tcp_handler.h"

namespace dodu::testing {
namespace {

std::string Request(const std::string& body) { return "<ReceiptPrinterManager>" + body + "</ReceiptPrinterManager>"; }

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(FiscalProcessorHandlerTest, TheDriverIsTheProcessorParameter) {
  struct Case {
    std::string parameters;
    std::string driver;
  };
  const std::vector<Case> cases = {
      {"<Processor>DODU_PT_10</Processor>", "DODU_PT_10"},
      {"<PROCESSOR>UPPER</PROCESSOR>", "UPPER"},
      {"<PROCESSOR>UPPER</PROCESSOR><Processor>Mixed</Processor>", "Mixed"},
      {"<Processor><![CDATA[A&B]]></Processor>", "A&B"},
  };
  for (const Case& c : cases) {
    kFiscalProcessorHandler handler;
    handler.Deserialize(Request("<Driver>SomethingElse</Driver><Parameters>" + c.parameters + "</Parameters>"), {});
    EXPECT_EQ(handler.fDriver, c.driver) << c.parameters;
  }
}

TEST(FiscalProcessorHandlerTest, IncompleteRequestsAreRefused) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {Request("<Driver>X</Driver>"), "Invalid request: Parameters node not found"},
      {Request("<Driver>X</Driver><parameters><Processor>X</Processor></parameters>"),
       "Invalid request: Parameters node not found"},
      {Request("<Driver>X</Driver><Parameters><processor>X</processor></Parameters>"),
       "Invalid request: Processor node not found in Parameters (it names the driver)"},
      {Request("<Driver>X</Driver><Processor>X</Processor><Parameters/>"),
       "Invalid request: Processor node not found in Parameters (it names the driver)"},
      {Request("<Parameters><Processor>X</Processor></Parameters>"), "Invalid request: Driver node not found"},
      {"", "Invalid request: the request text is empty"},
      {" \r\n\t", "Invalid request: the request text is empty"},
  };
  for (const auto& [request_xml, message] : cases) {
    const std::string request = request_xml;  // a lambda cannot capture a binding
    kFiscalProcessorHandler handler;
    EXPECT_EQ(ErrorOf([&] { handler.Deserialize(request, {}); }), message) << request;
  }
  kFiscalProcessorHandler broken;
  const std::string parse_error = ErrorOf([&] { broken.Deserialize("<Request><Driver>", {}); });
  EXPECT_EQ(parse_error.rfind("XML parse error: ", 0), 0u) << parse_error;
  kFiscalProcessorHandler nested;
  const std::string nested_error = ErrorOf([&] {
    nested.Deserialize(Request("<Driver/><Parameters><Processor>X</Processor><Till><No/></Till></Parameters>"), {});
  });
  EXPECT_EQ(nested_error.rfind("Error in processing node Till as string.\r\n", 0), 0u) << nested_error;
}

TEST(FiscalProcessorHandlerTest, TheConnectionIsAlwaysTcpToLocalhost) {
  kFiscalProcessorHandler handler;
  handler.Deserialize(
      Request("<Driver>X</Driver><Connection><Type>SERIAL</Type><SerialPort>COM1</SerialPort><Speed>9600</Speed>"
              "<ConnectTimeout>100</ConnectTimeout><ReadTimeout>100</ReadTimeout></Connection>"
              "<Parameters><Processor>P</Processor></Parameters>"),
      {});
  const kConnection& c = handler.fConnection;
  EXPECT_EQ(c.fConnectionType, qvConnectionType::TCP);
  EXPECT_EQ(c.fAddress, "localhost");
  EXPECT_EQ(c.fPort, 5001);
  EXPECT_EQ(c.fConnectTimeout, 3000);
  EXPECT_EQ(c.fReadTimeout, 5000);
  EXPECT_EQ(c.fSerialPort, "");
  EXPECT_EQ(c.fSpeed, 0);
  std::unique_ptr<kIOHandler> io = handler.CreateIOHandler("");
  auto* tcp = dynamic_cast<kIOHandler_TCP*>(io.get());
  ASSERT_NE(tcp, nullptr);
  EXPECT_EQ(tcp->TCPClient().Host(), "localhost");
  EXPECT_EQ(tcp->TCPClient().Port(), 5001);
  EXPECT_EQ(tcp->ConnectTimeout(), 3000);
  EXPECT_EQ(tcp->ReadTimeout(), 5000);
  EXPECT_FALSE(tcp->Connected());  // created, never connected
}

TEST(FiscalProcessorHandlerTest, EveryConnectionOfTheRequestIsReplaced) {
  const std::string requests[] = {
      "<Connection><Type>TCP</Type></Connection><Connection><Type>SERIAL</Type><SerialPort>COM1</SerialPort>"
      "</Connection>",
      "<Connection><Type>TCP</Type></Connection><Connection><Type>usb</Type></Connection>",
      "<Connection><Type>usb</Type></Connection><Parameters><Processor>P</Processor></Parameters>"
      "<Connection><Type>SERIAL</Type></Connection><Connection><Type>usb</Type></Connection>",
  };
  for (const std::string& connections : requests) {
    kFiscalProcessorHandler handler;
    handler.Deserialize(Request("<Driver>X</Driver>" + connections + "<Parameters><Processor>P</Processor></Parameters>"),
                        {});
    EXPECT_EQ(handler.fConnection.fConnectionType, qvConnectionType::TCP) << connections;
    EXPECT_EQ(handler.fConnection.fSerialPort, "") << connections;
    EXPECT_EQ(handler.fConnection.fAddress, "localhost") << connections;
  }
}

TEST(FiscalProcessorHandlerTest, RequestsBeyondTheSizeOrDepthLimitAreRefused) {
  std::string deep;
  for (int i = 0; i < kMaxRequestDepth - 2; ++i) deep += "<a>";
  for (int i = 0; i < kMaxRequestDepth - 2; ++i) deep += "</a>";
  const std::string envelope = "<Driver>X</Driver><Parameters><Processor>P</Processor></Parameters>";
  kFiscalProcessorHandler at_limit;
  // Root, Note and the chain: exactly the limit.
  at_limit.Deserialize(Request(envelope + "<Note>" + deep + "</Note>"), {});
  EXPECT_EQ(at_limit.fDriver, "P");
  EXPECT_EQ(ErrorOf([&] { kFiscalProcessorHandler().Deserialize(Request(envelope + "<Note><b>" + deep + "</b></Note>"), {}); }),
            "Invalid request: elements are nested deeper than 64 levels");
  const std::string body = envelope + "<Note>x</Note>";
  const std::string just_fits = Request(body + std::string(kMaxRequestBytes - Request(body).size(), ' '));
  ASSERT_EQ(just_fits.size(), kMaxRequestBytes);
  kFiscalProcessorHandler fits;
  fits.Deserialize(just_fits, {});
  EXPECT_EQ(ErrorOf([&] { kFiscalProcessorHandler().Deserialize(just_fits + " ", {}); }),
            "Invalid request: the request text is longer than 1048576 bytes");
}

TEST(FiscalProcessorHandlerTest, ParametersStillReachTheConnection) {
  struct Case {
    std::string parameter;
    int32_t connect_timeout;
  };
  const std::vector<Case> cases = {
      {"<ConnectTimeout>9000</ConnectTimeout>", 9000},
      {"<ConnectTimeout>0</ConnectTimeout>", 3000},
      {"<CONNECTTIMEOUT>-1</CONNECTTIMEOUT>", 3000},
      {"", 3000},
  };
  for (const Case& c : cases) {
    kFiscalProcessorHandler handler;
    handler.Deserialize(Request("<Driver/><Parameters><Processor>P</Processor>" + c.parameter +
                                "<DeviceName>FP-9</DeviceName></Parameters>"),
                        {});
    EXPECT_EQ(handler.fConnection.fConnectTimeout, c.connect_timeout) << c.parameter;
    EXPECT_EQ(handler.fConnection.fDeviceName, "FP-9");
  }
}

TEST(FiscalProcessorHandlerTest, KeepsTheRequestAndTheTillSerial) {
  const std::string with_serial = Request(
      "<Driver/><Handle>12</Handle><LogId>9</LogId>"
      "<Parameters><Processor>P</Processor><fptillserial>T 07</fptillserial></Parameters>");
  kFiscalProcessorHandler handler;
  handler.Deserialize(with_serial, {});
  EXPECT_EQ(handler.fXmlString, with_serial);
  EXPECT_EQ(handler.fTillSerial, "T 07");
  EXPECT_EQ(handler.fDeviceHandle, 12);
  EXPECT_EQ(handler.fLogId, "9");
  EXPECT_EQ(handler.GetParameter("Processor"), "P");

  kFiscalProcessorHandler without;
  without.Deserialize(Request("<Driver/><Parameters><Processor>P</Processor></Parameters>"), {});
  EXPECT_EQ(without.fTillSerial, "");
  EXPECT_EQ(without.fDeviceHandle, 0);
}

// Texts read as they always did, whatever markup carries them: an escaped carriage return
// reads as a line feed, a text of escaped blanks alone reads as empty, and pieces split by a
// comment read as one text.
TEST(FiscalProcessorHandlerTest, TextsReadTheSameWhateverTheirMarkup) {
  struct Case {
    std::string serial;    // the FPTillSerial element's content
    std::string expected;  // the till serial read
  };
  const std::vector<Case> cases = {
      {"T&#13;1", "T\n1"},
      {"T&#13;&#10;1", "T\n1"},
      {"T&#xD;<!--x-->&#xA;1", "T\n1"},
      {"&#32;", ""},
      {"&#9;<!--x-->&#10;", ""},
      {"&#32;<![CDATA[x]]>", "x"},
      {"<![CDATA[x]]>&#32;", "x"},
      {"<![CDATA[\r]]>", "\n"},
      {"T<!--x-->0<?pi y?>7", "T07"},
      {"&#32;T&#32;", " T "},
      {"T&amp;&lt;1&#1;", "T&<1\x01"},
  };
  for (const Case& c : cases) {
    kFiscalProcessorHandler handler;
    handler.Deserialize(Request("<Driver/><Parameters><Processor>P</Processor><FPTillSerial>" + c.serial +
                                "</FPTillSerial></Parameters><Receipt><Type>Sale</Type><Lines/><Taxes/><Payments/><CustomerName>" + c.serial +
                                "</CustomerName></Receipt>"),
                        {dt_Receipt});
    EXPECT_EQ(handler.fTillSerial, c.expected) << c.serial;
    EXPECT_EQ(handler.fReceipt.fCustomerName, c.expected) << c.serial;
  }
  // The driver name is set into the request's Driver element, beside what else it holds.
  const std::vector<std::pair<std::string, std::string>> drivers = {
      {"<Driver>X<!--x-->Y</Driver><Parameters><Processor>P</Processor></Parameters>", "PY"},
      {"<Driver>X</Driver><Parameters><Processor>&#32;</Processor></Parameters>", ""},
  };
  for (const auto& [body, driver] : drivers) {
    kFiscalProcessorHandler handler;
    handler.Deserialize(Request(body), {});
    EXPECT_EQ(handler.fDriver, driver) << body;
  }
}

TEST(FiscalProcessorHandlerTest, ReadsOnlyTheDocumentsAskedFor) {
  const std::string bare = Request("<Driver/><Parameters><Processor>P</Processor></Parameters>");
  // What the X report and the status ask for: nothing, so a bare envelope is complete.
  kFiscalProcessorHandler x;
  EXPECT_NO_THROW(x.Deserialize(bare, {}));
  kFiscalProcessorHandler z;
  EXPECT_NO_THROW(z.Deserialize(bare, {dt_ZReport, dt_XReport}));
  const std::vector<std::pair<qvReceiptHandlerDocumentType, std::string>> required = {
      {dt_Receipt, "Receipt node not found"},
      {dt_ReceiptReference, "ReceiptReference node not found"},
      {dt_Drawer, "Drawer node not found"},
      {dt_VatTable, "VATTable node not found"},
      {dt_DeptTable, "DeptTable node not found"},
  };
  for (const auto& [required_kind, message] : required) {
    const qvReceiptHandlerDocumentType kind = required_kind;  // a lambda cannot capture a binding
    kFiscalProcessorHandler handler;
    EXPECT_EQ(ErrorOf([&] { handler.Deserialize(bare, {kind}); }), message);
  }

  // A document that is there but not asked for stays unread.
  const std::string with_drawer =
      Request("<Driver/><Parameters><Processor>P</Processor></Parameters><Drawer><Number>2</Number></Drawer>"
              "<ZReport><StoreCode>S01</StoreCode><TillCode>01</TillCode></ZReport>");
  kFiscalProcessorHandler unread;
  unread.Deserialize(with_drawer, {dt_ZReport});
  EXPECT_EQ(unread.fDrawer.fNumber, 0);
  EXPECT_EQ(unread.fZreport.fStoreCode, "S01");
  kFiscalProcessorHandler read;
  read.Deserialize(with_drawer, {dt_Drawer});
  EXPECT_EQ(read.fDrawer.fNumber, 2);
  EXPECT_EQ(read.fZreport.fStoreCode, "");
}

}  // namespace
}  // namespace dodu::testing

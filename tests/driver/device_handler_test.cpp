// Device settings: reading and writing the settings XML, parameters, connection codes and the
// I/O handler that matches the connection type.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "base/error.h"
#include "driver/device_handler.h"
#include "driver_world.h"
#include "io/com_handler.h"
#include "io/dll_handler.h"
#include "io/http_handler.h"
#include "io/serial_handler.h"
#include "io/opos_handler.h"
#include "io/spool_handler.h"
#include "io/tcp_handler.h"

namespace dodu::testing {
namespace {

std::string Settings(const std::string& connection, const std::string& parameters = "") {
  return "<Device><Type>FP</Type><Driver>DRV</Driver><Method>Process</Method><Handle>3</Handle>"
         "<LogId>L7</LogId>" +
         connection + parameters + "</Device>";
}

// Every child a connection can have, so the test shows which ones each type reads.
std::string FullConnection(const std::string& type) {
  return "<Connection><Type>" + type +
         "</Type><ConnectTimeout>2500</ConnectTimeout><ReadTimeout>4000</ReadTimeout>"
         "<Address>10.0.0.9</Address><Port>9100</Port><URL>http://fp/api</URL><AuthType>Digest</AuthType>"
         "<User>ana</User><Password>pw</Password><SerialPort>COM3</SerialPort><Speed>9600</Speed>"
         "<DataBits>8</DataBits><Parity>Even</Parity><StopBits>2</StopBits><DeviceName>FP1</DeviceName>"
         "<LibraryName>fp.dll</LibraryName><PrinterName>Epson</PrinterName></Connection>";
}

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(DeviceHandlerTest, ReadsTheRootElementsOfAnyRootName) {
  kDeviceHandler device;
  std::unique_ptr<pugi::xml_document> document = device.Deserialize(Settings(""));
  EXPECT_EQ(device.fType, "FP");
  EXPECT_EQ(device.fDriver, "DRV");
  EXPECT_EQ(device.fMethod, "Process");
  EXPECT_EQ(device.fDeviceHandle, 3);
  EXPECT_EQ(device.fLogId, "L7");
  ASSERT_NE(document, nullptr);
  EXPECT_STREQ(document->document_element().name(), "Device");
  // Without a Connection element the connection keeps its initial settings.
  EXPECT_EQ(device.fConnection.fConnectionType, qvConnectionType::OPOS);
  EXPECT_EQ(device.fConnection.fConnectTimeout, 1000);
  EXPECT_EQ(device.fConnection.fReadTimeout, 1000);

  kDeviceHandler empty;
  empty.Deserialize("<X/>");
  EXPECT_EQ(empty.fDeviceHandle, 0);
  EXPECT_EQ(empty.fDriver, "");
}

TEST(DeviceHandlerTest, ConnectionTypeCodesIgnoreLetterCase) {
  const std::vector<std::pair<std::string, qvConnectionType>> cases = {
      {"Tcp", qvConnectionType::TCP},     {"tcp", qvConnectionType::TCP},       {"HTTP", qvConnectionType::HTTP},
      {"Serial", qvConnectionType::Serial}, {"dll", qvConnectionType::DLL},     {"Com", qvConnectionType::Com},
      {"SPOOL", qvConnectionType::Spool}, {"opos", qvConnectionType::OPOS},
  };
  for (const auto& [text, type] : cases) {
    kDeviceHandler device;
    device.Deserialize(Settings("<Connection><Type>" + text + "</Type><Parity>none</Parity></Connection>"));
    EXPECT_EQ(device.fConnection.fConnectionType, type) << text;
    EXPECT_EQ(kConnection::ConvertConnectionType(text), type);
  }
  const std::vector<std::pair<std::string, std::string>> invalid = {
      {"<Connection><Type>usb</Type></Connection>", "Connection Type usb is not valid"},
      {"<Connection><Type>TCP2</Type></Connection>", "Connection Type TCP2 is not valid"},
      {"<Connection><Type></Type></Connection>", "Connection Type  is not valid"},
      {"<Connection><Port>1</Port></Connection>", "Connection Type  is not valid"},
      // A serial connection must say its parity.
      {"<Connection><Type>Serial</Type></Connection>", "Connection Parity  is not valid"},
  };
  for (const auto& [connection_xml, message] : invalid) {
    const std::string connection = connection_xml;  // a lambda cannot capture a binding
    kDeviceHandler device;
    EXPECT_EQ(ErrorOf([&] { device.Deserialize(Settings(connection)); }), message);
  }
}

TEST(DeviceHandlerTest, ParityAndAuthenticationCodes) {
  auto serial = [](const std::string& parity, const std::string& auth) {
    return Settings("<Connection><Type>SERIAL</Type><AuthType>" + auth + "</AuthType><Parity>" + parity +
                    "</Parity></Connection>");
  };
  const std::vector<std::pair<std::string, qvParity>> parities = {
      {"Odd", qvParity::Odd}, {"EVEN", qvParity::Even}, {"none", qvParity::None}};
  for (const auto& [text, parity] : parities) {
    kDeviceHandler device;
    device.Deserialize(serial(text, "none"));
    EXPECT_EQ(device.fConnection.fParity, parity) << text;
  }
  EXPECT_EQ(static_cast<int>(kConnection::ConvertParity("Odd")), 2);
  EXPECT_EQ(static_cast<int>(kConnection::ConvertParity("EVEN")), 1);
  kDeviceHandler mark;
  EXPECT_EQ(ErrorOf([&] { mark.Deserialize(serial("mark", "none")); }), "Connection Parity mark is not valid");

  const std::vector<std::pair<std::string, qvHTTPAuthType>> auths = {
      {"ntlm", qvHTTPAuthType::at_None},   {"", qvHTTPAuthType::at_None},         {"Basic", qvHTTPAuthType::at_Basic},
      {"DIGEST", qvHTTPAuthType::at_Digest}, {"bearer", qvHTTPAuthType::at_Bearer},
  };
  for (const auto& [text, auth] : auths) {
    kDeviceHandler device;
    EXPECT_NO_THROW(device.Deserialize(serial("odd", text))) << text;
    EXPECT_EQ(device.fConnection.fAuthType, auth) << text;
  }

  // Written back in upper case.
  EXPECT_EQ(kConnection::ConnectionTypeToString(qvConnectionType::Serial), "SERIAL");
  EXPECT_EQ(kConnection::ParityToString(qvParity::Odd), "ODD");
  EXPECT_EQ(kConnection::AuthTypeToString(qvHTTPAuthType::at_Bearer), "BEARER");
}

TEST(DeviceHandlerTest, TimeoutsOfZeroOrLessKeepTheirValue) {
  struct Case {
    std::string connect, read;
    int32_t connect_ms, read_ms;
  };
  const std::vector<Case> cases = {
      {"<ConnectTimeout>0</ConnectTimeout>", "<ReadTimeout>0</ReadTimeout>", 1000, 1000},
      {"<ConnectTimeout>-5</ConnectTimeout>", "", 1000, 1000},
      {"<ConnectTimeout></ConnectTimeout>", "<ReadTimeout>250</ReadTimeout>", 1000, 250},
      {"<ConnectTimeout>2500</ConnectTimeout>", "<ReadTimeout>-1</ReadTimeout>", 2500, 1000},
  };
  for (const Case& c : cases) {
    kDeviceHandler device;
    device.Deserialize(Settings("<Connection><Type>TCP</Type>" + c.connect + c.read + "</Connection>"));
    EXPECT_EQ(device.fConnection.fConnectTimeout, c.connect_ms) << c.connect;
    EXPECT_EQ(device.fConnection.fReadTimeout, c.read_ms) << c.read;
  }
  kConnection connection;
  connection.ConnectTimeOut(700);
  connection.ConnectTimeOut(0);
  EXPECT_EQ(connection.fConnectTimeout, 700);
}

TEST(DeviceHandlerTest, EachConnectionTypeReadsOnlyItsOwnChildren) {
  struct Expected {
    std::string type;
    bool network, web, serial, opos, dll, spool;
  };
  const std::vector<Expected> cases = {
      {"TCP", true, true, false, false, false, false},    {"HTTP", true, true, false, false, false, false},
      {"SERIAL", false, true, true, false, false, false}, {"OPOS", false, false, false, true, false, false},
      {"DLL", false, false, false, false, true, false},   {"SPOOL", false, false, false, false, false, true},
      {"COM", false, false, false, false, false, false},
  };
  for (const Expected& e : cases) {
    SCOPED_TRACE(e.type);
    kDeviceHandler device;
    device.Deserialize(Settings(FullConnection(e.type)));
    const kConnection& c = device.fConnection;
    EXPECT_EQ(c.fConnectTimeout, 2500);
    EXPECT_EQ(c.fReadTimeout, 4000);
    EXPECT_EQ(c.fAddress, e.network ? "10.0.0.9" : "");
    EXPECT_EQ(c.fPort, e.network ? 9100 : 0);
    EXPECT_EQ(c.fURL, e.web ? "http://fp/api" : "");
    EXPECT_EQ(c.fAuthType, e.web ? qvHTTPAuthType::at_Digest : qvHTTPAuthType::at_None);
    EXPECT_EQ(c.fUser, e.web ? "ana" : "");
    EXPECT_EQ(c.fPassword, e.web ? "pw" : "");
    EXPECT_EQ(c.fSerialPort, e.serial ? "COM3" : "");
    EXPECT_EQ(c.fSpeed, e.serial ? 9600 : 0);
    EXPECT_EQ(c.fDataBits, e.serial ? 8 : 0);
    EXPECT_EQ(c.fParity, e.serial ? qvParity::Even : qvParity::None);
    EXPECT_EQ(c.fStopBits, e.serial ? 2 : 0);
    EXPECT_EQ(c.fDeviceName, e.opos ? "FP1" : "");
    // An OPOS connection names its control (the bridge library, or the ProgID on Windows) there too.
    EXPECT_EQ(c.fLibraryName, e.dll || e.opos ? "fp.dll" : "");
    EXPECT_EQ(c.fPrinterName, e.spool ? "Epson" : "");
  }
}

TEST(DeviceHandlerTest, NonNumericIntegersNameTheirElement) {
  kDeviceHandler port;
  const std::string port_error =
      ErrorOf([&] { port.Deserialize(Settings("<Connection><Type>TCP</Type><Port>91x</Port></Connection>")); });
  EXPECT_EQ(port_error.rfind("Error in processing node Port as integer.\r\n", 0), 0u) << port_error;
  kDeviceHandler handle;
  const std::string handle_error = ErrorOf([&] { handle.Deserialize("<D><Handle>one</Handle></D>"); });
  EXPECT_EQ(handle_error.rfind("Error in processing node Handle as integer.\r\n", 0), 0u) << handle_error;
  kDeviceHandler text;
  const std::string text_error = ErrorOf([&] { text.Deserialize("<D><Driver><X/></Driver></D>"); });
  EXPECT_EQ(text_error.rfind("Error in processing node Driver as string.\r\n", 0), 0u) << text_error;
  kDeviceHandler broken;
  EXPECT_NE(ErrorOf([&] { broken.Deserialize("<D><Driver>"); }), "(no error)");
}

TEST(DeviceHandlerTest, ParametersAreStoredInLowerCaseAndFoundInAnyCase) {
  kDeviceHandler device;
  device.Deserialize(Settings("", "<Parameters><HexLog>TRUE</HexLog><Tax>23</Tax><Tax>6</Tax><Empty/>"
                                  "<DeviceName>FP-2</DeviceName><ConnectTimeout>9000</ConnectTimeout></Parameters>"));
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"hexlog", "TRUE"}, {"tax", "23"}, {"tax", "23"}, {"empty", ""}, {"devicename", "FP-2"},
      {"connecttimeout", "9000"}};
  EXPECT_EQ(device.fParameters, expected);
  EXPECT_EQ(device.GetParameter("HexLog"), "TRUE");
  EXPECT_EQ(device.GetParameter("HEXLOG"), "TRUE");
  EXPECT_TRUE(device.ParameterExists("hexLog"));
  EXPECT_TRUE(device.ParameterExists("Empty"));
  EXPECT_FALSE(device.ParameterExists("Missing"));
  EXPECT_EQ(device.GetParameter("Missing"), "");
  // Parameters that reach into the connection.
  EXPECT_EQ(device.fConnection.fDeviceName, "FP-2");
  EXPECT_EQ(device.fConnection.fConnectTimeout, 9000);

  kDeviceHandler zero;
  zero.Deserialize(Settings("", "<Parameters><ConnectTimeout>0</ConnectTimeout></Parameters>"));
  EXPECT_EQ(zero.fConnection.fConnectTimeout, 1000);
  kDeviceHandler bad;
  const std::string soon = Settings("", "<Parameters><ConnectTimeout>soon</ConnectTimeout></Parameters>");
  EXPECT_NE(ErrorOf([&] { bad.Deserialize(soon); }), "(no error)");
}

TEST(DeviceHandlerTest, SetParameterAddsReplacesAndRemoves) {
  kDeviceHandler device;
  device.Deserialize(Settings("", "<Parameters><FPTillSerial>T01</FPTillSerial><Keep>1</Keep></Parameters>"));
  device.SetParameter("FPTILLSERIAL", "T02");
  EXPECT_EQ(device.GetParameter("fptillserial"), "T02");
  device.SetParameter("NewOne", "x");
  EXPECT_EQ(device.fParameters.back(), (std::pair<std::string, std::string>{"NewOne", "x"}));
  device.SetParameter("fpTillSerial", "");
  EXPECT_FALSE(device.ParameterExists("FPTillSerial"));
  device.SetParameter("NeverThere", "");
  EXPECT_EQ(device.fParameters.size(), 2u);
  EXPECT_EQ(device.GetParameter("Keep"), "1");
}

TEST(DeviceHandlerTest, SerializeLeavesOutTheHandleOnlyForOpen) {
  for (const std::string method : {"OPEN", "open", "Open", "oPeN"}) {
    kDeviceHandler device;
    device.fMethod = method;
    device.fDeviceHandle = 4;
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(device.Serialize().c_str()));
    EXPECT_FALSE(document.child("ReceiptPrinterManager").child("Handle")) << method;
  }
  for (const std::string method : {"Process", "", "OPENED"}) {
    kDeviceHandler device;
    device.fMethod = method;
    device.fDeviceHandle = 4;
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(device.Serialize().c_str()));
    EXPECT_STREQ(document.child("ReceiptPrinterManager").child_value("Handle"), "4") << method;
  }
}

TEST(DeviceHandlerTest, SerializeWritesWhatDeserializeReads) {
  kDeviceHandler original;
  original.Deserialize(Settings(FullConnection("serial"), "<Parameters><FPTillSerial>T01</FPTillSerial>"
                                                           "<Note>a &amp; b</Note></Parameters>"));
  const std::string text = original.Serialize();

  pugi::xml_document document;
  ASSERT_TRUE(document.load_string(text.c_str(), pugi::parse_default | pugi::parse_declaration));
  pugi::xml_node declaration = document.first_child();
  ASSERT_EQ(declaration.type(), pugi::node_declaration);
  EXPECT_STREQ(declaration.attribute("version").value(), "1.0");
  EXPECT_STREQ(declaration.attribute("encoding").value(), "utf-8");
  pugi::xml_node root = document.child("ReceiptPrinterManager");
  EXPECT_STREQ(root.attribute("Version").value(), "1.0");
  std::vector<std::string> order;
  for (pugi::xml_node child : root.child("Connection").children()) order.push_back(child.name());
  const std::vector<std::string> expected_order = {"Type", "ConnectTimeout", "ReadTimeout", "Address", "Port",
                                                   "URL", "AuthType", "User", "Password", "SerialPort", "Speed",
                                                   "DataBits", "Parity", "StopBits", "DeviceName", "LibraryName",
                                                   "PrinterName"};
  EXPECT_EQ(order, expected_order);
  EXPECT_STREQ(root.child("Connection").child_value("Type"), "SERIAL");
  EXPECT_STREQ(root.child("Connection").child_value("Parity"), "EVEN");
  EXPECT_STREQ(root.child("Connection").child_value("AuthType"), "DIGEST");

  kDeviceHandler copy;
  copy.Deserialize(text);
  EXPECT_EQ(copy.fType, original.fType);
  EXPECT_EQ(copy.fDriver, original.fDriver);
  EXPECT_EQ(copy.fMethod, original.fMethod);
  EXPECT_EQ(copy.fLogId, original.fLogId);
  EXPECT_EQ(copy.fDeviceHandle, 3);
  EXPECT_EQ(copy.fParameters, original.fParameters);
  EXPECT_EQ(copy.GetParameter("Note"), "a & b");
  EXPECT_EQ(copy.fConnection.fSerialPort, "COM3");
  EXPECT_EQ(copy.fConnection.fSpeed, 9600);
  EXPECT_EQ(copy.fConnection.fParity, qvParity::Even);
  EXPECT_EQ(copy.fConnection.fConnectTimeout, 2500);
}

class CreateIOHandlerTest : public DriverWorld {};

TEST_F(CreateIOHandlerTest, TheConnectionTypePicksTheHandlerAndHexLogFollowsTheParameter) {
  const std::string log_dir = (root_ / "logs").string();
  const std::vector<std::pair<std::string, std::string>> types = {
      {"TCP", "kIOHandler_TCP"},       {"OPOS", "kIOHandler_OPOS"}, {"HTTP", "kIOHandler_HTTP"},
      {"SERIAL", "kIOHandler_Serial"}, {"DLL", "kIOHandler_Dll"},   {"COM", "kIOHandler_Com"},
      {"SPOOL", "kIOHandler_Spool"},
  };
  for (const auto& [type, class_name] : types) {
    SCOPED_TRACE(type);
    kDeviceHandler device;
    std::string connection = FullConnection(type);
    // A library connection loads its library when the handler is made.
    if (type == "DLL") connection.replace(connection.find("fp.dll"), 6, DODU_TEST_DEVICE_LIBRARY);
    device.Deserialize(Settings(connection, "<Parameters><HexLog>TRUE</HexLog></Parameters>"));
    std::unique_ptr<kIOHandler> handler = device.CreateIOHandler(log_dir);
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(handler->ClassName(), class_name);
    EXPECT_EQ(dynamic_cast<kIOHandler_TCP*>(handler.get()) != nullptr, type == "TCP");
    EXPECT_EQ(dynamic_cast<kIOHandler_HTTP*>(handler.get()) != nullptr, type == "HTTP");
    EXPECT_EQ(dynamic_cast<kIOHandler_Serial*>(handler.get()) != nullptr, type == "SERIAL");
    EXPECT_EQ(dynamic_cast<kIOHandler_Dll*>(handler.get()) != nullptr, type == "DLL");
    EXPECT_EQ(dynamic_cast<kIOHandler_Com*>(handler.get()) != nullptr, type == "COM");
    EXPECT_EQ(dynamic_cast<kIOHandler_OPOS*>(handler.get()) != nullptr, type == "OPOS");
    EXPECT_EQ(dynamic_cast<kIOHandler_Spool*>(handler.get()) != nullptr, type == "SPOOL");
    EXPECT_TRUE(handler->HexLog());
    EXPECT_EQ(handler->ConnectTimeout(), 2500);
    EXPECT_EQ(handler->ReadTimeout(), 4000);
    const std::filesystem::path log = handler->GetLogFileName();
    EXPECT_EQ(log.parent_path(), std::filesystem::path(log_dir));
    EXPECT_EQ(log.filename().string().rfind("DRV_L7_", 0), 0u) << log;
  }
  for (const std::string value : {"false", "1", "yes", ""}) {
    kDeviceHandler device;
    device.Deserialize(Settings(FullConnection("TCP"), "<Parameters><HexLog>" + value + "</HexLog></Parameters>"));
    EXPECT_FALSE(device.CreateIOHandler("")->HexLog()) << value;
  }
  kDeviceHandler lower;
  lower.Deserialize(Settings(FullConnection("TCP"), "<Parameters><hexlog>True</hexlog></Parameters>"));
  EXPECT_TRUE(lower.CreateIOHandler("")->HexLog());
}

TEST_F(CreateIOHandlerTest, HandlersTakeTheirSettingsFromTheConnection) {
  kDeviceHandler http;
  http.Deserialize(Settings(FullConnection("HTTP")));
  auto http_handler = http.CreateIOHandler("");
  auto* web = dynamic_cast<kIOHandler_HTTP*>(http_handler.get());
  ASSERT_NE(web, nullptr);
  EXPECT_EQ(web->URL(), "http://fp/api");
  EXPECT_EQ(web->AuthType(), qvHTTPAuthType::at_Digest);
  EXPECT_EQ(web->User(), "ana");
  EXPECT_EQ(web->Password(), "pw");

  kDeviceHandler serial;
  serial.Deserialize(Settings(FullConnection("SERIAL")));
  auto serial_handler = serial.CreateIOHandler("");
  auto* port = dynamic_cast<kIOHandler_Serial*>(serial_handler.get());
  ASSERT_NE(port, nullptr);
  EXPECT_EQ(port->ComPort().ComNumber(), 3u);
  EXPECT_EQ(port->ComPort().BaudRate(), 9600u);
  EXPECT_EQ(port->ComPort().DataBits(), 8);
  EXPECT_EQ(port->ComPort().Parity(), ptEven);
  EXPECT_EQ(port->ComPort().StopBits(), sbTwo);
  EXPECT_FALSE(port->Connected());  // made, not opened

  // A library that cannot be loaded fails the factory with the loader's reason.
  kDeviceHandler library;
  library.Deserialize(Settings(FullConnection("DLL")));
  const std::string message = ErrorOf([&] { library.CreateIOHandler(""); });
  EXPECT_EQ(message.rfind("Unable to Load Library fp.dll. ", 0), 0u) << message;
}

}  // namespace
}  // namespace dodu::testing

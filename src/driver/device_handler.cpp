#include "driver/device_handler.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "base/ascii_text.h"
#include "base/conversions.h"
#include "base/error.h"
#include "io/com_handler.h"
#include "io/dll_handler.h"
#include "io/http_handler.h"
#include "io/serial_handler.h"
#include "io/opos_handler.h"
#include "io/spool_handler.h"
#include "io/tcp_handler.h"
#include "receipt/receipt_util.h"

namespace dodu {

namespace {

bool SameName(const std::string& a, const std::string& b) { return AsciiLower(a) == AsciiLower(b); }

void ReadConnection(const pugi::xml_node& element, kConnection& c) {
  c.fConnectionType = kConnection::ConvertConnectionType(krptUtil::GetNodeValueAsString(element, "Type"));
  c.ConnectTimeOut(krptUtil::GetNodeValueAsInteger(element, "ConnectTimeout"));
  c.ReadTimeOut(krptUtil::GetNodeValueAsInteger(element, "ReadTimeout"));
  const qvConnectionType type = c.fConnectionType;
  const bool network = type == qvConnectionType::TCP || type == qvConnectionType::HTTP;
  const bool web = network || type == qvConnectionType::Serial;
  if (network) {
    c.fAddress = krptUtil::GetNodeValueAsString(element, "Address");
    c.fPort = krptUtil::GetNodeValueAsInteger(element, "Port");
  }
  if (web) {
    c.fURL = krptUtil::GetNodeValueAsString(element, "URL");
    c.fAuthType = kConnection::ConvertAuthType(krptUtil::GetNodeValueAsString(element, "AuthType"));
    c.fUser = krptUtil::GetNodeValueAsString(element, "User");
    c.fPassword = krptUtil::GetNodeValueAsString(element, "Password");
  }
  switch (type) {
    case qvConnectionType::Serial:
      c.fSerialPort = krptUtil::GetNodeValueAsString(element, "SerialPort");
      c.fSpeed = krptUtil::GetNodeValueAsInteger(element, "Speed");
      c.fDataBits = krptUtil::GetNodeValueAsInteger(element, "DataBits");
      c.fParity = kConnection::ConvertParity(krptUtil::GetNodeValueAsString(element, "Parity"));
      c.fStopBits = krptUtil::GetNodeValueAsInteger(element, "StopBits");
      break;
    case qvConnectionType::OPOS:
      c.fDeviceName = krptUtil::GetNodeValueAsString(element, "DeviceName");
      // The control to use: the vendor's bridge library here, the control's ProgID on Windows.
      c.fLibraryName = krptUtil::GetNodeValueAsString(element, "LibraryName");
      break;
    case qvConnectionType::DLL:
      c.fLibraryName = krptUtil::GetNodeValueAsString(element, "LibraryName");
      break;
    case qvConnectionType::Spool:
      c.fPrinterName = krptUtil::GetNodeValueAsString(element, "PrinterName");
      break;
    default:
      break;
  }
}

void AddText(pugi::xml_node parent, const char* name, const std::string& value) {
  parent.append_child(name).text().set(value.c_str());
}

}  // namespace

int32_t ParseIntegerText(const std::string& aText) {
  int32_t value = 0;
  const std::string_view digits = !aText.empty() && aText[0] == '+' ? std::string_view(aText).substr(1) : aText;
  if (!TryParseInt32(digits, value)) throw Error("'" + aText + "' is not a valid integer value");
  return value;
}

std::unique_ptr<pugi::xml_document> kDeviceHandler::Deserialize(const std::string& aXml) {
  auto document = std::make_unique<pugi::xml_document>();
  pugi::xml_parse_result parsed = document->load_string(aXml.c_str());
  if (!parsed) {
    throw Error(std::string("XML parse error: ") + parsed.description() + " at offset " +
                std::to_string(parsed.offset));
  }
  Deserialize(*document);
  return document;
}

void kDeviceHandler::Deserialize(const pugi::xml_document& aDocument) {
  pugi::xml_node root = aDocument.document_element();
  if (!root) throw Error("XML parse error: the document has no root element");

  fType = krptUtil::GetNodeValueAsString(root, "Type");
  fDriver = krptUtil::GetNodeValueAsString(root, "Driver");
  fMethod = krptUtil::GetNodeValueAsString(root, "Method");
  fDeviceHandle = krptUtil::GetNodeValueAsInteger(root, "Handle");
  fLogId = krptUtil::GetNodeValueAsString(root, "LogId");

  if (pugi::xml_node connection = root.child("Connection")) ReadConnection(connection, fConnection);

  if (pugi::xml_node parameters = root.child("Parameters")) {
    for (pugi::xml_node child = parameters.first_child(); child; child = child.next_sibling()) {
      if (child.type() != pugi::node_element) continue;
      // The value of a repeated name is that of its first element.
      fParameters.emplace_back(AsciiLower(child.name()), krptUtil::GetNodeValueAsString(parameters, child.name()));
    }
  }
  if (ParameterExists("DeviceName")) fConnection.fDeviceName = GetParameter("DeviceName");
  if (ParameterExists("ConnectTimeout")) fConnection.ConnectTimeOut(ParseIntegerText(GetParameter("ConnectTimeout")));
}

std::string kDeviceHandler::Serialize() const {
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "utf-8";
  pugi::xml_node root = document.append_child("ReceiptPrinterManager");
  root.append_attribute("Version") = "1.0";
  AddText(root, "Type", fType);
  AddText(root, "Driver", fDriver);
  AddText(root, "Method", fMethod);
  AddText(root, "LogId", fLogId);
  if (AsciiLower(fMethod) != "open") AddText(root, "Handle", std::to_string(fDeviceHandle));
  pugi::xml_node c = root.append_child("Connection");
  AddText(c, "Type", kConnection::ConnectionTypeToString(fConnection.fConnectionType));
  AddText(c, "ConnectTimeout", std::to_string(fConnection.fConnectTimeout));
  AddText(c, "ReadTimeout", std::to_string(fConnection.fReadTimeout));
  AddText(c, "Address", fConnection.fAddress);
  AddText(c, "Port", std::to_string(fConnection.fPort));
  AddText(c, "URL", fConnection.fURL);
  AddText(c, "AuthType", kConnection::AuthTypeToString(fConnection.fAuthType));
  AddText(c, "User", fConnection.fUser);
  AddText(c, "Password", fConnection.fPassword);
  AddText(c, "SerialPort", fConnection.fSerialPort);
  AddText(c, "Speed", std::to_string(fConnection.fSpeed));
  AddText(c, "DataBits", std::to_string(fConnection.fDataBits));
  AddText(c, "Parity", kConnection::ParityToString(fConnection.fParity));
  AddText(c, "StopBits", std::to_string(fConnection.fStopBits));
  AddText(c, "DeviceName", fConnection.fDeviceName);
  AddText(c, "LibraryName", fConnection.fLibraryName);
  AddText(c, "PrinterName", fConnection.fPrinterName);
  pugi::xml_node parameters = root.append_child("Parameters");
  for (const auto& [name, value] : fParameters) AddText(parameters, name.c_str(), value);
  std::ostringstream out;
  document.save(out, "  ", pugi::format_default, pugi::encoding_utf8);
  return out.str();
}

std::string kDeviceHandler::GetParameter(const std::string& aName) const {
  for (const auto& [name, value] : fParameters) {
    if (SameName(name, aName)) return value;
  }
  return std::string();
}

bool kDeviceHandler::ParameterExists(const std::string& aName) const {
  return std::any_of(fParameters.begin(), fParameters.end(), [&](const auto& p) { return SameName(p.first, aName); });
}

void kDeviceHandler::SetParameter(const std::string& aName, const std::string& aValue) {
  auto found = std::find_if(fParameters.begin(), fParameters.end(), [&](const auto& p) { return SameName(p.first, aName); });
  if (aValue.empty()) {
    if (found != fParameters.end()) fParameters.erase(found);
  } else if (found != fParameters.end()) {
    found->second = aValue;
  } else {
    fParameters.emplace_back(aName, aValue);
  }
}

std::unique_ptr<kIOHandler> kDeviceHandler::CreateIOHandler(const std::string& aLogDir) const {
  const std::string log_name = fDriver + "_" + fLogId;
  std::unique_ptr<kIOHandler> handler;
  const kConnection* c = &fConnection;
  switch (fConnection.fConnectionType) {
    case qvConnectionType::TCP:
      handler = std::make_unique<kIOHandler_TCP>(c, aLogDir, log_name);
      break;
    case qvConnectionType::OPOS:
      handler = std::make_unique<kIOHandler_OPOS>(c, aLogDir, log_name);
      break;
    case qvConnectionType::HTTP:
      handler = std::make_unique<kIOHandler_HTTP>(c, aLogDir, log_name);
      break;
    case qvConnectionType::Serial:
      handler = std::make_unique<kIOHandler_Serial>(c, aLogDir, log_name);
      break;
    case qvConnectionType::DLL:
      handler = std::make_unique<kIOHandler_Dll>(c, aLogDir, log_name);
      break;
    case qvConnectionType::Com:
      handler = std::make_unique<kIOHandler_Com>(c, aLogDir, log_name);
      break;
    case qvConnectionType::Spool:
      handler = std::make_unique<kIOHandler_Spool>(c, aLogDir, log_name);
      break;
  }
  handler->SetHexLog(AsciiLower(GetParameter("HexLog")) == "true");
  return handler;
}

}  // namespace dodu

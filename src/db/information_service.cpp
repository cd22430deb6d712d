#include "db/information_service.h"

#include <pugixml.hpp>

#include <sstream>

#include "base/conversions.h"
#include "base/error.h"
#include "db/ado_rowset.h"
#include "db/text_cipher.h"
#include "db/vendizio_proxy.h"
#include "io/http_client.h"

namespace dodu {

namespace {

constexpr const char* kServicePath = "relaydeskws/service.asmx/NativeLive";
constexpr int kServiceConnectTimeoutMs = 15000;
constexpr int kServiceTimeoutMs = 120000;

std::string Timestamp(DateTime value) {
  const DateTimeFields f = DecodeDateTime(value);
  return ZeroPadded(int64_t{f.year}, 4) + ZeroPadded(int64_t{f.month}, 2) + ZeroPadded(int64_t{f.day}, 2) +
         ZeroPadded(int64_t{f.hour}, 2) + ZeroPadded(int64_t{f.minute}, 2) + ZeroPadded(int64_t{f.second}, 2) +
         ZeroPadded(int64_t{f.millisecond}, 3);
}

// yyyymmddhhnnsszzz; a missing or unreadable time counts as 0.
DateTime ReadTimestamp(const std::string& text) {
  DateTimeFields f;
  int32_t parts[7] = {};
  const size_t widths[7] = {4, 2, 2, 2, 2, 2, 3};
  size_t at = 0;
  for (int i = 0; i < 7; ++i) {
    if (at + widths[i] > text.size() || !TryParseInt32(text.substr(at, widths[i]), parts[i])) return DateTime();
    at += widths[i];
  }
  f = {parts[0], parts[1], parts[2], parts[3], parts[4], parts[5], parts[6]};
  DateTime value;
  return TryEncodeDateTime(f, value) ? value : DateTime();
}

std::string NodeText(const pugi::xml_node& node) { return node.text().get(); }

}  // namespace

std::string InformationServiceUrl(const std::string& aHost) {
  // A URL's separator is "/" whatever the host setting ends with.
  std::string url = aHost;
  for (char& c : url)
    if (c == '\\') c = '/';
  if (!url.empty() && url.back() != '/' && url.back() != ':') url += '/';
  url += kServicePath;
  if (url.rfind("http", 0) != 0) throw Error("Protocol must be http or https");
  return url;
}

std::string InformationServiceRequestXml(const tQV_ServiceRequest& r) {
  pugi::xml_document document;
  pugi::xml_node declaration = document.append_child(pugi::node_declaration);
  declaration.append_attribute("version") = "1.0";
  declaration.append_attribute("encoding") = "UTF-8";
  pugi::xml_node root = document.append_child("KXRequest");
  pugi::xml_node head = root.append_child("Head");
  head.append_child("Environment").append_attribute("Name") = r.environment.c_str();
  pugi::xml_node user = head.append_child("User");
  user.append_attribute("Name") = r.user.c_str();
  user.append_attribute("Password") = r.cipheredPassword.c_str();
  user.append_attribute("Language") = r.language.c_str();
  pugi::xml_node requester = root.append_child("Requester");
  requester.append_attribute("Time") = Timestamp(r.time).c_str();
  requester.append_attribute("IPAddress") = r.ipAddress.c_str();
  requester.append_attribute("ComputerName") = r.computerName.c_str();
  pugi::xml_node service = root.append_child("Request").append_child("Service");
  service.append_attribute("Name") = r.service.c_str();
  for (size_t i = 0; i < r.inputs.size(); ++i)
    service.append_attribute(("Param" + std::to_string(i)).c_str()) = r.inputs[i].c_str();
  std::ostringstream out;
  document.save(out, "", pugi::format_raw, pugi::encoding_utf8);
  return out.str();
}

bool ReadInformationServiceAnswer(const std::string& aAnswer, std::vector<std::string>& aOutput,
                                  std::vector<std::unique_ptr<tQV_VendizioDataset>>* aDatasets,
                                  DateTime& aServerTime) {
  pugi::xml_document document;
  const pugi::xml_parse_result parsed = document.load_buffer(aAnswer.data(), aAnswer.size());
  if (!parsed) throw Error(std::string("Error in processing XML Response: ") + parsed.description());
  const pugi::xml_node root = document.document_element();
  const pugi::xml_node response = root.child("Response");
  if (const pugi::xml_node error = response.child("Error")) {
    aOutput.push_back("Error=" + NodeText(error));
    return false;
  }
  const pugi::xml_node server = root.child("Head").child("Server");
  if (!server) return true;

  const DateTime begin = ReadTimestamp(server.attribute("TimeProcessBegin").value());
  const DateTime end = ReadTimestamp(server.attribute("TimeProcessEnd").value());
  for (const pugi::xml_node& child : response.children()) {
    if (child.type() != pugi::node_element) continue;
    if (std::string(child.name()) != "rs") {
      aOutput.push_back(std::string(child.name()) + "=" + NodeText(child));
      continue;
    }
    if (aDatasets == nullptr) continue;
    try {
      aDatasets->push_back(std::make_unique<tQV_VendizioDataset>(ReadAdoRowset(NodeText(child))));
    } catch (const std::exception& e) {
      throw Error(std::string("Error in reading rs Node: ") + e.what());
    }
  }
  aServerTime = DateTime(end.value - begin.value);
  return true;
}

bool tQV_VendizioProxy::GetInfoFromService(const std::string& aServiceName, const std::string& aUserName,
                                           const std::string& aUserPassword, const std::string& aEnvironment,
                                           const std::vector<std::string>& aInputPars,
                                           std::vector<std::string>& aOutputPars, tQV_Datasets* aObjList,
                                           DateTime& aSvrTime) {
  const std::string url = InformationServiceUrl(GetConfiVarText("Cfg_CltHst"));
  tQV_ServiceRequest request;
  request.service = aServiceName;
  request.user = aUserName;
  request.cipheredPassword = CiphersText(aUserPassword);
  request.language = fRelaydeskLocale;
  request.environment = aEnvironment;
  request.inputs = aInputPars;
  request.time = Now();
  request.ipAddress = LocalIPAddress();
  request.computerName = ComputerName();

  std::string answer;
  try {
    HttpClient client;
    client.SetConnectTimeout(kServiceConnectTimeoutMs);
    client.SetTimeout(kServiceTimeoutMs);
    answer = client.PostForm(url, {{"xml", InformationServiceRequestXml(request)}}).body;
  } catch (const std::exception& e) {
    aOutputPars.push_back("Error=" + std::string(e.what()));
    Log(let_error, "After Post:" + std::string(e.what()));
  }
  return ReadInformationServiceAnswer(answer, aOutputPars, aObjList, aSvrTime);
}

}  // namespace dodu

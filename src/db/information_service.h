#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/date_time.h"
#include "db/vendizio_dataset.h"

namespace dodu {

// The store's information service: one XML request, posted as the form field "xml", and its
// XML answer.

// The service address under the host of Cfg_CltHst. Raises "Protocol must be http or https".
std::string InformationServiceUrl(const std::string& aHost);

struct tQV_ServiceRequest {
  std::string service;
  std::string user;
  std::string cipheredPassword;
  std::string language;
  std::string environment;
  std::vector<std::string> inputs;  // each line becomes the attribute Param0, Param1 ...
  DateTime time;
  std::string ipAddress;
  std::string computerName;
};

// The request document (UTF-8): KXRequest with Head, Requester and Request.
std::string InformationServiceRequestXml(const tQV_ServiceRequest& aRequest);

// Reads an answer: its output lines name=value (and "Error=" + text for an error answer), its
// recordsets as datasets when aDatasets is given, and the server's processing time. Whether
// the answer was not an error. Raises "Error in processing XML Response: ..." for an answer
// that cannot be read, and "Error in reading rs Node: ..." for a recordset that cannot.
bool ReadInformationServiceAnswer(const std::string& aAnswer, std::vector<std::string>& aOutput,
                                  std::vector<std::unique_ptr<tQV_VendizioDataset>>* aDatasets,
                                  DateTime& aServerTime);

}  // namespace dodu

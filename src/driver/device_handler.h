#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "io/connection.h"
#include "io/io_handler.h"

namespace dodu {

// The settings of one fiscal device: driver, processor handle, connection and free-form
// parameters, read from and written to the device-settings XML.
class kDeviceHandler {
 public:
  kDeviceHandler() = default;
  virtual ~kDeviceHandler() = default;

  // Parses the text, fills the settings and hands back the parsed document for further reading.
  std::unique_ptr<pugi::xml_document> Deserialize(const std::string& aXml);
  // Fills the settings from a document parsed already.
  void Deserialize(const pugi::xml_document& aDocument);
  std::string Serialize() const;

  // Parameter names are compared without regard to letter case.
  std::string GetParameter(const std::string& aName) const;
  bool ParameterExists(const std::string& aName) const;
  // An empty value removes the parameter.
  void SetParameter(const std::string& aName, const std::string& aValue);

  // The I/O handler of the connection type, logging into aLogDir; the caller owns it.
  std::unique_ptr<kIOHandler> CreateIOHandler(const std::string& aLogDir) const;

  std::string fType;
  std::string fDriver;
  std::string fMethod;
  kConnection fConnection;
  int32_t fDeviceHandle = 0;
  std::vector<std::pair<std::string, std::string>> fParameters;  // name (lower case when read), value
  std::string fLogId;
};

// Raises an error naming the node when the text is not a whole 32-bit decimal integer.
int32_t ParseIntegerText(const std::string& aText);

}  // namespace dodu

#pragma once

#include <cstdint>
#include <string>

namespace dodu {

enum class qvConnectionType { OPOS = 0, TCP = 1, HTTP = 2, Serial = 3, DLL = 4, Com = 5, Spool = 6 };
enum class qvParity { None = 0, Even = 1, Odd = 2 };
enum class qvHTTPAuthType { at_None = 0, at_Basic = 1, at_Digest = 2, at_Bearer = 3 };

// The settings of the channel to one device; a plain value object.
class kConnection {
 public:
  std::string fAddress;
  int32_t fPort = 0;
  std::string fURL;
  qvHTTPAuthType fAuthType = qvHTTPAuthType::at_None;
  std::string fUser;
  std::string fPassword;
  std::string fSerialPort;
  int32_t fSpeed = 0;
  int32_t fDataBits = 0;
  qvParity fParity = qvParity::None;
  int32_t fStopBits = 0;
  std::string fDeviceName;
  std::string fLibraryName;
  std::string fPrinterName;
  qvConnectionType fConnectionType = qvConnectionType::OPOS;
  int32_t fConnectTimeout = 1000;
  int32_t fReadTimeout = 1000;

  // Values of 0 or less are ignored.
  void ConnectTimeOut(int32_t value) {
    if (value > 0) fConnectTimeout = value;
  }
  void ReadTimeOut(int32_t value) {
    if (value > 0) fReadTimeout = value;
  }

  // Text codes, read without regard to letter case. Unknown connection types and parities
  // raise; an unknown authentication type reads as at_None.
  static qvConnectionType ConvertConnectionType(const std::string& text);
  static qvParity ConvertParity(const std::string& text);
  static qvHTTPAuthType ConvertAuthType(const std::string& text);
  static std::string ConnectionTypeToString(qvConnectionType value);
  static std::string ParityToString(qvParity value);
  static std::string AuthTypeToString(qvHTTPAuthType value);
};

}  // namespace dodu

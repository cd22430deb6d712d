#include "io/com_port.h"

namespace dodu {

TComPort::TComPort(uint32_t ncom) : fComNumber(ncom) {}

TComPort::TComPort(uint32_t ncom, uint32_t baud) : fComNumber(ncom), fBaudRate(baud) {}

TComPort::TComPort(uint32_t ncom, uint32_t baud, uint8_t data, TStopBits stop, TParity parity)
    : fComNumber(ncom), fBaudRate(baud), fDataBits(data), fStopBits(stop), fParity(parity) {}

TComPort::~TComPort() {
  try {
    Close();
  } catch (...) {
    // A destructor must not raise; the port is given back by the system either way.
  }
}

}  // namespace dodu

#include <windows.h>

#include "io/com_port.h"

namespace dodu {

namespace {

HANDLE Handle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

std::string TComPort::DeviceName() const { return "\\\\.\\COM" + std::to_string(fComNumber); }

void TComPort::Open() {
  if (fIsOpen) return;
  const std::string n = std::to_string(fComNumber);
  const std::wstring device = L"\\\\.\\COM" + std::to_wstring(fComNumber);
  HANDLE port = CreateFileW(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_NO_BUFFERING, nullptr);
  if (port == INVALID_HANDLE_VALUE) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND) throw TComPortException("COM" + n + " is not a valid COM port.");
    throw TComPortException("Cannot open COM" + n + " (error #" + std::to_string(code) + ").");
  }
  fComHandle = reinterpret_cast<intptr_t>(port);
  try {
    SetLineParameters(fBaudRate, fDataBits, fStopBits, fParity);
  } catch (...) {
    CloseHandle(port);
    fComHandle = -1;
    throw;
  }
  fIsOpen = true;
  fCurrentComTimeout = kNoTimeout;
}

void TComPort::SetLineParameters(uint32_t baud, uint8_t data, TStopBits stop, TParity pty) {
  DCB state{};
  state.DCBlength = sizeof state;
  if (!GetCommState(Handle(fComHandle), &state)) throw TComPortException("GetCommState failed!");
  state.BaudRate = baud;
  state.ByteSize = data;
  state.StopBits = static_cast<BYTE>(stop);
  state.Parity = static_cast<BYTE>(pty);
  if (!SetCommState(Handle(fComHandle), &state)) throw TComPortException("SetCommState failed!");
  fBaudRate = baud;
  fDataBits = data;
  fStopBits = stop;
  fParity = pty;
}

void TComPort::Close() {
  if (!fIsOpen) return;
  PurgeComm(Handle(fComHandle), PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT);
  CloseHandle(Handle(fComHandle));
  fComHandle = -1;
  fIsOpen = false;
}

void TComPort::SetReadTimeouts(uint32_t timeout) {
  COMMTIMEOUTS timeouts{};
  if (!GetCommTimeouts(Handle(fComHandle), &timeouts)) throw TComPortException("GetCommTimeouts failed.");
  timeouts.ReadIntervalTimeout = 100;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = timeout;
  if (!SetCommTimeouts(Handle(fComHandle), &timeouts)) throw TComPortException("SetCommTimeouts failed.");
}

int TComPort::Read(char* buffer, int nbytes, uint32_t& ErrorCode, uint32_t timeout) {
  if (!fIsOpen) throw TComPortException("Cannot read because COM port is not open.");
  if (timeout != 0 && timeout != fCurrentComTimeout) {
    SetReadTimeouts(timeout);
    fCurrentComTimeout = timeout;
  }
  if (nbytes <= 0) return 0;
  DWORD got = 0;
  if (!ReadFile(Handle(fComHandle), buffer, static_cast<DWORD>(nbytes), &got, nullptr)) {
    DWORD errors = 0;
    ClearCommError(Handle(fComHandle), &errors, nullptr);
    ErrorCode = errors;
    return -1;
  }
  return static_cast<int>(got);
}

bool TComPort::WriteText(const std::string& S) {
  if (!fIsOpen) throw TComPortException("Cannot write because COM port is not open.");
  DWORD written = 0;
  if (!WriteFile(Handle(fComHandle), S.data(), static_cast<DWORD>(S.size()), &written, nullptr)) {
    throw TComPortException("Write to com port failed.");
  }
  return written == S.size();
}

uint32_t TComPort::GetBytesPending() {
  DWORD errors = 0;
  COMSTAT status{};
  if (!fIsOpen || !ClearCommError(Handle(fComHandle), &errors, &status)) return 0;
  return status.cbInQue;
}

void TComPort::ClearBuffers() {
  if (!fIsOpen) return;
  if (!PurgeComm(Handle(fComHandle), PURGE_RXCLEAR | PURGE_TXCLEAR | PURGE_RXABORT | PURGE_TXABORT)) {
    throw TComPortException("PurgeComm failed!");
  }
}

void TComPort::SetDTR(bool assert) {
  if (!fIsOpen) throw TComPortException("SetRTS failed because COM port not open.");
  if (!EscapeCommFunction(Handle(fComHandle), assert ? SETDTR : CLRDTR)) throw TComPortException("SetDTR failed!");
}

void TComPort::SetRTS(bool assert) {
  if (!fIsOpen) throw TComPortException("SetRTS failed because COM port not open.");
  if (!EscapeCommFunction(Handle(fComHandle), assert ? SETRTS : CLRRTS)) throw TComPortException("SetRTS failed!");
}

}  // namespace dodu

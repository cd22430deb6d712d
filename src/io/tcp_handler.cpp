#include "io/tcp_handler.h"

#include <algorithm>
#include <chrono>

#include "base/text_encoding.h"
#include "io/connection.h"

namespace dodu {

namespace {

using Clock = std::chrono::steady_clock;

int64_t MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

bool IsTerminator(const std::vector<uint8_t>& terminators, uint8_t byte) {
  return std::find(terminators.begin(), terminators.end(), byte) != terminators.end();
}

}  // namespace

std::string BytesAsText(const std::string& bytes) {
  std::string text;
  text.reserve(bytes.size());
  for (unsigned char b : bytes) AppendUtf8(text, b);
  return text;
}

std::string TextAsBytes(const std::string& text, int32_t code_page) {
  if (code_page == 1252) return Utf8ToCp1252(text);
  if (code_page == 65001) return text;
  std::string bytes;
  for (char32_t cp : Utf8ToCodePoints(text)) bytes += cp <= 0xFF ? static_cast<char>(cp) : '?';
  return bytes;
}

kIOHandler_TCP::kIOHandler_TCP(const kConnection* aConnection, const std::string& aDirectory,
                               const std::string& aFileName)
    : kIOHandler(aConnection, aDirectory, aFileName) {
  std::string host = aConnection != nullptr ? aConnection->fAddress : std::string();
  uint16_t port = aConnection != nullptr ? static_cast<uint16_t>(aConnection->fPort & 0xFFFF) : 0;
  fTCPClient = std::make_unique<TcpClient>(host, port, fConnectTimeout);
}

// The client goes before the base writes its closing log line.
kIOHandler_TCP::~kIOHandler_TCP() { fTCPClient.reset(); }

bool kIOHandler_TCP::GetConnected() { return fTCPClient->Connected(); }

bool kIOHandler_TCP::Connect() {
  kIOHandler::Connect();
  Debug(let_info, "Host=" + fTCPClient->Host());
  Debug(let_info, "Port=" + std::to_string(fTCPClient->Port()));
  try {
    if (!GetConnected()) fTCPClient->Connect();
    bool connected = GetConnected();
    if (!connected) WriteLog(let_error, "Connect Timeout", "");
    return connected;
  } catch (const std::exception& e) {
    WriteLog(let_error, "Connect Error", e.what());
    return false;
  }
}

bool kIOHandler_TCP::Disconnect() {
  // A connection the peer has closed no longer counts as connected but still holds its socket.
  fTCPClient->Disconnect();
  return !GetConnected();
}

void kIOHandler_TCP::ClearBuffers() { fTCPClient->ClearInputBuffer(); }

bool kIOHandler_TCP::InputBufferContainsData() { return fTCPClient->InputBufferSize() > 0; }

std::string kIOHandler_TCP::DecodeError(int) { return std::string(); }

void kIOHandler_TCP::SetParameter(const std::string&, const std::string&) {}

bool kIOHandler_TCP::Write(const std::string& aMessage) {
  WriteLog(let_info, "Write", aMessage);
  fTCPClient->WriteBytes(TextAsBytes(aMessage, fCodePage));
  return true;
}

bool kIOHandler_TCP::WriteBytes(const std::string& aBytes) {
  WriteLog(let_info, "Write", BytesAsText(aBytes));
  fTCPClient->WriteBytes(aBytes);
  return true;
}

std::string kIOHandler_TCP::ReadBytes(int aCount) {
  return fTCPClient->ReadBytes(aCount > 0 ? static_cast<size_t>(aCount) : 0);
}

std::string kIOHandler_TCP::ReadAll() {
  fTCPClient->SetReadTimeout(fReadTimeout);
  std::string bytes;
  const auto start = Clock::now();
  try {
    for (;;) {
      bytes += static_cast<char>(fTCPClient->ReadByte());
      if (MillisecondsSince(start) > fReadTimeout) {
        WriteLog(let_error, "Read Timeout", BytesAsText(bytes));
        break;
      }
    }
  } catch (const TcpClosedError&) {
    WriteLog(let_info, "Read", BytesAsText(bytes));
  } catch (const std::exception& e) {
    WriteLog(let_error, "ReadAll Unexpected error", e.what());
  }
  return BytesAsText(bytes);
}

std::string kIOHandler_TCP::ReadAllBytes() {
  fTCPClient->SetReadTimeout(fReadTimeout);
  std::string bytes;
  const auto start = Clock::now();
  try {
    for (;;) {
      bytes += static_cast<char>(fTCPClient->ReadByte());
      if (MillisecondsSince(start) > fReadTimeout) {
        bytes.clear();
        WriteLog(let_error, "Read Timeout", "");
        break;
      }
    }
  } catch (const TcpClosedError&) {
    WriteLog(let_info, "Read", BytesAsText(bytes));
  } catch (const std::exception& e) {
    WriteLog(let_error, "lTimeoutExpired", std::to_string(MillisecondsSince(start)));
    WriteLog(let_error, "ReadAll Unexpected error", e.what());
    bytes.clear();
  }
  return bytes;
}

std::string kIOHandler_TCP::ReadChars(int aCharsNum) {
  fTCPClient->SetReadTimeout(fReadTimeout);
  try {
    std::string bytes = fTCPClient->ReadBytes(aCharsNum > 0 ? static_cast<size_t>(aCharsNum) : 0);
    std::string text = BytesAsText(bytes);
    if (static_cast<int>(bytes.size()) < aCharsNum) {
      WriteLog(let_error, "Read Timeout", text);
    } else {
      WriteLog(let_info, "Read", text);
    }
    return text;
  } catch (const std::exception& e) {
    WriteLog(let_error, "ReadChars Unexpected error", e.what());
    return std::string();
  }
}

std::string kIOHandler_TCP::ReadUpTo(const std::vector<uint8_t>& aChars) {
  return BytesAsText(ReadUntilTerminator(aChars, false));
}

std::string kIOHandler_TCP::ReadBytesUpTo(const std::vector<uint8_t>& aChars) {
  return ReadUntilTerminator(aChars, true);
}

std::string kIOHandler_TCP::ReadUntilTerminator(const std::vector<uint8_t>& aChars, bool raise_errors) {
  if (fLogger) {
    std::string waiting, dumps;
    for (size_t i = 0; i < aChars.size(); ++i) {
      std::string character = BytesAsText(std::string(1, static_cast<char>(aChars[i])));
      waiting += (i > 0 ? "," : "") + character;
      dumps += (i > 0 ? "," : "") + HexText(character);
    }
    Debug(let_info, "Waiting for:" + waiting + (fHexLog ? " [" + dumps + "]" : ""));
  }
  fTCPClient->SetReadTimeout(fReadTimeout);
  std::string bytes;
  const auto start = Clock::now();
  try {
    for (;;) {
      uint8_t byte = fTCPClient->ReadByte();
      bytes += static_cast<char>(byte);
      bool timed_out = MillisecondsSince(start) > fReadTimeout;
      if (timed_out || IsTerminator(aChars, byte)) {
        WriteLog(timed_out ? let_error : let_info, timed_out ? "Read Timeout" : "Read", BytesAsText(bytes));
        break;
      }
    }
  } catch (const std::exception& e) {
    WriteLog(let_error, "ReadUpTo Unexpected error", e.what());
    if (raise_errors) throw;
  }
  return bytes;
}

}  // namespace dodu

#pragma once

#include <string>

#include "io/io_handler.h"
#include "io/spool_bitmap.h"

namespace dodu {

enum class qvSpoolOutputType { Raw = 0, Normal = 1 };

// Prints through a printer of the system's print queue. Raw output sends text (in the
// handler's code page) or bytes unchanged as one job; normal output prints the bitmap the
// client set, scaled and centred on one page. Nothing can be read from a printer.
class kIOHandler_Spool : public kIOHandler {
 public:
  kIOHandler_Spool(const kConnection* aConnection, const std::string& aDirectory, const std::string& aFileName);

  bool GetConnected() override { return true; }
  bool Disconnect() override { return true; }
  void ClearBuffers() override {}
  // Normal output prints the bitmap and does not use the text; raw output prints the text.
  bool Write(const std::string& aMessage) override;
  std::string ReadUpTo(const std::vector<uint8_t>&) override { return std::string(); }
  std::string ReadChars(int) override { return std::string(); }
  std::string ReadAll() override;                // raises
  std::string DecodeError(int) override { return std::string(); }
  bool InputBufferContainsData() override;       // raises
  void SetParameter(const std::string&, const std::string&) override {}
  std::string ClassName() const override { return "kIOHandler_Spool"; }

  // Raw output of the bytes as they are.
  bool WriteBytes(const std::string& aBytes);

  const std::string& PrinterName() const { return fPrinterName; }
  qvSpoolOutputType OutputType() const { return fOutputType; }
  void SetOutputType(qvSpoolOutputType value) { fOutputType = value; }
  // The client owns the bitmap and keeps it alive while the handler may print it.
  const kSpoolBitmap* Bitmap() const { return fBitmap; }
  void SetBitmap(const kSpoolBitmap* value) { fBitmap = value; }

 private:
  // One job of the bytes on the named queue. Never raises: a failure answers false and leaves
  // the system's reason in ErrorMessage, the error flag and code untouched.
  bool WriteRaw(const std::string& aBytes);
  // One page with the bitmap on the printer found by name without regard to letter case.
  bool WriteNormal();
  [[noreturn]] void RaiseNormalOutputError(const std::string& aReason) const;

  std::string fPrinterName;
  qvSpoolOutputType fOutputType = qvSpoolOutputType::Normal;
  const kSpoolBitmap* fBitmap = nullptr;
};

}  // namespace dodu

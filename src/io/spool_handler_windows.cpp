// The Windows print spooler for raw output and the graphics device interface for normal output.
#include <windows.h>

#include <vector>

#include "base/ascii_text.h"
#include "base/error.h"
#include "base/text_encoding.h"
#include "io/spool_handler.h"
#include "io/spool_layout.h"

namespace dodu {

namespace {

std::wstring Wide(const std::string& text) {
  const std::u16string units = Utf8ToUtf16(text);
  return std::wstring(units.begin(), units.end());
}

std::string Narrow(const wchar_t* text) {
  std::u16string units;
  for (; text != nullptr && *text != L'\0'; ++text) units += static_cast<char16_t>(*text);
  return Utf16ToUtf8(units);
}

// The system's message for an error code, without the trailing line break.
std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text != nullptr ? text : L"", length);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' '))
    message.pop_back();
  return Narrow(message.c_str());
}

class PrinterDC {
 public:
  explicit PrinterDC(HDC dc) : fDC(dc) {}
  ~PrinterDC() {
    if (fDC != nullptr) DeleteDC(fDC);
  }
  PrinterDC(const PrinterDC&) = delete;
  PrinterDC& operator=(const PrinterDC&) = delete;
  HDC Get() const { return fDC; }

 private:
  HDC fDC;
};

// The installed printer whose name equals the wanted one in lower case; empty when none does.
std::wstring FindInstalledPrinter(const std::string& wanted) {
  const DWORD flags = PRINTER_ENUM_LOCAL | PRINTER_ENUM_CONNECTIONS;
  DWORD needed = 0, count = 0;
  EnumPrintersW(flags, nullptr, 4, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed);
  if (needed == 0 || !EnumPrintersW(flags, nullptr, 4, buffer.data(), needed, &needed, &count)) return {};
  const auto* printers = reinterpret_cast<const PRINTER_INFO_4W*>(buffer.data());
  const std::string lower = AsciiLower(wanted);
  for (DWORD i = 0; i < count; ++i) {
    if (AsciiLower(Narrow(printers[i].pPrinterName)) == lower) return printers[i].pPrinterName;
  }
  return {};
}

}  // namespace

bool kIOHandler_Spool::WriteRaw(const std::string& aBytes) {
  std::wstring printer = Wide(fPrinterName);
  wchar_t document_name[] = L"KRV Receipt";
  wchar_t data_type[] = L"RAW";
  DOC_INFO_1W info{document_name, nullptr, data_type};
  HANDLE handle = nullptr;
  bool result = false;
  DWORD failure = ERROR_SUCCESS;
  if (OpenPrinterW(printer.data(), &handle, nullptr)) {
    if (StartDocPrinterW(handle, 1, reinterpret_cast<LPBYTE>(&info)) != 0) {
      if (StartPagePrinter(handle)) {
        DWORD written = 0;
        result = WritePrinter(handle, const_cast<char*>(aBytes.data()), static_cast<DWORD>(aBytes.size()), &written);
      }
      if (!result) failure = GetLastError();
      EndPagePrinter(handle);
      EndDocPrinter(handle);
    } else {
      failure = GetLastError();
    }
  } else {
    failure = GetLastError();
  }
  if (!result) fErrorMessage = SystemMessage(failure);
  if (handle != nullptr) ClosePrinter(handle);
  return result;
}

bool kIOHandler_Spool::WriteNormal() {
  if (fBitmap == nullptr) RaiseNormalOutputError("No bitmap to print");
  const std::wstring printer = FindInstalledPrinter(fPrinterName);
  if (printer.empty()) RaiseNormalOutputError("Printer " + fPrinterName + " not found");
  PrinterDC dc(CreateDCW(L"WINSPOOL", printer.c_str(), nullptr, nullptr));
  if (dc.Get() == nullptr) RaiseNormalOutputError(SystemMessage(GetLastError()));

  DOCINFOW doc{};
  doc.cbSize = sizeof doc;
  doc.lpszDocName = L"Tillora Spool Output";
  if (StartDocW(dc.Get(), &doc) <= 0) RaiseNormalOutputError(SystemMessage(GetLastError()));
  StartPage(dc.Get());

  kSpoolPrintArea area;
  area.fWidth = GetDeviceCaps(dc.Get(), HORZRES);
  area.fHeight = GetDeviceCaps(dc.Get(), VERTRES);
  area.fOffsetX = GetDeviceCaps(dc.Get(), PHYSICALOFFSETX);
  area.fOffsetY = GetDeviceCaps(dc.Get(), PHYSICALOFFSETY);
  area.fDpi = GetDeviceCaps(dc.Get(), LOGPIXELSX);
  const kSpoolPlacement p = PlaceSpoolBitmap(area, fBitmap->fWidth, fBitmap->fHeight);

  // An 8-bit grey DIB, rows from the top, each padded to four bytes.
  struct GreyBitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
  } bmi{};
  bmi.header.biSize = sizeof(BITMAPINFOHEADER);
  bmi.header.biWidth = fBitmap->fWidth;
  bmi.header.biHeight = -fBitmap->fHeight;
  bmi.header.biPlanes = 1;
  bmi.header.biBitCount = 8;
  bmi.header.biCompression = BI_RGB;
  for (int i = 0; i < 256; ++i) {
    bmi.colours[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 0};
  }
  const size_t stride = (static_cast<size_t>(fBitmap->fWidth) + 3) & ~size_t{3};
  std::vector<BYTE> bits(stride * static_cast<size_t>(fBitmap->fHeight), 255);
  for (int32_t y = 0; y < fBitmap->fHeight; ++y) {
    for (int32_t x = 0; x < fBitmap->fWidth; ++x) bits[y * stride + x] = fBitmap->Pixel(x, y);
  }
  const int drawn =
      p.Stretched()
          ? StretchDIBits(dc.Get(), p.fLeft, p.fTop, p.fWidth, p.fHeight, 0, 0, fBitmap->fWidth, fBitmap->fHeight,
                          bits.data(), reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS, SRCCOPY)
          : SetDIBitsToDevice(dc.Get(), p.fLeft, p.fTop, fBitmap->fWidth, fBitmap->fHeight, 0, 0, 0,
                              fBitmap->fHeight, bits.data(), reinterpret_cast<BITMAPINFO*>(&bmi), DIB_RGB_COLORS);
  const DWORD failure = drawn == 0 ? GetLastError() : ERROR_SUCCESS;
  EndPage(dc.Get());
  EndDoc(dc.Get());
  if (drawn == 0) RaiseNormalOutputError(SystemMessage(failure));
  return true;
}

}  // namespace dodu

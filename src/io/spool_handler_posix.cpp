// The print queue here is CUPS: raw output is a job of the raw format, normal output a job of
// one PWG raster page at the printer's resolution.
#include <cups/cups.h>
#include <cups/raster.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

#include "base/ascii_text.h"
#include "base/error.h"
#include "io/spool_handler.h"
#include "io/spool_layout.h"

namespace dodu {

namespace {

constexpr const char* kRawDocumentName = "KRV Receipt";
constexpr const char* kNormalJobTitle = "Tillora Spool Output";
constexpr int kConnectTimeoutMs = 30000;

struct HttpClose {
  void operator()(http_t* http) const { httpClose(http); }
};
using HttpConnection = std::unique_ptr<http_t, HttpClose>;

// A connection of its own to the configured print server (CUPS_SERVER, client.conf, the local
// scheduler), closed when the output is done.
HttpConnection ConnectToServer(std::string& aReason) {
  HttpConnection http(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(), 1,
                                   kConnectTimeoutMs, nullptr));
  if (!http) aReason = std::string("Cannot connect to the print server ") + cupsServer() + ": " + std::strerror(errno);
  return http;
}

struct Destinations {
  int count = 0;
  cups_dest_t* list = nullptr;
  ~Destinations() { cupsFreeDests(count, list); }
};

struct DestinationFree {
  void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};

struct DestinationInfoFree {
  void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};

std::string QueueName(const cups_dest_t& dest) {
  return dest.instance != nullptr ? std::string(dest.name) + "/" + dest.instance : std::string(dest.name);
}

// Hundredths of millimetres at a resolution in dots per inch, to the nearest dot.
int32_t Dots(int hundredths_mm, int dpi) {
  return static_cast<int32_t>((int64_t{hundredths_mm} * dpi + 1270) / 2540);
}

ssize_t WriteJobData(void* context, unsigned char* buffer, size_t length) {
  http_t* http = static_cast<http_t*>(context);
  if (cupsWriteRequestData(http, reinterpret_cast<const char*>(buffer), length) != HTTP_STATUS_CONTINUE) return -1;
  return static_cast<ssize_t>(length);
}

// The grey value of the page pixel (x, y) with the bitmap placed as given; white outside it.
class PageRenderer {
 public:
  PageRenderer(const kSpoolBitmap& bitmap, const kSpoolPlacement& placement, unsigned width)
      : fBitmap(bitmap), fPlacement(placement), fRow(width, 255) {}

  const std::vector<unsigned char>& Row(int32_t y) {
    std::fill(fRow.begin(), fRow.end(), 255);
    const int32_t inside_y = y - fPlacement.fTop;
    if (inside_y < 0 || inside_y >= fPlacement.fHeight) return fRow;
    const int32_t source_y = static_cast<int32_t>(int64_t{inside_y} * fBitmap.fHeight / fPlacement.fHeight);
    const int32_t first = std::max(fPlacement.fLeft, 0);
    const int32_t last = std::min<int64_t>(int64_t{fPlacement.fLeft} + fPlacement.fWidth, fRow.size());
    for (int32_t x = first; x < last; ++x) {
      const int32_t source_x =
          static_cast<int32_t>(int64_t{x - fPlacement.fLeft} * fBitmap.fWidth / fPlacement.fWidth);
      fRow[static_cast<size_t>(x)] = fBitmap.Pixel(source_x, source_y);
    }
    return fRow;
  }

 private:
  const kSpoolBitmap& fBitmap;
  const kSpoolPlacement& fPlacement;
  std::vector<unsigned char> fRow;
};

}  // namespace

bool kIOHandler_Spool::WriteRaw(const std::string& aBytes) {
  std::string reason;
  bool result = false;
  if (HttpConnection http = ConnectToServer(reason)) {
    const char* printer = fPrinterName.c_str();
    // Opening the printer: the print system names a queue that does not exist here.
    std::unique_ptr<cups_dest_t, DestinationFree> dest(cupsGetNamedDest(http.get(), printer, nullptr));
    const int job = dest ? cupsCreateJob(http.get(), printer, kRawDocumentName, 0, nullptr) : 0;
    if (job <= 0) {
      reason = cupsLastErrorString();
    } else if (aBytes.empty()) {
      // The print system holds no document of no bytes: the job is closed without one.
      std::unique_ptr<cups_dinfo_t, DestinationInfoFree> info(cupsCopyDestInfo(http.get(), dest.get()));
      result = info && cupsCloseDestJob(http.get(), dest.get(), info.get(), job) == IPP_STATUS_OK;
      if (!result) reason = cupsLastErrorString();
    } else if (cupsStartDocument(http.get(), printer, job, kRawDocumentName, CUPS_FORMAT_RAW, 1) ==
               HTTP_STATUS_CONTINUE) {
      result = cupsWriteRequestData(http.get(), aBytes.data(), aBytes.size()) == HTTP_STATUS_CONTINUE;
      // The queue takes the job only once the document is closed.
      const bool finished = cupsFinishDocument(http.get(), printer) == IPP_STATUS_OK;
      result = result && finished;
      if (!result) reason = cupsLastErrorString();
    } else {
      reason = cupsLastErrorString();
      // A job without its document would wait in the queue for ever.
      cupsCancelJob2(http.get(), printer, job, 0);
    }
  }
  if (!result) fErrorMessage = reason;
  return result;
}

bool kIOHandler_Spool::WriteNormal() {
  if (fBitmap == nullptr) RaiseNormalOutputError("No bitmap to print");
  std::string reason;
  HttpConnection http = ConnectToServer(reason);
  if (!http) RaiseNormalOutputError(reason);

  Destinations dests;
  dests.count = cupsGetDests2(http.get(), &dests.list);
  const std::string wanted = AsciiLower(fPrinterName);
  const cups_dest_t* dest = nullptr;
  for (int i = 0; i < dests.count && dest == nullptr; ++i) {
    if (AsciiLower(QueueName(dests.list[i])) == wanted) dest = &dests.list[i];
  }
  if (dest == nullptr) RaiseNormalOutputError("Printer " + fPrinterName + " not found");
  cups_dest_t* found = const_cast<cups_dest_t*>(dest);
  const std::string name = dest->name;

  std::unique_ptr<cups_dinfo_t, DestinationInfoFree> info(cupsCopyDestInfo(http.get(), found));
  if (!info) RaiseNormalOutputError(cupsLastErrorString());
  cups_size_t media{};
  if (!cupsGetDestMediaDefault(http.get(), found, info.get(), 0, &media)) {
    RaiseNormalOutputError("Printer " + name + " reports no default media");
  }
  ipp_attribute_t* resolution = cupsFindDestDefault(http.get(), found, info.get(), "printer-resolution");
  if (resolution == nullptr) RaiseNormalOutputError("Printer " + name + " reports no resolution");
  int ydpi = 0;
  ipp_res_t units = IPP_RES_PER_INCH;
  int xdpi = ippGetResolution(resolution, 0, &ydpi, &units);
  if (units == IPP_RES_PER_CM) {
    xdpi = static_cast<int>((xdpi * 254 + 50) / 100);
    ydpi = static_cast<int>((ydpi * 254 + 50) / 100);
  }
  if (xdpi <= 0 || ydpi <= 0) RaiseNormalOutputError("Printer " + name + " reports no resolution");

  kSpoolPrintArea area;
  area.fWidth = Dots(media.width - media.left - media.right, xdpi);
  area.fHeight = Dots(media.length - media.top - media.bottom, ydpi);
  area.fOffsetX = Dots(media.left, xdpi);
  area.fOffsetY = Dots(media.top, ydpi);
  area.fDpi = xdpi;
  const kSpoolPlacement placement = PlaceSpoolBitmap(area, fBitmap->fWidth, fBitmap->fHeight);

  pwg_media_t sheet{};
  sheet.pwg = media.media;
  sheet.width = media.width;
  sheet.length = media.length;
  cups_page_header2_t header;
  if (!cupsRasterInitPWGHeader(&header, &sheet, "sgray_8", xdpi, ydpi, "one-sided", nullptr)) {
    RaiseNormalOutputError(cupsLastErrorString());
  }

  const int job = cupsCreateJob(http.get(), name.c_str(), kNormalJobTitle, 0, nullptr);
  if (job <= 0) RaiseNormalOutputError(cupsLastErrorString());
  if (cupsStartDocument(http.get(), name.c_str(), job, kNormalJobTitle, "image/pwg-raster", 1) !=
      HTTP_STATUS_CONTINUE) {
    const std::string failure = cupsLastErrorString();
    cupsCancelJob2(http.get(), name.c_str(), job, 0);
    RaiseNormalOutputError(failure);
  }
  bool written = false;
  if (cups_raster_t* raster = cupsRasterOpenIO(WriteJobData, http.get(), CUPS_RASTER_WRITE_PWG)) {
    written = cupsRasterWriteHeader2(raster, &header) != 0;
    PageRenderer page(*fBitmap, placement, header.cupsBytesPerLine);
    for (unsigned y = 0; written && y < header.cupsHeight; ++y) {
      const std::vector<unsigned char>& row = page.Row(static_cast<int32_t>(y));
      written = cupsRasterWritePixels(raster, const_cast<unsigned char*>(row.data()), header.cupsBytesPerLine) ==
                header.cupsBytesPerLine;
    }
    cupsRasterClose(raster);
  }
  const std::string write_failure = written ? std::string() : std::string(cupsLastErrorString());
  if (cupsFinishDocument(http.get(), name.c_str()) != IPP_STATUS_OK) RaiseNormalOutputError(cupsLastErrorString());
  if (!written) RaiseNormalOutputError(write_failure);
  return true;
}

}  // namespace dodu

#include "fiscal_host/terminal_qr.h"

#include <qrencode.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace dodu::host {

namespace {

constexpr int kQuietZone = 4;
constexpr const char* kFull = "\u2588";
constexpr const char* kUpper = "\u2580";
constexpr const char* kLower = "\u2584";
// White blocks on a black ground: the drawn (light) modules come out white, the rest black.
constexpr const char* kColorsOn = "\x1b[97;40m";
constexpr const char* kColorsOff = "\x1b[0m";

}  // namespace

DrawnQrCode DrawQrCode(const std::string& text, int min_version, bool colors) {
  std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
      QRcode_encodeString(text.c_str(), min_version < 1 ? 0 : min_version, QR_ECLEVEL_M, QR_MODE_8, 1),
      &QRcode_free);
  if (!code) throw std::runtime_error(std::string("cannot encode the QR code: ") + std::strerror(errno));

  const int modules = code->width;
  const int size = modules + 2 * kQuietZone;
  auto dark = [&](int row, int column) {
    row -= kQuietZone;
    column -= kQuietZone;
    if (row < 0 || column < 0 || row >= modules || column >= modules) return false;
    return (code->data[row * modules + column] & 1) != 0;
  };

  DrawnQrCode drawn;
  drawn.width = size;
  for (int row = 0; row < size; row += 2) {
    std::string line = colors ? kColorsOn : "";
    for (int column = 0; column < size; ++column) {
      const bool top_light = !dark(row, column);
      const bool bottom_light = row + 1 < size ? !dark(row + 1, column) : false;
      line += top_light && bottom_light ? kFull : top_light ? kUpper : bottom_light ? kLower : " ";
    }
    if (colors) line += kColorsOff;
    drawn.lines.push_back(std::move(line));
  }
  return drawn;
}

}  // namespace dodu::host

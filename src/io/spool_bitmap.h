#pragma once

#include <cstdint>
#include <vector>

namespace dodu {

// The picture normal spool output prints: rows from the top, one byte of grey per pixel
// (0 black, 255 white).
struct kSpoolBitmap {
  int32_t fWidth = 0;
  int32_t fHeight = 0;
  std::vector<uint8_t> fPixels;  // fWidth * fHeight bytes

  uint8_t Pixel(int32_t x, int32_t y) const { return fPixels[static_cast<size_t>(y) * fWidth + x]; }
};

}  // namespace dodu

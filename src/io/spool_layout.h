#pragma once

#include <cstdint>

namespace dodu {

// What the printer offers a page: the printable area in device pixels, where that area starts
// on the sheet, and the horizontal resolution.
struct kSpoolPrintArea {
  int32_t fWidth = 0;
  int32_t fHeight = 0;
  int32_t fOffsetX = 0;
  int32_t fOffsetY = 0;
  int32_t fDpi = 0;
};

// Where a bitmap goes on the sheet, in device pixels. The scale is kept as an exact fraction so
// that a bitmap fitted to the printable width comes out exactly that wide.
struct kSpoolPlacement {
  int64_t fScaleNumerator = 1;
  int64_t fScaleDenominator = 1;
  int32_t fLeft = 0;
  int32_t fTop = 0;
  int32_t fWidth = 0;
  int32_t fHeight = 0;

  double Scale() const { return static_cast<double>(fScaleNumerator) / static_cast<double>(fScaleDenominator); }
  // A scale other than exactly 1 draws the bitmap stretched into the rectangle.
  bool Stretched() const { return fScaleNumerator != fScaleDenominator; }
};

// The bitmap is laid out at 300 dots per inch: scaled to the printer's resolution, shrunk to
// the printable area (width first, then height), centred in it.
kSpoolPlacement PlaceSpoolBitmap(const kSpoolPrintArea& aArea, int32_t aBitmapWidth, int32_t aBitmapHeight);

}  // namespace dodu

#include "io/spool_layout.h"

namespace dodu {

kSpoolPlacement PlaceSpoolBitmap(const kSpoolPrintArea& aArea, int32_t aBitmapWidth, int32_t aBitmapHeight) {
  kSpoolPlacement p;
  if (aArea.fDpi != 300) {
    p.fScaleNumerator = aArea.fDpi;
    p.fScaleDenominator = 300;
  }
  // W < bitmap width * s, compared without rounding.
  if (aBitmapWidth > 0 && int64_t{aArea.fWidth} * p.fScaleDenominator < int64_t{aBitmapWidth} * p.fScaleNumerator) {
    p.fScaleNumerator = aArea.fWidth;
    p.fScaleDenominator = aBitmapWidth;
  }
  if (aBitmapHeight > 0 && int64_t{aArea.fHeight} * p.fScaleDenominator < int64_t{aBitmapHeight} * p.fScaleNumerator) {
    p.fScaleNumerator = aArea.fHeight;
    p.fScaleDenominator = aBitmapHeight;
  }
  p.fWidth = static_cast<int32_t>(int64_t{aBitmapWidth} * p.fScaleNumerator / p.fScaleDenominator);
  p.fHeight = static_cast<int32_t>(int64_t{aBitmapHeight} * p.fScaleNumerator / p.fScaleDenominator);
  p.fLeft = (aArea.fWidth - p.fWidth) / 2 + aArea.fOffsetX;
  p.fTop = (aArea.fHeight - p.fHeight) / 2 + aArea.fOffsetY;
  return p;
}

}  // namespace dodu

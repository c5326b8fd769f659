#include "pixel_readout.hpp"

namespace ondrel {

QString PixelReadoutText(const PixelReadout& pixel) {
  QString text = QString("%1, %2  B %3  G %4  R %5")
                     .arg(pixel.x)
                     .arg(pixel.y)
                     .arg(pixel.blue)
                     .arg(pixel.green)
                     .arg(pixel.red);
  if (pixel.hasAlpha) text += QString("  A %1").arg(pixel.alpha);
  return text;
}

}  // namespace ondrel

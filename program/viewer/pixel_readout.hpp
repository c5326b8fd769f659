// The source pixel under the cursor, for the status bar.
#pragma once

#include <QMetaType>
#include <QString>

#include <cstdint>

namespace ondrel {

struct PixelReadout {
  int x = 0, y = 0;  // in the source bitmap
  std::uint8_t blue = 0, green = 0, red = 0, alpha = 255;
  bool hasAlpha = false;  // the source is 32-bit
  bool operator==(const PixelReadout&) const = default;
};

// "x, y  B b  G g  R r  A a"; the alpha part only for a 32-bit source.
QString PixelReadoutText(const PixelReadout& pixel);

}  // namespace ondrel

Q_DECLARE_METATYPE(ondrel::PixelReadout)

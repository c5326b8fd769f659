// The viewer's zoom: the button steps, the list of the zoom box, typed values, and the size of
// the zoomed view. Plain functions, so the window only shows what they return.
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

namespace ondrel {

inline constexpr int kMinZoom = 1;
inline constexpr int kMaxZoom = 2000;
inline constexpr int kStartZoom = 100;

inline bool IsZoomInRange(int zoom) { return zoom >= kMinZoom && zoom <= kMaxZoom; }

// The zoom a zoom-in step leads to; nothing when the step would leave 1..2000 (the step is
// then ignored: no redraw, no centring).
std::optional<int> ZoomInFrom(int zoom);
// The zoom a zoom-out step leads to; nothing when the step would leave 1..2000 (so 5 % stays).
std::optional<int> ZoomOutFrom(int zoom);

// The entries of the zoom box: 25 doubled while not above 2000, each with "%".
QStringList ZoomListEntries();

// The zoom the zoom box's text asks for when Enter is pressed or an entry is chosen: only its
// digits count, none means the current zoom; values other than 2..2000 are ignored (nullopt).
std::optional<int> ZoomFromTypedText(const QString& text, int currentZoom);

// The text the zoom box shows for a zoom.
QString ZoomText(int zoom);

// One side of the zoomed view: round(side * zoom / 100), halves to the even number.
int ZoomedSide(int side, int zoom);
QSize ZoomedSize(QSize source, int zoom);

}  // namespace ondrel

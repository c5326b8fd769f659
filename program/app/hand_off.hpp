// The main window's side of the hand-off: on each HandOffEvent it calls HandleHandOff, which
// brings the window to the front and opens every pending request, oldest first.
#pragma once

#include "single_instance.hpp"

#include <QString>

#include <functional>

class QWidget;

namespace ondrel {

// Restores and raises window, then drains the requests: for each "e" request calls open with
// its path (the "s" request only brings the window forward). The last file opened stays on
// screen. When ONDREL_HANDOFF_LOG names a file, each request is also appended to it as one line
// ("s", or "e" and the path), so tests can watch a running instance from outside.
void HandleHandOff(QWidget& window, SingleInstance& instance,
                   const std::function<void(const QString& path)>& open);

}  // namespace ondrel

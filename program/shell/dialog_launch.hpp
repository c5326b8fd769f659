// The main window's commands that open the other windows: Save as, Comments, the converter and
// optimizer, Settings and About. What each window then does is its own affair.
#pragma once

#include "create_windows.hpp"

namespace ondrel {

void ConnectDialogLaunchers(const OndrelWindows& windows);

}  // namespace ondrel

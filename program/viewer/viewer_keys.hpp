// The main window's Ctrl key commands, seen before any control gets the key.
#pragma once

#include <Qt>

namespace ondrel {

enum class ViewerCommand { None, PreviousFile, NextFile, ZoomIn, ZoomOut, PreviousMipmap, NextMipmap };

// Only keys pressed with Ctrl are commands; Shift or Alt held as well do not matter. Zoom
// takes the numeric keypad's + and - only.
ViewerCommand CommandForKey(int key, Qt::KeyboardModifiers modifiers);

}  // namespace ondrel

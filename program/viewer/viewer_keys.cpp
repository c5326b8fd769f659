#include "viewer_keys.hpp"

namespace ondrel {

ViewerCommand CommandForKey(int key, Qt::KeyboardModifiers modifiers) {
  if (!modifiers.testFlag(Qt::ControlModifier)) return ViewerCommand::None;
  const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
  switch (key) {
    case Qt::Key_Left: return ViewerCommand::PreviousFile;
    case Qt::Key_Right: return ViewerCommand::NextFile;
    case Qt::Key_Plus: return keypad ? ViewerCommand::ZoomIn : ViewerCommand::None;
    case Qt::Key_Minus: return keypad ? ViewerCommand::ZoomOut : ViewerCommand::None;
    case Qt::Key_PageUp: return ViewerCommand::PreviousMipmap;
    case Qt::Key_PageDown: return ViewerCommand::NextMipmap;
    default: return ViewerCommand::None;
  }
}

}  // namespace ondrel

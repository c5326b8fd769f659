#include "ondrel_shell.hpp"

#include <QEvent>

#include "atomic_file.hpp"
#include "hand_off.hpp"
#include "language_loader.hpp"

namespace ondrel {

OndrelShell::OndrelShell(const OndrelWindows& windows, SettingsPlace place, SingleInstance* instance,
                         QString commandLineFile)
    : windows_(windows),
      place_(std::move(place)),
      instance_(instance),
      commandLineFile_(std::move(commandLineFile)) {
  windows_.ondrelForm->installEventFilter(this);
}

OndrelShell::~OndrelShell() = default;

SettingsWindows OndrelShell::settingsWindows() const {
  return {windows_.ondrelForm.get(), windows_.convertForm, windows_.optimizeForm, windows_.settingsForm};
}

bool OndrelShell::eventFilter(QObject* watched, QEvent* event) {
  if (watched == windows_.ondrelForm.get()) {
    if (event->type() == QEvent::Show && !shown_) {
      shown_ = true;
      FirstShowing();
    } else if (event->type() == HandOffEvent) {
      if (instance_)
        HandleHandOff(*windows_.ondrelForm, *instance_, [this](const QString& path) {
          if (openImage) openImage(path);
        });
      return true;
    } else if (event->type() == QEvent::Close) {
      Closing();
    }
  }
  return QObject::eventFilter(watched, event);
}

void OndrelShell::FirstShowing() {
  LoadSettings(place_, settings_, kAllSettings);
  ShowSettings(settings_, kAllSettings, settingsWindows());
  LoadLanguage(windows_, place_.programFolder, false);
  // Listening first: the command-line file's error box is modal, and hand-offs sent while it
  // shows must not wait for it to close.
  listener_ = std::make_unique<TEventWaitThread>(instance_, windows_.ondrelForm.get());
  // Any path given is opened, so one that cannot be (missing, a folder, unreadable) says why
  // rather than leaving an empty window.
  if (!commandLineFile_.isEmpty() && openImage)
    openImage(commandLineFile_);
}

void OndrelShell::Closing() {
  const SettingsGroups groups{.converter = true, .alpha = true, .optimizer = true};
  TakeSettings(settings_, groups, settingsWindows());
  try {
    SaveSettings(place_, settings_, groups, windows_.ondrelForm->ui.mnuOpen->text());
  } catch (const FileError& error) {
    // The program ends all the same; the next start finds the settings as they were.
    qWarning("settings not saved: %s", error.what());
  }
}

}  // namespace ondrel

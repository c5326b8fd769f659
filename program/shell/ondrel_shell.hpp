// The main window's start-up duties and the program state they fill. At the window's first
// showing, in this order: all settings into the windows, the chosen language, the image named
// on the command line, and the hand-off listener. Afterwards it opens what a second start hands
// over, and writes the converter, alpha and optimizer settings when the window closes.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "TEventWaitThread.hpp"
#include "create_windows.hpp"
#include "settings_controls.hpp"
#include "settings_store.hpp"
#include "single_instance.hpp"

namespace ondrel {

class OndrelShell : public QObject {
  Q_OBJECT

 public:
  // `instance` is the running instance's hand-off channel, or null when RunOneApp is 0; it and
  // the windows outlive the shell. `commandLineFile` is the first argument (empty when none).
  OndrelShell(const OndrelWindows& windows, SettingsPlace place, SingleInstance* instance,
              QString commandLineFile);
  ~OndrelShell() override;

  OndrelSettings& settings() { return settings_; }
  const SettingsPlace& place() const { return place_; }
  SettingsWindows settingsWindows() const;

  // Opens an image in the viewer, as the Open command does; until the viewer sets it, files
  // given on the command line or handed over are not shown.
  std::function<void(const QString& path)> openImage;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FirstShowing();
  void Closing();

  const OndrelWindows& windows_;
  SettingsPlace place_;
  SingleInstance* instance_;
  QString commandLineFile_;
  OndrelSettings settings_;
  bool shown_ = false;
  std::unique_ptr<TEventWaitThread> listener_;  // stops before the window it posts to goes
};

}  // namespace ondrel

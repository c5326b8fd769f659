// What the settings window's OK and Cancel do, in the order the calls must come, over the
// settings store and the controls found by name. About-window texts live here too.
#pragma once

#include <QString>

#include <functional>

#include "settings_controls.hpp"
#include "settings_store.hpp"

namespace ondrel::dialogs {

struct SettingsWindowContext {
  SettingsPlace place;
  OndrelSettings* settings = nullptr;
  SettingsWindows windows;
  std::function<QString()> openCaption;      // the current caption of mnuOpen
  std::function<void()> reloadLanguage;      // LoadLanguage with reload on
};

// SaveSettings of the program group from the window, LoadSettings of it back into the
// window, then the language reloaded. Throws FileError when the file cannot be written.
void SettingsOk(const SettingsWindowContext& context);

// LoadSettings of the program group into the window, keeping mnuImageInfo's check (and so
// the information panel) as it was.
void SettingsCancel(const SettingsWindowContext& context);

// The library-version line: the caption, a blank, and the four numbers with full stops.
QString LibraryVersionLine(const QString& caption, int major, int minor, int release, int build);
// The same with the numbers GetLibraryVersion reports.
QString LibraryVersionLine(const QString& caption);

}  // namespace ondrel::dialogs

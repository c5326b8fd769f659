// Puts the texts of a language file into the windows by the names of their controls, and fills
// the indexed texts.
//
// A control's key is its name from the fourth character on ("mnuOpen" -> "Open"); on the
// save-options window's format pages, from the eighth ("chkBLP1MergeHeaders" -> "MergeHeaders"),
// so one key serves the same option on every page. The prefix says what kind of control it is and
// which windows take a text for it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <vector>

#include "create_windows.hpp"
#include "ini_file.hpp"
#include "language_texts.hpp"

namespace ondrel {

// One text the loader would put somewhere.
struct LanguageSlot {
  enum class Use {
    Text,         // a control's caption; a missing key leaves the caption as it is
    Hint,         // a tool button's hint; a missing key leaves it as it is
    WindowTitle,  // a window's caption; a missing key empties it
  };
  QPointer<QObject> target;
  QString section;
  QString key;
  Use use;
};

// The key of a control name: from the fourth character, or from the eighth on a format page.
QString ControlKey(const QString& objectName, bool onFormatPage);

// Every text the loader looks up, in the order it puts them: the main window, the save-options
// window, then the converter, alpha-channel, settings, comment and optimizer windows.
std::vector<LanguageSlot> LanguageSlots(const OndrelWindows& windows);

// Puts the file's texts into the windows and reads the indexed texts and the two titles.
void ApplyLanguage(const IniFile& file, const OndrelWindows& windows, IndexedTexts& texts);

// The captions the information panel shows while no image is open.
void SetPanelCaptionDefaults(TOndrelForm& form, const IndexedTexts& texts);

// Loads the language file selected in the settings window's language list into the windows and
// LanguageTexts(); does nothing while no entry is selected. The file is looked for in the data
// folders of the program folder (program_folder.hpp); a file that has gone loads as empty.
// With `reload`, `reopenImage` is asked to reopen the image on screen (at the same zoom) so that
// every text built from the tables is rebuilt; it answers false when no image is open, and then,
// as without reload, the panel's captions take their defaults.
void LoadLanguage(const OndrelWindows& windows, const QString& programFolder, bool reload,
                  const std::function<bool()>& reopenImage = {});

}  // namespace ondrel

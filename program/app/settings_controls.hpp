// Moves settings between OndrelSettings and the windows' controls, found by objectName. The
// windows call ShowSettings after LoadSettings and TakeSettings before SaveSettings; neither
// touches the settings file. Controls looked up (a missing one is reported with qWarning):
//   main window (TOndrelForm):  mnuImageInfo (checkable QAction)
//   converter (TBLPConvertForm): edSourceFolder, edDestFolder (QLineEdit), boxFormatDest
//     (QComboBox), chkSubfolders, chkFolderStruct, chkFormatBMP, chkFormatTGA, chkFormatJPG,
//     chkFormatBLP, chkFormatPNG, chkFormatDDS (QAbstractButton)
//   optimizer (TBLPOptimizeForm): edSourceFolder (QLineEdit), chkSubfolders (QAbstractButton)
//   settings (TBLPSettingsForm): chkUseManifest, chkResizeWindow, chkRunOneApp, chkLanczos,
//     chkAssociate (QAbstractButton), boxLanguage (QComboBox)
// The save options and the alpha treatment have no controls here: the options and alpha
// dialogs read them from OndrelSettings when they show.
#pragma once

#include "settings_store.hpp"

class QWidget;

namespace ondrel {

struct SettingsWindows {
  QWidget* main = nullptr;
  QWidget* convert = nullptr;
  QWidget* optimize = nullptr;
  QWidget* settings = nullptr;
};

// Fills the controls of the chosen groups, and always the check of mnuImageInfo (whose
// toggled signal the main window uses to show or hide the information panel).
void ShowSettings(const OndrelSettings& settings, SettingsGroups groups,
                  const SettingsWindows& windows);

// Reads the controls of the chosen groups, and always the check of mnuImageInfo.
void TakeSettings(OndrelSettings& settings, SettingsGroups groups, const SettingsWindows& windows);

}  // namespace ondrel

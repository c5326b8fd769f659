// Gives the program's windows their behaviour: a controller for each dialog, the texts of the
// loaded language, and the main window's menu commands that open them.
#pragma once

#include <memory>

#include "create_windows.hpp"
#include "dialog_wiring.hpp"

namespace ondrel::dialogs {

// `services.texts` is filled here from the language tables. The result must live as long as
// the windows.
std::unique_ptr<DialogControllers> InstallDialogs(const OndrelWindows& windows, DialogServices services);

// The language tables as the dialogs read them (always the current language's).
DialogTexts LanguageDialogTexts();

}  // namespace ondrel::dialogs

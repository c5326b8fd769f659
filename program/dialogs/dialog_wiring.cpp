#include "dialog_wiring.hpp"

#include <QDialog>
#include <QThread>

namespace ondrel::dialogs {

DialogControllers::DialogControllers(const DialogWindows& windows, DialogServices services)
    : windows_(windows), services_(std::move(services)) {
  OndrelSettings* settingsStore = services_.settings;
  const SettingsPlace place = services_.place;

  if (windows_.alpha) alpha = new AlphaFormController(windows_.alpha, &settingsStore->alphaTreatment);
  if (windows_.options) {
    OptionsFormContext context;
    context.settings = settingsStore;
    context.writeSaveOptions = [place, settingsStore] {
      SaveSettings(place, *settingsStore, {.formatOptions = true}, QString());
    };
    context.openAlphaDialog = [this] { openAlpha(); };
    context.currentImage = services_.currentImage;
    context.currentFile = services_.currentFile;
    context.texts = services_.texts;
    context.prompts = services_.prompts;
    options = new OptionsFormController(windows_.options, context);
  }
  if (windows_.convert) {
    ConvertFormContext context;
    context.settings = settingsStore;
    context.openOptionsDialog = [this] { openFormatOptions(); };
    context.openAlphaDialog = [this] { openAlpha(); };
    context.threads = std::max(1, QThread::idealThreadCount());
    context.texts = services_.texts;
    context.prompts = services_.prompts;
    convert = new ConvertFormController(windows_.convert, context);
  }
  if (windows_.optimize) {
    OptimizeFormContext context;
    context.texts = services_.texts;
    context.prompts = services_.prompts;
    optimize = new OptimizeFormController(windows_.optimize, context);
  }
  if (windows_.comment) {
    CommentFormContext context;
    context.currentFile = services_.currentFile;
    context.reloadViewer = services_.reloadViewer;
    context.texts = services_.texts;
    context.prompts = services_.prompts;
    comment = new CommentFormController(windows_.comment, context);
  }
  if (windows_.settings) {
    SettingsWindowContext context;
    context.place = place;
    context.settings = settingsStore;
    context.windows = {windows_.main, windows_.convert, windows_.optimize, windows_.settings};
    context.openCaption = services_.openCaption;
    context.reloadLanguage = services_.reloadLanguage;
    settings = new SettingsFormController(windows_.settings, context, services_.texts, services_.prompts);
  }
  if (windows_.about) about = new AboutFormController(windows_.about, place.programFolder);
}

void DialogControllers::openSaveAs() {
  if (!options || !services_.currentImage || !services_.currentImage()) return;
  options->setSaveMode(true);
  windows_.options->exec();
}

void DialogControllers::openFormatOptions() {
  if (!options) return;
  options->setSaveMode(false);
  windows_.options->exec();
}

void DialogControllers::openAlpha() {
  if (windows_.alpha) windows_.alpha->exec();
}

}  // namespace ondrel::dialogs

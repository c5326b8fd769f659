#include "settings_controls.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QWidget>

#include <array>

namespace ondrel {

namespace {

// The six source-format boxes and their bits in Extensions.
struct FormatBox {
  const char* name;
  int bit;
};
constexpr std::array<FormatBox, 6> kFormatBoxes = {{{"chkFormatBMP", 1},
                                                    {"chkFormatTGA", 2},
                                                    {"chkFormatJPG", 4},
                                                    {"chkFormatBLP", 8},
                                                    {"chkFormatPNG", 16},
                                                    {"chkFormatDDS", 32}}};

template <typename T>
T* Control(QWidget* root, const char* name) {
  if (root == nullptr) return nullptr;
  T* found = root->findChild<T*>(QString::fromLatin1(name));
  if (found == nullptr)
    qWarning("settings: no control %s in %s", name, qPrintable(root->objectName()));
  return found;
}

void SetChecked(QWidget* root, const char* name, bool on) {
  if (auto* box = Control<QAbstractButton>(root, name)) box->setChecked(on);
}
void GetChecked(QWidget* root, const char* name, bool& on) {
  if (auto* box = Control<QAbstractButton>(root, name)) on = box->isChecked();
}
void SetText(QWidget* root, const char* name, const QString& text) {
  if (auto* field = Control<QLineEdit>(root, name)) field->setText(text);
}
void GetText(QWidget* root, const char* name, QString& text) {
  if (auto* field = Control<QLineEdit>(root, name)) text = field->text();
}

void ShowConverter(const ConverterSettings& c, QWidget* w) {
  SetText(w, "edSourceFolder", c.sourceFolder);
  SetText(w, "edDestFolder", c.destFolder);
  if (auto* box = Control<QComboBox>(w, "boxFormatDest")) box->setCurrentIndex(c.destFormat);
  SetChecked(w, "chkSubfolders", c.subfolders);
  SetChecked(w, "chkFolderStruct", c.folderStruct);
  for (const auto& f : kFormatBoxes) SetChecked(w, f.name, (c.extensions & f.bit) != 0);
}

void TakeConverter(ConverterSettings& c, QWidget* w) {
  GetText(w, "edSourceFolder", c.sourceFolder);
  GetText(w, "edDestFolder", c.destFolder);
  if (auto* box = Control<QComboBox>(w, "boxFormatDest")) c.destFormat = box->currentIndex();
  GetChecked(w, "chkSubfolders", c.subfolders);
  GetChecked(w, "chkFolderStruct", c.folderStruct);
  int extensions = 0;
  for (const auto& f : kFormatBoxes) {
    bool on = (c.extensions & f.bit) != 0;
    GetChecked(w, f.name, on);
    if (on) extensions += f.bit;
  }
  c.extensions = extensions;
}

void ShowProgram(const ProgramSettings& p, QWidget* w) {
  if (auto* box = Control<QAbstractButton>(w, "chkUseManifest")) {
    box->setChecked(p.useManifest);
    box->setEnabled(p.manifestEnabled);
  }
  if (auto* list = Control<QComboBox>(w, "boxLanguage")) {
    list->clear();
    list->addItems(p.languages);
    list->setCurrentIndex(static_cast<int>(p.languages.indexOf(p.language)));
  }
  SetChecked(w, "chkResizeWindow", p.resizeWin);
  SetChecked(w, "chkRunOneApp", p.runOneApp);
  SetChecked(w, "chkLanczos", p.lanczos);
  SetChecked(w, "chkAssociate", p.associate);
}

void TakeProgram(ProgramSettings& p, QWidget* w) {
  GetChecked(w, "chkUseManifest", p.useManifest);
  if (auto* list = Control<QComboBox>(w, "boxLanguage"))
    p.language = list->currentIndex() >= 0 ? list->currentText() : QString();
  GetChecked(w, "chkResizeWindow", p.resizeWin);
  GetChecked(w, "chkRunOneApp", p.runOneApp);
  GetChecked(w, "chkLanczos", p.lanczos);
  GetChecked(w, "chkAssociate", p.associate);
}

QAction* ImageInfoItem(QWidget* main) {
  if (main == nullptr) return nullptr;
  auto* item = main->findChild<QAction*>(QStringLiteral("mnuImageInfo"));
  if (item == nullptr) qWarning("settings: no action mnuImageInfo in the main window");
  return item;
}

}  // namespace

void ShowSettings(const OndrelSettings& settings, SettingsGroups groups,
                  const SettingsWindows& windows) {
  if (groups.converter) ShowConverter(settings.converter, windows.convert);
  if (groups.optimizer) {
    SetText(windows.optimize, "edSourceFolder", settings.optimizer.sourceFolder);
    SetChecked(windows.optimize, "chkSubfolders", settings.optimizer.subfolders);
  }
  if (groups.program) ShowProgram(settings.program, windows.settings);
  if (auto* item = ImageInfoItem(windows.main)) item->setChecked(settings.showBlpInfo);
}

void TakeSettings(OndrelSettings& settings, SettingsGroups groups, const SettingsWindows& windows) {
  if (groups.converter) TakeConverter(settings.converter, windows.convert);
  if (groups.optimizer) {
    GetText(windows.optimize, "edSourceFolder", settings.optimizer.sourceFolder);
    GetChecked(windows.optimize, "chkSubfolders", settings.optimizer.subfolders);
  }
  if (groups.program) TakeProgram(settings.program, windows.settings);
  if (auto* item = ImageInfoItem(windows.main)) settings.showBlpInfo = item->isChecked();
}

}  // namespace ondrel

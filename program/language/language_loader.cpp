#include "language_loader.hpp"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include "program_folder.hpp"

namespace ondrel {

namespace {

// Whether a text of the control's prefix has somewhere to go on this kind of object.
bool TakesTextFor(const QObject* control, const QString& prefix) {
  if (prefix == "lbx") return qobject_cast<const QLabel*>(control);
  if (prefix == "mnu") return qobject_cast<const QAction*>(control) || qobject_cast<const QMenu*>(control);
  if (prefix == "grx") return qobject_cast<const QGroupBox*>(control);
  if (prefix == "chk" || prefix == "rbx" || prefix == "btn")
    return qobject_cast<const QAbstractButton*>(control);
  return false;
}

void SetText(QObject* control, const QString& text) {
  if (auto* label = qobject_cast<QLabel*>(control))
    label->setText(text);
  else if (auto* action = qobject_cast<QAction*>(control))
    action->setText(text);
  else if (auto* menu = qobject_cast<QMenu*>(control))
    menu->setTitle(text);
  else if (auto* group = qobject_cast<QGroupBox*>(control))
    group->setTitle(text);
  else if (auto* button = qobject_cast<QAbstractButton*>(control))
    button->setText(text);
}

// A tool button that shows an action takes its hint from the action, so the hint goes there.
void SetHint(QObject* control, const QString& text) {
  auto* button = qobject_cast<QToolButton*>(control);
  if (button && button->defaultAction())
    button->defaultAction()->setToolTip(text);
  else if (auto* widget = qobject_cast<QWidget*>(control))
    widget->setToolTip(text);
}

void CollectComponents(QObject* parent, QList<QObject*>& components) {
  for (QObject* child : parent->children()) {
    // The other windows are the main window's children, but their controls are not its own.
    if (qobject_cast<QDialog*>(child)) continue;
    components.append(child);
    CollectComponents(child, components);
  }
}

// The controls of a window, in the order they were created.
QList<QObject*> Components(QWidget* window) {
  QList<QObject*> components;
  CollectComponents(window, components);
  return components;
}

void AddMainWindowSlots(TOndrelForm& form, std::vector<LanguageSlot>& found) {
  for (QObject* control : Components(&form)) {
    const QString name = control->objectName();
    const QString prefix = name.left(3);
    const QString key = ControlKey(name, false);
    if (key.isEmpty()) continue;
    if (prefix == "btn" && qobject_cast<QAbstractButton*>(control))
      found.push_back({control, "HINTS", key, LanguageSlot::Use::Hint});
    else if ((prefix == "lbx" || prefix == "mnu" || prefix == "grx") && TakesTextFor(control, prefix))
      found.push_back({control, "MAIN", key, LanguageSlot::Use::Text});
  }
}

void AddOptionsWindowSlots(TBLPOptionsForm& form, std::vector<LanguageSlot>& found) {
  static const QStringList prefixes = {"lbx", "chk", "rbx", "btn", "grx"};
  for (QObject* control : Components(&form)) {
    const QString name = control->objectName();
    const QString prefix = name.left(3);
    if (!prefixes.contains(prefix) || !TakesTextFor(control, prefix)) continue;
    const bool onFormatPage = control->parent() != &form && control->parent() != form.ui.Panel1;
    const QString key = ControlKey(name, onFormatPage);
    if (!key.isEmpty()) found.push_back({control, "OPTIONS", key, LanguageSlot::Use::Text});
  }
}

// A window whose caption is "Title" of its section and whose controls of the given prefixes
// take texts from `controlSection`.
void AddWindowSlots(QWidget& window, const QString& section, const QStringList& prefixes,
                    const QString& controlSection, std::vector<LanguageSlot>& found) {
  found.push_back({&window, section, "Title", LanguageSlot::Use::WindowTitle});
  for (QObject* control : Components(&window)) {
    const QString name = control->objectName();
    const QString prefix = name.left(3);
    const QString key = ControlKey(name, false);
    if (prefixes.contains(prefix) && TakesTextFor(control, prefix) && !key.isEmpty())
      found.push_back({control, controlSection, key, LanguageSlot::Use::Text});
  }
}

template <std::size_t N>
void ReadTable(const IniFile& file, const QString& section, std::array<QString, N>& table) {
  for (std::size_t i = 0; i < N; ++i) table[i] = file.ReadString(section, QString::number(i), {});
}

}  // namespace

QString ControlKey(const QString& objectName, bool onFormatPage) {
  return objectName.mid(onFormatPage ? 7 : 3);
}

std::vector<LanguageSlot> LanguageSlots(const OndrelWindows& w) {
  std::vector<LanguageSlot> found;
  AddMainWindowSlots(*w.ondrelForm, found);
  AddOptionsWindowSlots(*w.optionsForm, found);
  AddWindowSlots(*w.convertForm, "CONVERTER", {"lbx", "grx", "btn", "chk"}, "CONVERTER", found);
  AddWindowSlots(*w.alphaChanForm, "ALPHA", {"chk", "btn"}, "ALPHA", found);
  AddWindowSlots(*w.settingsForm, "SETTINGS", {"chk", "lbx", "btn"}, "SETTINGS", found);
  // The comment editor has no texts of its own besides its title: OK and Cancel as in settings.
  AddWindowSlots(*w.commentForm, "COMMENTS", {"btn"}, "SETTINGS", found);
  AddWindowSlots(*w.optimizeForm, "OPTIMIZER", {"chk", "lbx", "btn"}, "OPTIMIZER", found);
  return found;
}

void ApplyLanguage(const IniFile& file, const OndrelWindows& windows, IndexedTexts& texts) {
  texts.Title0 = file.ReadString("OPTIONS", "Title0", {});
  texts.Title1 = file.ReadString("OPTIONS", "Title1", {});
  for (const LanguageSlot& slot : LanguageSlots(windows)) {
    const std::optional<QString> value = file.Value(slot.section, slot.key);
    switch (slot.use) {
      case LanguageSlot::Use::Text:
        if (value) SetText(slot.target, *value);
        break;
      case LanguageSlot::Use::Hint:
        if (value) SetHint(slot.target, *value);
        break;
      case LanguageSlot::Use::WindowTitle:
        if (auto* window = qobject_cast<QWidget*>(slot.target)) window->setWindowTitle(value.value_or(QString()));
        break;
    }
  }
  ReadTable(file, "CAPTIONS", texts.CAPTIONS);
  ReadTable(file, "MESSAGES", texts.MESSAGES);
  ReadTable(file, "MSGTYPES", texts.MSGTYPES);
  ReadTable(file, "REASONS", texts.REASONS);
  for (std::size_t i = 0; i < texts.NAMED.size(); ++i)
    texts.NAMED[i] = file.ReadString("MESSAGES", kNamedMessageKeys[i], {});
}

void SetPanelCaptionDefaults(TOndrelForm& form, const IndexedTexts& texts) {
  form.ui.lbxCompression->setText(texts.CAPTIONS[26]);
  form.ui.lbxAlphaBits->setText(texts.CAPTIONS[27]);
  form.ui.lbxHeaderSize->setText(texts.CAPTIONS[28]);
  form.ui.lbxQuality->setText(texts.CAPTIONS[23]);
}

void LoadLanguage(const OndrelWindows& windows, const QString& programFolder, bool reload,
                  const std::function<bool()>& reopenImage) {
  const QComboBox& list = *windows.settingsForm->ui.boxLanguage;
  if (list.currentIndex() < 0) return;
  IndexedTexts& texts = LanguageTexts();
  // An empty path (the file has gone) reads as an empty file.
  ApplyLanguage(IniFile(FindDataFile(programFolder, list.currentText())), windows, texts);
  if (!(reload && reopenImage && reopenImage())) SetPanelCaptionDefaults(*windows.ondrelForm, texts);
}

}  // namespace ondrel

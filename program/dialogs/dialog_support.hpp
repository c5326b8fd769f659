// What every controller needs around its form: finding controls by objectName, running code
// when a window shows, the language texts, and the boxes and pickers (replaceable in tests).
#pragma once

#include <QString>
#include <QWidget>
#include <QtGlobal>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "language_texts.hpp"

namespace ondrel::dialogs {

// The named control under root, or null with a warning (a form without it is a form fault).
template <typename T>
T* FindControl(QObject* root, const char* name) {
  T* control = root ? root->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  if (!control) qWarning("control %s not found", name);
  return control;
}

// Calls `onShow` each time `window` is about to show (before it paints).
void RunOnShow(QWidget* window, std::function<void()> onShow);

// The texts of the language file the dialogs use: MESSAGES, MSGTYPES, CAPTIONS and the two
// titles of the save-options window. Empty texts until a language is loaded.
struct DialogTexts {
  std::function<QString(int)> message;
  std::function<QString(int)> msgType;
  std::function<QString(int)> caption;
  std::function<QString()> optionsTitle0;  // options-only mode
  std::function<QString()> optionsTitle1;  // save mode
  std::function<QString(NamedMessage)> named;
};

// The boxes and pickers the dialogs show; the Qt ones by default.
class DialogPrompts {
 public:
  enum class Icon { Information, Warning, Error };
  struct SaveChoice {
    QString fileName;
    int filterIndex = 0;  // 1-based, as the save dialog's filter list counts
    bool replaceConfirmed = false;  // the file existed and the dialog's own question said replace
  };

  virtual ~DialogPrompts() = default;
  virtual void message(QWidget* parent, const QString& text, const QString& caption, Icon icon) = 0;
  virtual bool askYesNo(QWidget* parent, const QString& text, const QString& caption) = 0;
  // Whether to replace an existing file; No is the default, so Enter keeps the file.
  virtual bool askReplace(QWidget* parent, const QString& text, const QString& caption) = 0;
  // A short text, and behind the box's details button the whole of a long list.
  virtual void report(QWidget* parent, const QString& text, const QString& details, const QString& caption,
                      Icon icon) = 0;
  virtual std::optional<QString> chooseFolder(QWidget* parent, const QString& title, const QString& start) = 0;
  virtual std::optional<SaveChoice> chooseSaveFile(QWidget* parent, const QString& start) = 0;
};

std::shared_ptr<DialogPrompts> QtPrompts();

// The save dialog's filters, in the order the filter-index rule counts them.
QStringList SavePictureFilters();

}  // namespace ondrel::dialogs

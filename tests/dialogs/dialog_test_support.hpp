// Helpers of the dialog tests: prompts that record instead of showing, texts that name
// themselves, and source trees of every format.
#pragma once

#include <QCheckBox>
#include <QDir>
#include <QString>
#include <QWidget>

#include <deque>
#include <optional>
#include <vector>

#include "dialog_support.hpp"

namespace ondrel_test {

class RecordingPrompts : public ondrel::dialogs::DialogPrompts {
 public:
  struct Shown {
    QString text, caption;
    Icon icon;
  };
  struct Report {
    QString text, details, caption;
    Icon icon;
  };
  std::vector<Shown> messages;
  std::vector<Report> reports;
  QStringList questions;
  QStringList replaceQuestions;
  bool answerYes = true;
  bool answerReplace = false;
  std::optional<QString> folder;
  std::optional<SaveChoice> saveChoice;
  std::function<void()> onMessage;  // runs inside a box, as a modal box would let events run

  void message(QWidget*, const QString& text, const QString& caption, Icon icon) override {
    messages.push_back({text, caption, icon});
    if (onMessage) onMessage();
  }
  bool askYesNo(QWidget*, const QString& text, const QString&) override {
    questions.push_back(text);
    return answerYes;
  }
  bool askReplace(QWidget*, const QString& text, const QString&) override {
    replaceQuestions.push_back(text);
    return answerReplace;
  }
  void report(QWidget*, const QString& text, const QString& details, const QString& caption, Icon icon) override {
    reports.push_back({text, details, caption, icon});
  }
  std::optional<QString> chooseFolder(QWidget*, const QString&, const QString&) override { return folder; }
  std::optional<SaveChoice> chooseSaveFile(QWidget*, const QString&) override { return saveChoice; }
};

// "M<i>", "T<i>", "C<i>": a test sees which text went where. Messages 13-15 are real formats;
// a named message is its key, followed by its placeholders.
inline ondrel::dialogs::DialogTexts NamedTexts() {
  ondrel::dialogs::DialogTexts texts;
  texts.message = [](int i) {
    if (i == 13) return QStringLiteral("%s: optimized, %d bytes saved");
    if (i == 14) return QStringLiteral("%s: left as it was");
    if (i == 15) return QStringLiteral("%d files optimized, %d bytes saved in all");
    return QStringLiteral("M%1").arg(i);
  };
  texts.msgType = [](int i) { return QStringLiteral("T%1").arg(i); };
  texts.caption = [](int i) { return QStringLiteral("C%1").arg(i); };
  texts.optionsTitle0 = [] { return QStringLiteral("Title0"); };
  texts.optionsTitle1 = [] { return QStringLiteral("Title1"); };
  texts.named = [](ondrel::NamedMessage key) {
    using ondrel::NamedMessage;
    const QString name = QString::fromLatin1(ondrel::kNamedMessageKeys[std::size_t(key)]);
    switch (key) {
      case NamedMessage::ReplaceFile: return name + " %s";
      case NamedMessage::ConvertCounts: return name + " %d/%d/%d";
      case NamedMessage::ConvertStopped: return name + " %d/%d/%d/%d";
      case NamedMessage::ConvertMoreLines: return name + " %d";
      case NamedMessage::OptimizeRefused: return name + " %s: %s";
      default: return name;
    }
  };
  return texts;
}

// Child widgets of the given type and names under root.
template <typename T>
void AddNamed(QWidget* root, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    auto* widget = new T(root);
    widget->setObjectName(QString::fromLatin1(name));
  }
}

// Every file below the folder, relative, sorted.
inline QStringList FilesBelow(const QString& folder) {
  QStringList files;
  QDir root(folder);
  std::function<void(const QString&)> walk = [&](const QString& sub) {
    QDir dir(folder + sub);
    for (const QString& name : dir.entryList(QDir::Files)) files << sub + name;
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) walk(sub + name + "/");
  };
  walk(QString());
  files.sort();
  return files;
}

}  // namespace ondrel_test

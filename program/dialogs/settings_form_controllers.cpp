#include "settings_form_controllers.hpp"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QMouseEvent>

namespace ondrel::dialogs {

SettingsFormController::SettingsFormController(QDialog* form, SettingsWindowContext context, DialogTexts texts,
                                               std::shared_ptr<DialogPrompts> prompts)
    : QObject(form), form_(form), context_(std::move(context)), texts_(std::move(texts)), prompts_(std::move(prompts)) {
  if (auto* button = FindControl<QAbstractButton>(form_, "btnOK"))
    connect(button, &QAbstractButton::clicked, this, [this] { btnOKClick(); });
  if (auto* button = FindControl<QAbstractButton>(form_, "btnCancel"))
    connect(button, &QAbstractButton::clicked, this, [this] { btnCancelClick(); });
}

void SettingsFormController::btnOKClick() {
  try {
    SettingsOk(context_);
  } catch (const std::exception& error) {
    prompts_->message(form_, QString::fromLocal8Bit(error.what()), texts_.msgType ? texts_.msgType(0) : QString(),
                      DialogPrompts::Icon::Error);
    return;
  }
  form_->accept();
}

void SettingsFormController::btnCancelClick() {
  SettingsCancel(context_);
  form_->reject();
}

std::array<QUrl, 3> AboutLinks(const QString& programFolder) {
  const QStringList places = {programFolder + QStringLiteral("../share/doc/ondrel/"),
                              programFolder + QStringLiteral("../../")};
  QString root = places.first();
  for (const QString& place : places)
    if (QFileInfo::exists(place + QStringLiteral("README.md"))) {
      root = place;
      break;
    }
  root = QDir::cleanPath(root) + '/';
  return {QUrl::fromLocalFile(root + QStringLiteral("README.md")),
          QUrl::fromLocalFile(root + QStringLiteral("docs/user-guide.md")),
          QUrl::fromLocalFile(root + QStringLiteral("docs/"))};
}

AboutFormController::AboutFormController(QDialog* form, const QString& programFolder)
    : QObject(form), form_(form), links_(AboutLinks(programFolder)) {
  static const char* const kCaptions[] = {"Ondrel README", "Guide to the windows", "Documents"};
  for (const char* name : {"lblLink0", "lblLink1", "lblLink2"}) {
    if (auto* label = FindControl<QLabel>(form_, name)) {
      // Plain text shown as a link; the click is ours, so it opens through the desktop.
      label->setText(QStringLiteral("<a href=\"#\">%1</a>").arg(QString::fromLatin1(kCaptions[name[7] - '0'])));
      label->setTextInteractionFlags(Qt::NoTextInteraction);
      label->setVisible(true);
      label->setCursor(Qt::PointingHandCursor);
      label->setToolTip(links_[std::size_t(name[7] - '0')].toString());
      label->installEventFilter(this);
    }
  }
  if (auto* contact = form_->findChild<QLabel*>(QStringLiteral("lblContact"))) contact->setVisible(true);
  // The program's picture is the window's icon too.
  if (auto* picture = form_->findChild<QLabel*>(QStringLiteral("imgProgram")); picture && !picture->pixmap().isNull())
    form_->setWindowIcon(QIcon(picture->pixmap()));
}

bool AboutFormController::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    const QString name = watched->objectName();
    if (name.startsWith(QStringLiteral("lblLink")) && name.size() == 8) {
      const int tag = name.back().digitValue();
      if (tag >= 0 && tag < 3) QDesktopServices::openUrl(links_[std::size_t(tag)]);
      return true;
    }
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ondrel::dialogs

#include "UnitOndrelForm.hpp"

#include <QActionGroup>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>

#include <utility>

TOndrelForm::TOndrelForm(QWidget* parent) : QMainWindow(parent) {
  ui.setupUi(this);
  setWindowIcon(QIcon(":/forms/icons/ondrel-256.png"));
  // Starts in the middle of the desktop; the other windows open over it.
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  // A tool button and its menu item are one action, so their check and enabled states agree.
  const std::pair<QToolButton*, QAction*> buttons[] = {
      {ui.btnFilePrev, ui.actFilePrev},   {ui.btnFileNext, ui.actFileNext},
      {ui.btnShowAlpha, ui.mnuShowAlpha}, {ui.btnShowTrans, ui.mnuShowTrans},
      {ui.btnZoomIn, ui.actZoomIn},       {ui.btnZoomOut, ui.actZoomOut},
  };
  for (const auto& [button, action] : buttons) {
    button->setDefaultAction(action);
    button->setIconSize(QSize(24, 24));
  }
  viewModes_ = new QActionGroup(this);
  viewModes_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
  viewModes_->addAction(ui.mnuShowAlpha);
  viewModes_->addAction(ui.mnuShowTrans);

  ui.boxZoom->setCurrentIndex(-1);
  // The mipmap list lines up its columns with spaces.
  ui.boxBLPMipmaps->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

  // The information panel (and the splitter's handle with it) shows while its item is checked.
  ui.p1->setVisible(ui.mnuImageInfo->isChecked());
  connect(ui.mnuImageInfo, &QAction::toggled, ui.p1, &QWidget::setVisible);
  connect(ui.mnuQuit, &QAction::triggered, this, &QWidget::close);
}

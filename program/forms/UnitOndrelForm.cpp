#include "UnitOndrelForm.hpp"

#include <QActionGroup>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QIcon>
#include <QEvent>
#include <QLayout>
#include <QScreen>

#include <algorithm>
#include <utility>

TOndrelForm::TOndrelForm(QWidget* parent) : QMainWindow(parent) {
  ui.setupUi(this);
  setWindowIcon(QIcon(":/forms/icons/ondrel-256.png"));
  KeepMinimumSize();
  resize(minimumSize());
  // A larger window widens the view, not the panel.
  ui.Splitter1->setStretchFactor(0, 0);
  ui.Splitter1->setStretchFactor(1, 1);
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
  ui.p1->setVisible(false);
  connect(ui.mnuImageInfo, &QAction::toggled, this, &TOndrelForm::ShowInformationPanel);
  connect(ui.mnuQuit, &QAction::triggered, this, &QWidget::close);
}

void TOndrelForm::ShowInformationPanel(bool on) {
  ui.p1->setVisible(on);
  // The splitter keeps a width the user dragged it to; the first time, the designed one.
  if (on && !panelSized_) {
    panelSized_ = true;
    const int designedWidth = std::max(193, ui.p1->minimumSizeHint().width());
    ui.Splitter1->setSizes({designedWidth, ui.Splitter1->width() - designedWidth});
  }
}

bool TOndrelForm::event(QEvent* event) {
  const bool handled = QMainWindow::event(event);
  // Texts and fonts change what the layout needs: the menu bar's height, the panel's width.
  if (event->type() == QEvent::LayoutRequest) KeepMinimumSize();
  return handled;
}

void TOndrelForm::KeepMinimumSize() {
  // The designed size is also the smallest, unless the layout needs more (a longer
  // translation, a larger font); then that counts, so nothing is ever clipped.
  static constexpr QSize kDesignedSize(515, 383);
  setMinimumSize(layout()->totalMinimumSize().expandedTo(kDesignedSize));
}

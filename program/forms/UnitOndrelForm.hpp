// The main window: the viewer's menus, tool panel, information panel, view and status line.
#pragma once

#include <QMainWindow>

#include "ui_UnitOndrelForm.h"

class QActionGroup;

class TOndrelForm : public QMainWindow {
  Q_OBJECT

 public:
  explicit TOndrelForm(QWidget* parent = nullptr);

  // Every control and every menu action, named as the language file and the settings know them.
  Ui::TOndrelForm ui;

 protected:
  bool event(QEvent* event) override;

 private:
  void KeepMinimumSize();
  // Shows or hides the information panel (and the splitter's handle with it).
  void ShowInformationPanel(bool on);

  // Show alpha and show transparency are radio items that may both be off.
  QActionGroup* viewModes_ = nullptr;
  bool panelSized_ = false;
};

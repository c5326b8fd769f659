// The settings window: the program settings and the language choice.
#pragma once

#include <QDialog>

#include "ui_UnitBLPSettingsForm.h"

class TBLPSettingsForm : public QDialog {
  Q_OBJECT

 public:
  explicit TBLPSettingsForm(QWidget* parent = nullptr);

  Ui::TBLPSettingsForm ui;
};

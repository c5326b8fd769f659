// The save-options window: one page per target format, and the target name in saving mode.
#pragma once

#include <QDialog>

#include "ui_UnitBLPOptionsForm.h"

class TBLPOptionsForm : public QDialog {
  Q_OBJECT

 public:
  explicit TBLPOptionsForm(QWidget* parent = nullptr);

  Ui::TBLPOptionsForm ui;
};

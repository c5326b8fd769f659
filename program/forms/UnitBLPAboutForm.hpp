// The about box: the program's name and version and the codec library's.
#pragma once

#include <QDialog>

#include "ui_UnitBLPAboutForm.h"

class TBLPAboutForm : public QDialog {
  Q_OBJECT

 public:
  explicit TBLPAboutForm(QWidget* parent = nullptr);

  Ui::TBLPAboutForm ui;
};

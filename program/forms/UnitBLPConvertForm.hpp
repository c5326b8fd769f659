// The mass converter: a folder of images into one format.
#pragma once

#include <QDialog>

#include "ui_UnitBLPConvertForm.h"

class TBLPConvertForm : public QDialog {
  Q_OBJECT

 public:
  explicit TBLPConvertForm(QWidget* parent = nullptr);

  Ui::TBLPConvertForm ui;
};

// The mass optimizer: BLP1 files rewritten smaller in place.
#pragma once

#include <QDialog>

#include "ui_UnitBLPOptimizeForm.h"

class TBLPOptimizeForm : public QDialog {
  Q_OBJECT

 public:
  explicit TBLPOptimizeForm(QWidget* parent = nullptr);

  Ui::TBLPOptimizeForm ui;
};

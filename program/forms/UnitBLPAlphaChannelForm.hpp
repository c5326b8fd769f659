// The alpha-channel window: the treatment applied to the alpha channel before every save.
#pragma once

#include <QDialog>

#include "ui_UnitBLPAlphaChannelForm.h"

class TBLPAlphaChanForm : public QDialog {
  Q_OBJECT

 public:
  explicit TBLPAlphaChanForm(QWidget* parent = nullptr);

  Ui::TBLPAlphaChanForm ui;
};

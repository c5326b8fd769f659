// The comment editor: the hidden comment of the BLP1 file on screen.
#pragma once

#include <QDialog>

#include "ui_UnitBLPCommentForm.h"

class TBLPCommentForm : public QDialog {
  Q_OBJECT

 public:
  explicit TBLPCommentForm(QWidget* parent = nullptr);

  Ui::TBLPCommentForm ui;
};

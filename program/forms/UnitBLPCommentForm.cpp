#include "UnitBLPCommentForm.hpp"

TBLPCommentForm::TBLPCommentForm(QWidget* parent) : QDialog(parent) {
  ui.setupUi(this);
}

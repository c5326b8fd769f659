#include "UnitBLPAlphaChannelForm.hpp"

TBLPAlphaChanForm::TBLPAlphaChanForm(QWidget* parent) : QDialog(parent) {
  ui.setupUi(this);
}

#include "UnitBLPOptionsForm.hpp"

TBLPOptionsForm::TBLPOptionsForm(QWidget* parent) : QDialog(parent) {
  ui.setupUi(this);
}

#include "UnitBLPSettingsForm.hpp"

TBLPSettingsForm::TBLPSettingsForm(QWidget* parent) : QDialog(parent) {
  ui.setupUi(this);
}

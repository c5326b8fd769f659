#include "UnitBLPOptimizeForm.hpp"

TBLPOptimizeForm::TBLPOptimizeForm(QWidget* parent) : QDialog(parent) {
  ui.setupUi(this);
  // A batch window stays open beside the viewer, so it can be minimised like one.
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

// Binds the alpha-channel window (TBLPAlphaChanForm): its five buttons choose the alpha
// treatment 0..4 that every save from the options window and the converter applies first.
#pragma once

#include <QObject>

#include <cstdint>

class QDialog;

namespace ondrel::dialogs {

class AlphaFormController : public QObject {
 public:
  // `treatment` is the program's AlphaTreatment; it changes only on OK.
  AlphaFormController(QDialog* form, std::uint8_t* treatment);

  void FormShow();
  void btnOKClick();

 private:
  QDialog* form_;
  std::uint8_t* treatment_;
};

}  // namespace ondrel::dialogs

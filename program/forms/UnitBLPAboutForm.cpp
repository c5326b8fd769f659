#include "UnitBLPAboutForm.hpp"

#include <QPixmap>

#include <cstdint>

#include "ormel_blp.h"

TBLPAboutForm::TBLPAboutForm(QWidget* parent) : QDialog(parent) {
  ui.setupUi(this);
  ui.imgProgram->setPixmap(QPixmap(":/forms/icons/ondrel-64.png"));

  std::uint16_t major = 0, minor = 0, release = 0, build = 0;
  GetLibraryVersion(&major, &minor, &release, &build);
  ui.lblLibraryVersion->setText(ui.lblLibraryVersion->text() +
                                QString(" %1.%2.%3.%4").arg(major).arg(minor).arg(release).arg(build));

  // A contact line shows once it has a caption, and the "Contact:" heading with the first.
  bool anyLink = false;
  for (QLabel* link : {ui.lblLink0, ui.lblLink1, ui.lblLink2}) {
    link->setVisible(!link->text().isEmpty());
    anyLink |= link->isVisibleTo(this);
  }
  ui.lblContact->setVisible(anyLink);

  connect(ui.btnOK, &QPushButton::clicked, this, &QDialog::accept);
}

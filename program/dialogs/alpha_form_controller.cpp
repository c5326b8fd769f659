#include "alpha_form_controller.hpp"

#include <QAbstractButton>
#include <QDialog>

#include "dialog_support.hpp"

namespace ondrel::dialogs {
namespace {
// Top to bottom, one per treatment value.
constexpr const char* kButtons[] = {"chkAlphaNoChange", "chkAlphaAddOpaque", "chkAlphaRemove", "chkAlphaSpec",
                                    "chkAlphaOnepx"};
}  // namespace

AlphaFormController::AlphaFormController(QDialog* form, std::uint8_t* treatment)
    : QObject(form), form_(form), treatment_(treatment) {
  if (auto* button = FindControl<QAbstractButton>(form_, "btnOK"))
    connect(button, &QAbstractButton::clicked, this, [this] { btnOKClick(); });
  if (auto* button = FindControl<QAbstractButton>(form_, "btnCancel"))
    connect(button, &QAbstractButton::clicked, form_, &QDialog::reject);
  RunOnShow(form_, [this] { FormShow(); });
}

void AlphaFormController::FormShow() {
  if (*treatment_ > 4) return;  // an unknown value leaves the buttons as they are
  if (auto* button = FindControl<QAbstractButton>(form_, kButtons[*treatment_])) button->setChecked(true);
}

void AlphaFormController::btnOKClick() {
  for (std::uint8_t i = 0; i < 5; ++i) {
    auto* button = FindControl<QAbstractButton>(form_, kButtons[i]);
    if (button && button->isChecked()) *treatment_ = i;
  }
  form_->accept();
}

}  // namespace ondrel::dialogs

#include "options_form_controller.hpp"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>

#include "image_layer_calls.hpp"
#include "message_format.hpp"

namespace ondrel::dialogs {
namespace {

QString Name(const char* name) { return QString::fromLatin1(name); }

}  // namespace

OptionsFormController::OptionsFormController(QDialog* form, OptionsFormContext context)
    : QObject(form), form_(form), context_(std::move(context)) {
  if (auto* box = FindControl<QComboBox>(form_, "boxFileExt")) {
    if (box->currentIndex() < 0) box->setCurrentIndex(0);  // BLP1 at creation
    connect(box, &QComboBox::currentIndexChanged, this, [this] { boxFileExtChange(); });
  }
  for (const char* name : {"rbxBLP1Paletted", "rbxBLP1Compressed1", "rbxBLP2Paletted", "rbxBLP2Compressed2",
                           "rbxDDS_TrueColor", "rbxDDS_Compressed2", "rbxTGA_Paletted", "rbxTGA_TrueColor",
                           "chkTGA_RLE"}) {
    if (auto* button = FindControl<QAbstractButton>(form_, name))
      connect(button, &QAbstractButton::toggled, this, [this] { applyEnableRules(); });
  }
  if (auto* button = FindControl<QAbstractButton>(form_, "btnOK"))
    connect(button, &QAbstractButton::clicked, this, [this] { btnOKClick(); });
  if (auto* button = FindControl<QAbstractButton>(form_, "btnCancel"))
    connect(button, &QAbstractButton::clicked, form_, &QDialog::reject);
  if (auto* button = FindControl<QAbstractButton>(form_, "btnBrowse"))
    connect(button, &QAbstractButton::clicked, this, [this] { btnBrowseClick(); });
  if (auto* button = FindControl<QAbstractButton>(form_, "btnAlphaOptions"))
    connect(button, &QAbstractButton::clicked, this, [this] {
      if (context_.openAlphaDialog) context_.openAlphaDialog();
    });
  RunOnShow(form_, [this] { FormShow(); });
}

void OptionsFormController::FormShow() {
  replaceConfirmed_.clear();  // an answer holds for the showing it was given in
  const auto title = saveMode_ ? context_.texts.optionsTitle1 : context_.texts.optionsTitle0;
  form_->setWindowTitle(title ? title() : QString());
  if (auto* panel = FindControl<QWidget>(form_, "Panel1")) panel->setVisible(saveMode_);
  // In save mode the format list chooses the page; the tabs are for options-only mode.
  if (auto* pages = FindControl<QTabWidget>(form_, "PageControl1")) pages->tabBar()->setVisible(!saveMode_);
  boxFileExtChange();
  showValues(ValuesFromOptions(context_.settings->formatOptions));
  applyEnableRules();
}

void OptionsFormController::boxFileExtChange() {
  auto* box = FindControl<QComboBox>(form_, "boxFileExt");
  auto* pages = FindControl<QTabWidget>(form_, "PageControl1");
  if (!box || !pages) return;
  const int format = box->currentIndex();
  if (format >= 0 && format < kPageCount) pages->setCurrentIndex(format);
  // BMP has no options: no page is shown. Options-only mode shows every page by its tab.
  pages->setVisible(!(saveMode_ && format == kBmpFormat));
}

void OptionsFormController::applyEnableRules() {
  for (const auto& [name, enabled] : EnableStates(readControls()))
    if (auto* control = form_->findChild<QWidget*>(name)) control->setEnabled(enabled);
}

OptionValues OptionsFormController::readControls() const {
  OptionValues values;
  for (const auto& pair : RadioPairControls())
    for (const char* name : {pair.first, pair.second})
      if (auto* button = FindControl<QAbstractButton>(form_, name)) values[Name(name)] = button->isChecked();
  for (const auto& check : CheckControls())
    if (auto* button = FindControl<QAbstractButton>(form_, check.name)) values[Name(check.name)] = button->isChecked();
  for (const auto& spin : SpinControls())
    if (auto* edit = FindControl<QSpinBox>(form_, spin.name))
      values[Name(spin.name)] = SpinValueFromText(edit->cleanText(), spin.minimum, spin.maximum);
  return values;
}

void OptionsFormController::showValues(const OptionValues& values) {
  for (const auto& pair : RadioPairControls()) {
    auto* first = FindControl<QAbstractButton>(form_, pair.first);
    auto* second = FindControl<QAbstractButton>(form_, pair.second);
    if (!first || !second) continue;
    // A value matching neither leaves both unchecked, which an exclusive group would refuse.
    const bool exclusive = first->autoExclusive();
    first->setAutoExclusive(false);
    second->setAutoExclusive(false);
    first->setChecked(values.at(Name(pair.first)));
    second->setChecked(values.at(Name(pair.second)));
    first->setAutoExclusive(exclusive);
    second->setAutoExclusive(exclusive);
  }
  for (const auto& check : CheckControls())
    if (auto* button = FindControl<QAbstractButton>(form_, check.name)) button->setChecked(values.at(Name(check.name)));
  for (const auto& spin : SpinControls())
    if (auto* edit = FindControl<QSpinBox>(form_, spin.name)) {
      edit->setRange(spin.minimum, spin.maximum);
      edit->setValue(values.at(Name(spin.name)));
    }
}

void OptionsFormController::btnBrowseClick() {
  auto* name = FindControl<QLineEdit>(form_, "edFileName");
  auto* box = FindControl<QComboBox>(form_, "boxFileExt");
  if (!name || !box) return;
  const auto choice = context_.prompts->chooseSaveFile(form_, name->text());
  if (!choice) return;
  replaceConfirmed_ = choice->replaceConfirmed ? QFileInfo(choice->fileName).absoluteFilePath() : QString();
  name->setText(NameFieldFromBrowse(choice->fileName));
  if (const auto format = FormatFromBrowse(choice->filterIndex, choice->fileName)) box->setCurrentIndex(*format);
  boxFileExtChange();
}

bool OptionsFormController::mayReplace(const QString& target) {
  const QFileInfo file(target);
  if (!file.exists() && !file.isSymLink()) return true;
  // The browse dialog asked about the name it was given; the extension added since may point
  // at another file, and a name typed in the field was never asked about.
  if (!replaceConfirmed_.isEmpty() && file.absoluteFilePath() == replaceConfirmed_) return true;
  const QString text = context_.texts.named ? context_.texts.named(NamedMessage::ReplaceFile) : QString();
  const QString caption = context_.texts.msgType ? context_.texts.msgType(2) : QString();
  return context_.prompts->askReplace(form_, FormatMessage(text, {QDir::toNativeSeparators(target)}), caption);
}

void OptionsFormController::btnOKClick() {
  const auto message = [this](int index) { return context_.texts.message ? context_.texts.message(index) : QString(); };
  const auto msgType = [this](int index) { return context_.texts.msgType ? context_.texts.msgType(index) : QString(); };
  FileFormatOptions& options = context_.settings->formatOptions;
  const OptionValues values = readControls();
  if (saveMode_) {
    auto* name = FindControl<QLineEdit>(form_, "edFileName");
    auto* box = FindControl<QComboBox>(form_, "boxFileExt");
    if (!name || !box) return;
    if (name->text().isEmpty()) {
      context_.prompts->message(form_, message(5), msgType(1), DialogPrompts::Icon::Information);
      return;
    }
    const auto image = context_.currentImage ? context_.currentImage() : std::nullopt;
    if (!image) return;
    const int format = std::max(0, box->currentIndex());
    const QString fileName = SaveTargetBesideImage(SaveFileName(name->text(), format),
                                                   context_.currentFile ? context_.currentFile() : QString());
    if (!mayReplace(fileName)) return;  // the dialog stays open; nothing stored, nothing written
    if (format < kPageCount) StorePage(values, format, options);
    if (format == 0) {
      if (const int warning = PowerOfTwoWarning(image->first.width(), image->first.height()))
        context_.prompts->message(form_, message(warning), msgType(2), DialogPrompts::Icon::Warning);
    }
    try {
      SaveInOptionsFormat(fileName, image->first, format, context_.settings->alphaTreatment, image->second, options);
    } catch (const std::exception& error) {
      // The error is shown; the file as it was stays (saves are atomic) and the window stays open.
      context_.prompts->message(form_, QString::fromLocal8Bit(error.what()), msgType(0), DialogPrompts::Icon::Error);
      return;
    }
    lastSaved_ = fileName;
  } else {
    StoreAllPages(values, options);
  }
  if (context_.writeSaveOptions) {
    try {
      context_.writeSaveOptions();
    } catch (const std::exception& error) {
      context_.prompts->message(form_, QString::fromLocal8Bit(error.what()), msgType(0), DialogPrompts::Icon::Error);
    }
  }
  form_->accept();
}

}  // namespace ondrel::dialogs

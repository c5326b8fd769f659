#include "batch_form_controllers.hpp"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QWidget>

#include "conversion_plan.hpp"
#include "converter_summary.hpp"
#include "file_lists.hpp"
#include "message_format.hpp"

namespace ondrel::dialogs {
namespace {

constexpr const char* kFormatBoxes[] = {"chkFormatBMP", "chkFormatTGA", "chkFormatBLP",
                                        "chkFormatJPG", "chkFormatPNG", "chkFormatDDS"};

bool Checked(QWidget* form, const char* name) {
  auto* button = FindControl<QAbstractButton>(form, name);
  return button && button->isChecked();
}

QString FieldText(QWidget* form, const char* name) {
  auto* field = FindControl<QLineEdit>(form, name);
  return field ? field->text() : QString();
}

void SetFieldText(QWidget* form, const char* name, const QString& text) {
  if (auto* field = FindControl<QLineEdit>(form, name)) field->setText(text);
}

QString Text(const std::function<QString(int)>& table, int index) { return table ? table(index) : QString(); }

// While a run goes, the start button stops it; its caption comes back afterwards.
class StopButtonScope {
 public:
  explicit StopButtonScope(QAbstractButton* button) : button_(button) {
    if (button_) {
      caption_ = button_->text();
      button_->setText(QStringLiteral("Stop"));
    }
  }
  ~StopButtonScope() {
    if (button_) button_->setText(caption_);
  }
  StopButtonScope(const StopButtonScope&) = delete;
  StopButtonScope& operator=(const StopButtonScope&) = delete;

 private:
  QAbstractButton* button_;
  QString caption_;
};

}  // namespace

ConvertFormController::ConvertFormController(QWidget* form, ConvertFormContext context)
    : QObject(form), form_(form), context_(std::move(context)) {
  if (auto* button = FindControl<QAbstractButton>(form_, "btnConvert"))
    connect(button, &QAbstractButton::clicked, this, [this] { btnConvertClick(); });
  if (auto* button = FindControl<QAbstractButton>(form_, "btnBrowse1"))
    connect(button, &QAbstractButton::clicked, this, [this] { browseFolder(false); });
  if (auto* button = FindControl<QAbstractButton>(form_, "btnBrowse2"))
    connect(button, &QAbstractButton::clicked, this, [this] { browseFolder(true); });
  if (auto* button = FindControl<QAbstractButton>(form_, "btnFFOptions"))
    connect(button, &QAbstractButton::clicked, this, [this] {
      if (context_.openOptionsDialog) context_.openOptionsDialog();
    });
  if (auto* button = FindControl<QAbstractButton>(form_, "btnAlphaOptions"))
    connect(button, &QAbstractButton::clicked, this, [this] {
      if (context_.openAlphaDialog) context_.openAlphaDialog();
    });
}

ConverterRequest ConvertFormController::readRequest() const {
  ConverterRequest request;
  for (std::size_t i = 0; i < request.sourceFormats.size(); ++i) request.sourceFormats[i] = Checked(form_, kFormatBoxes[i]);
  request.sourceFolder = FieldText(form_, "edSourceFolder");
  request.destFolder = FieldText(form_, "edDestFolder");
  request.subfolders = Checked(form_, "chkSubfolders");
  request.folderStruct = Checked(form_, "chkFolderStruct");
  auto* box = FindControl<QComboBox>(form_, "boxFormatDest");
  request.destFormat = box ? std::max(0, box->currentIndex()) : 0;
  return request;
}

void ConvertFormController::browseFolder(bool destination) {
  const char* field = destination ? "edDestFolder" : "edSourceFolder";
  const auto folder = context_.prompts->chooseFolder(form_, Text(context_.texts.caption, destination ? 4 : 3),
                                                     FieldText(form_, field));
  if (folder) SetFieldText(form_, field, WithTrailingBackslash(*folder));
}

void ConvertFormController::btnConvertClick() {
  if (run_.running()) {
    run_.requestStop();
    return;
  }
  convert();
}

void ConvertFormController::convert() {
  const auto& texts = context_.texts;
  const auto inform = [&](int message) {
    context_.prompts->message(form_, Text(texts.message, message), Text(texts.msgType, 1),
                              DialogPrompts::Icon::Information);
  };
  ConverterRequest request = readRequest();
  const ConverterInputCheck check = CheckConverterInput(request);
  if (check.message >= 0) return inform(check.message);
  if (check.destinationMissing) {
    if (!context_.prompts->askYesNo(form_, Text(texts.message, 11), Text(texts.msgType, 1))) return;
    if (!CreateDestinationFolder(request.destFolder)) {
      context_.prompts->message(form_, Text(texts.message, 12), Text(texts.msgType, 0), DialogPrompts::Icon::Error);
      return;
    }
  }
  request.sourceFolder = WithTrailingBackslash(request.sourceFolder);
  request.destFolder = WithTrailingBackslash(request.destFolder);
  SetFieldText(form_, "edSourceFolder", request.sourceFolder);
  SetFieldText(form_, "edDestFolder", request.destFolder);

  const QStringList files = ConverterFileList(request);
  if (files.isEmpty()) return inform(4);

  std::vector<ConverterJob> jobs;
  jobs.reserve(std::size_t(files.size()));
  for (const QString& file : files)
    jobs.push_back({file, ConverterTargetName(file, request.sourceFolder, request.destFolder,
                                              request.folderStruct, request.destFormat)});

  auto* progress = FindControl<QProgressBar>(form_, "Progress1");
  if (progress) {
    progress->setMaximum(int(jobs.size()));
    progress->setValue(0);
  }
  ConversionSettings settings;
  settings.destFormat = request.destFormat;
  settings.folderStruct = request.folderStruct;
  settings.alphaTreatment = context_.settings->alphaTreatment;
  settings.options = context_.settings->formatOptions;

  ConverterRunHooks hooks;
  hooks.showLoadError = [&](const QString& name, const QString& reason) {
    // As the main window's box: message 9, and why on a line of its own.
    QString text = name + QStringLiteral(": ") + Text(texts.message, 9);
    if (!reason.isEmpty()) text += QStringLiteral("\n") + reason;
    context_.prompts->message(form_, text, Text(texts.msgType, 0), DialogPrompts::Icon::Error);
  };
  hooks.progress = [progress](int done) {
    if (progress) progress->setValue(done);
  };
  hooks.processEvents = [] { QCoreApplication::processEvents(); };

  {
    RunState::Scope running(run_);
    StopButtonScope stopButton(FindControl<QAbstractButton>(form_, "btnConvert"));
    // Never over its own source: such a file fails with its reason, as a failed save does.
    const ConvertOneFile convertOne = context_.conversion(settings);
    const ConvertOneFile notOntoItself = [convertOne](const ConverterJob& job) {
      return batch::TargetIsSource(job.source, job.target)
                 ? FileResult(FileOutcome::SaveFailed, batch::TargetIsSourceRefusal())
                 : convertOne(job);
    };
    lastRun_ = RunConversion(jobs, notOntoItself, hooks, run_.stopFlag(), context_.threads);
  }
  // A full bar alone would not tell a full disk from success: the run ends with what it did.
  const SummaryBox box =
      SummaryBoxFor(SummarizeRun(jobs, lastRun_, request.sourceFolder, request.destFolder), texts.named);
  context_.prompts->report(form_, box.text, box.details, Text(texts.msgType, box.messageType), box.icon);
}

OptimizeFormController::OptimizeFormController(QWidget* form, OptimizeFormContext context)
    : QObject(form), form_(form), context_(std::move(context)) {
  if (auto* button = FindControl<QAbstractButton>(form_, "btnOptimize"))
    connect(button, &QAbstractButton::clicked, this, [this] { btnOptimizeClick(); });
  if (auto* button = FindControl<QAbstractButton>(form_, "btnBrowse"))
    connect(button, &QAbstractButton::clicked, this, [this] { browseFolder(); });
}

void OptimizeFormController::browseFolder() {
  const auto folder = context_.prompts->chooseFolder(form_, Text(context_.texts.caption, 3),
                                                     FieldText(form_, "edSourceFolder"));
  if (folder) SetFieldText(form_, "edSourceFolder", WithTrailingBackslash(*folder));
}

void OptimizeFormController::btnOptimizeClick() {
  if (run_.running()) {
    run_.requestStop();
    return;
  }
  optimize();
}

void OptimizeFormController::optimize() {
  const auto& texts = context_.texts;
  const auto inform = [&](int message) {
    context_.prompts->message(form_, Text(texts.message, message), Text(texts.msgType, 1),
                              DialogPrompts::Icon::Information);
  };
  QString folder = FieldText(form_, "edSourceFolder");
  if (const int message = CheckOptimizerInput(folder); message >= 0) return inform(message);
  folder = WithTrailingBackslash(folder);
  SetFieldText(form_, "edSourceFolder", folder);
  auto* log = FindControl<QPlainTextEdit>(form_, "memLog");
  if (log) log->clear();

  QStringList files;
  ListFilesByExtension(folder, QStringLiteral(".blp"), Checked(form_, "chkSubfolders"), files);
  if (files.isEmpty()) return inform(16);

  auto* progress = FindControl<QProgressBar>(form_, "Progress1");
  if (progress) {
    // One step a file; the bar is full once every file is done.
    progress->setMaximum(int(files.size()));
    progress->setValue(0);
  }
  OptimizerTexts lines;
  lines.optimized = [&](const QString& name, std::int64_t saved) {
    return FormatMessage(Text(texts.message, 13), {name, saved});
  };
  lines.unchanged = [&](const QString& name) { return FormatMessage(Text(texts.message, 14), {name}); };
  if (texts.named)
    lines.refused = [&](const QString& name, const QString& reason) {
      return FormatMessage(texts.named(NamedMessage::OptimizeRefused), {name, reason});
    };
  lines.summary = [&](int count, std::int64_t total) {
    return FormatMessage(Text(texts.message, 15), {std::int64_t(count), total});
  };
  OptimizerRunHooks hooks;
  hooks.addLog = [log](const QString& entry) {
    if (log) log->appendPlainText(entry);
  };
  hooks.progress = [progress](int done) {
    if (progress) progress->setValue(done);
  };
  hooks.processEvents = [] { QCoreApplication::processEvents(); };

  RunState::Scope running(run_);
  StopButtonScope stopButton(FindControl<QAbstractButton>(form_, "btnOptimize"));
  RunOptimizer(files, context_.optimizeFile, lines, hooks, run_.stopFlag());
}

}  // namespace ondrel::dialogs

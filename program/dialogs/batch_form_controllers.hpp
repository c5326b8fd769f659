// Binds the two batch windows: the mass converter (TBLPConvertForm) and the mass optimizer
// (TBLPOptimizeForm). While a run goes, its Convert / Optimize button is the Stop button, so
// no second run can start inside it, and Stop ends the run between two files.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

#include "converter_plan.hpp"
#include "converter_run.hpp"
#include "dialog_support.hpp"
#include "optimizer_run.hpp"
#include "run_state.hpp"
#include "settings_store.hpp"

class QWidget;

namespace ondrel::dialogs {

struct ConvertFormContext {
  OndrelSettings* settings = nullptr;  // formatOptions and alphaTreatment of the run
  std::function<void()> openOptionsDialog;  // options-only mode, modal
  std::function<void()> openAlphaDialog;
  int threads = 1;
  // How one file is converted; the image layer's by default.
  std::function<ConvertOneFile(const ConversionSettings&)> conversion = BatchEngineConversion;
  DialogTexts texts;
  std::shared_ptr<DialogPrompts> prompts = QtPrompts();
};

class ConvertFormController : public QObject {
 public:
  ConvertFormController(QWidget* form, ConvertFormContext context);

  ConverterRequest readRequest() const;
  void btnConvertClick();  // starts a run, or stops the one going
  void browseFolder(bool destination);
  const RunState& runState() const { return run_; }
  const ConverterRunResult& lastRun() const { return lastRun_; }

 private:
  void convert();

  QWidget* form_;
  ConvertFormContext context_;
  RunState run_;
  ConverterRunResult lastRun_;
};

struct OptimizeFormContext {
  OptimizeFileStep optimizeFile = BatchEngineOptimizer();
  DialogTexts texts;
  std::shared_ptr<DialogPrompts> prompts = QtPrompts();
};

class OptimizeFormController : public QObject {
 public:
  OptimizeFormController(QWidget* form, OptimizeFormContext context);

  void btnOptimizeClick();  // starts a run, or stops the one going
  void browseFolder();
  const RunState& runState() const { return run_; }

 private:
  void optimize();

  QWidget* form_;
  OptimizeFormContext context_;
  RunState run_;
};

}  // namespace ondrel::dialogs

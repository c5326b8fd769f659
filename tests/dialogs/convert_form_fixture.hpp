// The mass converter window's controls, built bare with the names the controller looks up, and
// its controller over recording prompts: the fixture of the converter window tests.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

#include "batch_form_controllers.hpp"
#include "dialog_test_support.hpp"

namespace ondrel_test {

class ConvertFormFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<QWidget>();
    AddNamed<QCheckBox>(form.get(), {"chkFormatBMP", "chkFormatTGA", "chkFormatBLP", "chkFormatJPG", "chkFormatPNG",
                                     "chkFormatDDS", "chkSubfolders", "chkFolderStruct"});
    AddNamed<QLineEdit>(form.get(), {"edSourceFolder", "edDestFolder"});
    AddNamed<QComboBox>(form.get(), {"boxFormatDest"});
    AddNamed<QProgressBar>(form.get(), {"Progress1"});
    AddNamed<QPushButton>(form.get(), {"btnConvert", "btnBrowse1", "btnBrowse2", "btnFFOptions", "btnAlphaOptions"});
    form->findChild<QComboBox*>("boxFormatDest")->addItems({"BMP", "TGA", "BLP1", "BLP2", "JPG", "PNG", "DDS"});
    prompts = std::make_shared<RecordingPrompts>();
    ondrel::dialogs::ConvertFormContext context;
    context.settings = &settings;
    context.texts = NamedTexts();
    context.prompts = prompts;
    controller = new ondrel::dialogs::ConvertFormController(form.get(), context);
  }
  void TearDown() override { form.reset(); }
  void Set(const char* name, const QString& text) { form->findChild<QLineEdit*>(name)->setText(text); }
  void Check(const char* name) { form->findChild<QCheckBox*>(name)->setChecked(true); }

  ondrel::OndrelSettings settings;
  std::unique_ptr<QWidget> form;
  std::shared_ptr<RecordingPrompts> prompts;
  ondrel::dialogs::ConvertFormController* controller = nullptr;
};

}  // namespace ondrel_test

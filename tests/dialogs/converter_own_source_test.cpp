// The mass converter window keeps the batch rules about its own files: a file whose target is
// itself is skipped, never re-encoded over itself, and a destination inside the source tree
// gives no input.
#include "batch_form_controllers.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "UnitBLPImageUtils.hpp"
#include "convert_form_fixture.hpp"
#include "dialog_test_support.hpp"
#include "test_files.hpp"

using namespace ondrel;
using namespace ondrel::dialogs;
using namespace ondrel_test;

namespace {

class ConverterOwnFiles : public ConvertFormFixture {
 protected:
  void SetUp() override {
    ConvertFormFixture::SetUp();
    src = dir.path() + "/src/";
    QDir().mkpath(src + "sub");
    QDir().mkpath(src + "out");
    const TBitmap picture = PhotoBitmap(32, 16, true);
    for (const char* name : {"c.blp", "sub/d.blp", "out/old.blp"})
      SaveBlpImage(src + name, picture, 0, DesignedFileFormatOptions(), true);
    form->findChild<QCheckBox*>("chkFormatBLP")->setChecked(true);
    form->findChild<QLineEdit*>("edSourceFolder")->setText(src);
  }

  QTemporaryDir dir;
  QString src;
};

TEST_F(ConverterOwnFiles, AFileThatIsItsOwnTargetIsSkipped) {
  const QByteArray before = ReadFile(src + "c.blp");
  form->findChild<QLineEdit*>("edDestFolder")->setText(src);
  form->findChild<QComboBox*>("boxFormatDest")->setCurrentIndex(2);  // BLP1 into the source folder
  controller->btnConvertClick();
  EXPECT_EQ(controller->lastRun().reported, 1);
  EXPECT_EQ(controller->lastRun().written, 0);
  EXPECT_EQ(ReadFile(src + "c.blp"), before);
}

TEST_F(ConverterOwnFiles, ADestinationInsideTheSourceTreeGivesNoInput) {
  const QByteArray old = ReadFile(src + "out/old.blp");
  form->findChild<QCheckBox*>("chkSubfolders")->setChecked(true);
  form->findChild<QLineEdit*>("edDestFolder")->setText(src + "out");
  form->findChild<QComboBox*>("boxFormatDest")->setCurrentIndex(3);  // BLP2
  for (int run = 0; run < 2; ++run) {
    controller->btnConvertClick();
    EXPECT_EQ(form->findChild<QProgressBar*>("Progress1")->maximum(), 2) << "run " << run;
    EXPECT_EQ(controller->lastRun().written, 2) << "run " << run;
  }
  EXPECT_EQ(ReadFile(src + "out/old.blp"), old);
  EXPECT_EQ(FilesBelow(src + "out/"), (QStringList{"c.blp", "d.blp", "old.blp"}));
}

}  // namespace

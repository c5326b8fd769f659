// The save-options window over a widget tree named as the form names its controls: both
// modes, every page stored and loaded, enable states after loading, Browse, OK in save mode
// with its name and size rules; and the alpha-channel window.
#include "alpha_form_controller.hpp"
#include "options_form_controller.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

#include "UnitBLPImageUtils.hpp"
#include "dialog_test_support.hpp"
#include "test_files.hpp"

using namespace ondrel;
using namespace ondrel::dialogs;
using namespace ondrel_test;

namespace {

// The form's controls, page by page, under the names the form gives them.
std::unique_ptr<QDialog> MakeOptionsForm() {
  auto form = std::make_unique<QDialog>();
  auto* panel = new QWidget(form.get());
  panel->setObjectName("Panel1");
  AddNamed<QLineEdit>(panel, {"edFileName"});
  AddNamed<QComboBox>(panel, {"boxFileExt"});
  AddNamed<QPushButton>(panel, {"btnBrowse", "btnAlphaOptions"});
  panel->findChild<QComboBox*>("boxFileExt")->addItems({"BLP1", "BLP2", "DDS", "TGA", "PNG", "JPG", "BMP"});
  auto* pages = new QTabWidget(form.get());
  pages->setObjectName("PageControl1");
  const std::initializer_list<const char*> radios[6] = {
      {"rbxBLP1Paletted", "rbxBLP1Compressed1"}, {"rbxBLP2Paletted", "rbxBLP2Compressed2"},
      {"rbxDDS_TrueColor", "rbxDDS_Compressed2"}, {"rbxTGA_Paletted", "rbxTGA_TrueColor"}, {}, {}};
  for (int p = 0; p < 6; ++p) {
    auto* page = new QWidget;
    pages->addTab(page, QString::number(p));
    AddNamed<QRadioButton>(page, radios[p]);
  }
  for (const auto& check : CheckControls())
    AddNamed<QCheckBox>(pages->widget(check.page), {check.name});
  for (const auto& spin : SpinControls()) AddNamed<QSpinBox>(pages->widget(spin.page), {spin.name});
  AddNamed<QLabel>(pages->widget(0), {"lbxBLP1Colors", "lbxBLP1Quality"});
  AddNamed<QLabel>(pages->widget(1), {"lbxBLP2Colors"});
  AddNamed<QLabel>(pages->widget(3), {"lbxTGA_Colors"});
  AddNamed<QPushButton>(form.get(), {"btnOK", "btnCancel"});
  return form;
}

std::array<std::uint8_t, 48> Bytes(const FileFormatOptions& o) {
  std::array<std::uint8_t, 48> b;
  std::memcpy(b.data(), &o, 48);
  return b;
}

class OptionsForm : public ::testing::Test {
 protected:
  void SetUp() override {
    form = MakeOptionsForm();
    prompts = std::make_shared<RecordingPrompts>();
    OptionsFormContext context;
    context.settings = &settings;
    context.writeSaveOptions = [this] { ++settingsWrites; };
    context.openAlphaDialog = [this] { ++alphaOpened; };
    context.currentImage = [this]() -> std::optional<std::pair<TBitmap, bool>> { return std::pair{image, true}; };
    context.texts = NamedTexts();
    context.prompts = prompts;
    controller = new OptionsFormController(form.get(), context);
  }
  void TearDown() override { form.reset(); }
  template <typename T>
  T* get(const char* name) { return form->findChild<T*>(name); }
  void SaveAs(const QString& name, int format) {
    controller->setSaveMode(true);
    form->show();
    get<QLineEdit>("edFileName")->setText(name);
    get<QComboBox>("boxFileExt")->setCurrentIndex(format);
    get<QPushButton>("btnOK")->click();
  }

  OndrelSettings settings;
  TBitmap image = PhotoBitmap(100, 64, true);
  std::unique_ptr<QDialog> form;
  std::shared_ptr<RecordingPrompts> prompts;
  OptionsFormController* controller = nullptr;
  int settingsWrites = 0, alphaOpened = 0;
  QTemporaryDir dir;
};

}  // namespace

TEST_F(OptionsForm, OptionsModeShowsTabsAndOkStoresEveryPage) {
  settings.formatOptions.blp1.Blp1Paletted = 1;
  settings.formatOptions.tga.TgaRle = 1;
  settings.formatOptions.jpg.JpgQuality = 42;
  controller->setSaveMode(false);
  form->show();
  EXPECT_EQ(form->windowTitle(), "Title0");
  EXPECT_FALSE(get<QWidget>("Panel1")->isVisible());
  EXPECT_TRUE(get<QTabWidget>("PageControl1")->tabBar()->isVisible());
  // Enable states follow the loaded values.
  EXPECT_TRUE(get<QSpinBox>("edBLP1Colors")->isEnabled());
  EXPECT_FALSE(get<QSpinBox>("edBLP1Quality")->isEnabled());
  EXPECT_TRUE(get<QCheckBox>("chkTGA_Override")->isEnabled());
  EXPECT_EQ(get<QSpinBox>("edJPG_Quality")->value(), 42);

  get<QRadioButton>("rbxBLP2Paletted")->setChecked(true);
  EXPECT_TRUE(get<QSpinBox>("edBLP2Colors")->isEnabled());
  EXPECT_FALSE(get<QCheckBox>("chkBLP2ErrorDiff2")->isEnabled());
  get<QSpinBox>("edBLP2Colors")->setValue(16);
  get<QCheckBox>("chkPNG_FilterPaeth")->setChecked(true);
  get<QSpinBox>("edDDS_Mipmaps")->setValue(5);
  get<QPushButton>("btnOK")->click();
  EXPECT_EQ(settingsWrites, 1);
  EXPECT_EQ(settings.formatOptions.blp2.Blp2Encoding, 1);
  EXPECT_EQ(settings.formatOptions.blp2.Blp2ColorsMinus1, 15);
  EXPECT_EQ(settings.formatOptions.png.PngFilterPaeth, 1);
  EXPECT_EQ(settings.formatOptions.dds.DdsMipmapsMinus1, 4);
  EXPECT_EQ(settings.formatOptions.jpg.JpgQuality, 42);

  // Showing again and confirming unchanged stores the same bytes.
  const auto before = Bytes(settings.formatOptions);
  form->show();
  get<QPushButton>("btnOK")->click();
  EXPECT_EQ(Bytes(settings.formatOptions), before);
}

TEST_F(OptionsForm, CancelStoresNothing) {
  const auto before = Bytes(settings.formatOptions);
  form->show();
  get<QSpinBox>("edJPG_Quality")->setValue(3);
  get<QPushButton>("btnCancel")->click();
  EXPECT_EQ(Bytes(settings.formatOptions), before);
  EXPECT_EQ(settingsWrites, 0);
}

TEST_F(OptionsForm, SaveModeStoresOnlyTheChosenPageAndWrites) {
  settings.formatOptions.png.PngFilterUp = 0;
  controller->setSaveMode(true);
  form->show();
  EXPECT_EQ(form->windowTitle(), "Title1");
  EXPECT_TRUE(get<QWidget>("Panel1")->isVisible());
  EXPECT_FALSE(get<QTabWidget>("PageControl1")->tabBar()->isVisible());
  get<QComboBox>("boxFileExt")->setCurrentIndex(3);
  EXPECT_EQ(get<QTabWidget>("PageControl1")->currentIndex(), 3);
  get<QCheckBox>("chkPNG_FilterUp")->setChecked(true);  // another page: not stored
  get<QCheckBox>("chkTGA_RLE")->setChecked(true);
  get<QLineEdit>("edFileName")->setText(dir.path() + "/tex.tga");
  get<QPushButton>("btnOK")->click();
  EXPECT_TRUE(prompts->messages.empty());
  EXPECT_EQ(controller->lastSavedFile(), dir.path() + "/tex.tga");  // not tex.tga.tga
  EXPECT_TRUE(QFile::exists(dir.path() + "/tex.tga"));
  EXPECT_EQ(settings.formatOptions.tga.TgaRle, 1);
  EXPECT_EQ(settings.formatOptions.png.PngFilterUp, 0);
  EXPECT_EQ(settingsWrites, 1);
}

TEST_F(OptionsForm, EmptyNameAsksForOneAndBmpHasNoPage) {
  SaveAs("", 0);
  ASSERT_EQ(prompts->messages.size(), 1u);
  EXPECT_EQ(prompts->messages[0].text, "M5");
  EXPECT_EQ(prompts->messages[0].caption, "T1");
  EXPECT_TRUE(form->isVisible());
  EXPECT_EQ(settingsWrites, 0);

  get<QComboBox>("boxFileExt")->setCurrentIndex(6);
  EXPECT_FALSE(get<QTabWidget>("PageControl1")->isVisible());
  get<QLineEdit>("edFileName")->setText(dir.path() + "/plain");
  get<QPushButton>("btnOK")->click();
  EXPECT_TRUE(QFile::exists(dir.path() + "/plain.bmp"));
}

TEST_F(OptionsForm, Blp1SizeWarningsThenSavedAnyway) {
  struct Case { int w, h; QString message; };
  const Case cases[] = {{100, 64, "M7"}, {64, 100, "M8"}, {100, 100, "M6"}, {1, 1, ""}};
  int n = 0;
  for (const Case& c : cases) {
    image = PhotoBitmap(c.w, c.h, false);
    prompts->messages.clear();
    const QString name = dir.path() + QString("/w%1").arg(n++);
    SaveAs(name, 0);
    if (c.message.isEmpty()) {
      EXPECT_TRUE(prompts->messages.empty());
    } else {
      ASSERT_EQ(prompts->messages.size(), 1u);
      EXPECT_EQ(prompts->messages[0].text, c.message);
      EXPECT_EQ(prompts->messages[0].caption, "T2");
      EXPECT_EQ(prompts->messages[0].icon, DialogPrompts::Icon::Warning);
    }
    EXPECT_TRUE(QFile::exists(name + ".blp"));
  }
}

TEST_F(OptionsForm, BrowseSetsNameAndFormat) {
  controller->setSaveMode(true);
  form->show();
  prompts->saveChoice = DialogPrompts::SaveChoice{"/t/photo.png", 1};
  get<QPushButton>("btnBrowse")->click();
  EXPECT_EQ(get<QLineEdit>("edFileName")->text(), "/t/photo");
  EXPECT_EQ(get<QComboBox>("boxFileExt")->currentIndex(), 4);
  prompts->saveChoice = DialogPrompts::SaveChoice{"/t/other.gif", 1};
  get<QPushButton>("btnBrowse")->click();
  EXPECT_EQ(get<QLineEdit>("edFileName")->text(), "/t/other");
  EXPECT_EQ(get<QComboBox>("boxFileExt")->currentIndex(), 4);  // unknown extension: unchanged
  prompts->saveChoice.reset();  // cancelled
  get<QPushButton>("btnBrowse")->click();
  EXPECT_EQ(get<QLineEdit>("edFileName")->text(), "/t/other");
  get<QPushButton>("btnAlphaOptions")->click();
  EXPECT_EQ(alphaOpened, 1);
}

TEST(AlphaForm, ShowChecksTheTreatmentOkTakesTheChoiceCancelKeepsIt) {
  QDialog form;
  AddNamed<QRadioButton>(&form, {"chkAlphaNoChange", "chkAlphaAddOpaque", "chkAlphaRemove", "chkAlphaSpec", "chkAlphaOnepx"});
  AddNamed<QPushButton>(&form, {"btnOK", "btnCancel"});
  std::uint8_t treatment = 3;
  new AlphaFormController(&form, &treatment);
  form.show();
  EXPECT_TRUE(form.findChild<QRadioButton*>("chkAlphaSpec")->isChecked());
  form.findChild<QRadioButton*>("chkAlphaOnepx")->setChecked(true);
  form.findChild<QPushButton*>("btnCancel")->click();
  EXPECT_EQ(treatment, 3);
  form.show();
  EXPECT_TRUE(form.findChild<QRadioButton*>("chkAlphaSpec")->isChecked());
  form.findChild<QRadioButton*>("chkAlphaRemove")->setChecked(true);
  form.findChild<QPushButton*>("btnOK")->click();
  EXPECT_EQ(treatment, 2);
  form.close();
}

// The settings window's OK and Cancel over the settings file and the controls, and the about
// window's library-version line and links.
#include "settings_actions.hpp"
#include "settings_form_controllers.hpp"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "dialog_test_support.hpp"
#include "ormel_blp.h"

using namespace ondrel;
using namespace ondrel::dialogs;
using namespace ondrel_test;

class SettingsWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    QDir().mkpath(dir.filePath("bin"));
    context.place.programFolder = dir.filePath("bin") + '/';
    context.place.settingsFile = context.place.programFolder + "ondrel.ini";
    context.place.executablePath = context.place.programFolder + "ondrel";
    context.place.xdg = {dir.filePath("data"), dir.filePath("config")};
    QFile lng(context.place.programFolder + "English.lng");
    ASSERT_TRUE(lng.open(QIODevice::WriteOnly));
    imageInfo = new QAction(&main);
    imageInfo->setObjectName("mnuImageInfo");
    imageInfo->setCheckable(true);
    QObject::connect(imageInfo, &QAction::toggled, [this](bool on) { panelShown = on; });
    form = std::make_unique<QDialog>();
    AddNamed<QCheckBox>(form.get(), {"chkLanczos", "chkResizeWindow", "chkAssociate", "chkRunOneApp", "chkUseManifest"});
    AddNamed<QComboBox>(form.get(), {"boxLanguage"});
    AddNamed<QPushButton>(form.get(), {"btnOK", "btnCancel"});
    context.settings = &settings;
    context.windows = {&main, nullptr, nullptr, form.get()};
    context.reloadLanguage = [this] { ++languageLoads; };
    LoadSettings(context.place, settings, kAllSettings);
    ShowSettings(settings, kAllSettings, context.windows);
    new SettingsFormController(form.get(), context);
  }
  void TearDown() override { form.reset(); }
  QCheckBox* box(const char* name) { return form->findChild<QCheckBox*>(name); }

  QTemporaryDir dir;
  SettingsWindowContext context;
  OndrelSettings settings;
  QWidget main;
  QAction* imageInfo = nullptr;
  bool panelShown = false;
  std::unique_ptr<QDialog> form;
  int languageLoads = 0;
};

TEST_F(SettingsWindow, CancelRestoresTheFileValuesAndKeepsThePanel) {
  ASSERT_TRUE(box("chkLanczos")->isChecked());
  const QByteArray fileBefore = QFile::exists(context.place.settingsFile) ? QByteArray("x") : QByteArray();
  form->show();
  box("chkLanczos")->setChecked(false);
  box("chkResizeWindow")->setChecked(false);
  imageInfo->setChecked(true);  // the panel shown from the main window meanwhile
  form->findChild<QPushButton*>("btnCancel")->click();
  EXPECT_TRUE(box("chkLanczos")->isChecked());
  EXPECT_TRUE(box("chkResizeWindow")->isChecked());
  EXPECT_TRUE(imageInfo->isChecked());
  EXPECT_TRUE(panelShown);
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(languageLoads, 0);
  EXPECT_EQ(QFile::exists(context.place.settingsFile) ? QByteArray("x") : QByteArray(), fileBefore);
}

TEST_F(SettingsWindow, OkWritesReadsBackAndReloadsTheLanguage) {
  form->show();
  box("chkLanczos")->setChecked(false);
  box("chkRunOneApp")->setChecked(false);
  form->findChild<QPushButton*>("btnOK")->click();
  EXPECT_EQ(languageLoads, 1);
  EXPECT_FALSE(form->isVisible());
  OndrelSettings stored;
  LoadSettings(context.place, stored, kAllSettings);
  EXPECT_FALSE(stored.program.lanczos);
  EXPECT_FALSE(stored.program.runOneApp);
  EXPECT_EQ(stored.program.language, "English.lng");
  EXPECT_FALSE(box("chkLanczos")->isChecked());
}

TEST(AboutWindow, LibraryVersionLine) {
  EXPECT_EQ(LibraryVersionLine("ormel_blp version:", 1, 2, 3, 4), "ormel_blp version: 1.2.3.4");
  EXPECT_EQ(LibraryVersionLine("50% %1 version:", 0, 5, 0, 500), "50% %1 version: 0.5.0.500");
  std::uint16_t a = 0, b = 0, c = 0, d = 0;
  GetLibraryVersion(&a, &b, &c, &d);
  EXPECT_EQ(LibraryVersionLine("v:"), QString("v: %1.%2.%3.%4").arg(a).arg(b).arg(c).arg(d));
}

TEST(AboutWindow, LinksOpenOurOwnDocuments) {
  const auto links = AboutLinks(QString(ONDREL_SOURCE_DIR) + "/build/bin/");
  EXPECT_EQ(links[0], QUrl::fromLocalFile(QString(ONDREL_SOURCE_DIR) + "/README.md"));
  EXPECT_TRUE(links[1].toLocalFile().endsWith("/docs/user-guide.md"));
  for (const QUrl& link : links) EXPECT_TRUE(link.isLocalFile());
}

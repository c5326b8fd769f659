// The main window as a viewer, driven through its real controls: opening each format, the load
// error, drops, folder stepping, mipmap switching, the alpha views and the zoom controls.
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include "image_view_widget.hpp"
#include "language_loader.hpp"
#include "language_texts.hpp"
#include "message_format.hpp"
#include "qt_print.hpp"
#include "special_files.hpp"
#include "viewer_window.hpp"

using namespace ondrel;

namespace {

struct ShownMessage {
  QMessageBox::Icon icon;
  QString caption, text;
};

class ViewerWindowTest : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  OndrelWindows windows = CreateWindows();
  OndrelSettings settings;
  std::unique_ptr<ViewerWindow> viewer;
  std::vector<ShownMessage> messages;
  Ui::TOndrelForm& ui = windows.ondrelForm->ui;

  void SetUp() override {
    windows.settingsForm->ui.boxLanguage->addItem("English.lng");
    windows.settingsForm->ui.boxLanguage->setCurrentIndex(0);
    LoadLanguage(windows, ONDREL_SOURCE_DIR "/lang/", false);
    settings.program.resizeWin = false;
    settings.program.lanczos = false;
    viewer = std::make_unique<ViewerWindow>(windows, settings);
    viewer->showMessage = [this](QMessageBox::Icon icon, const QString& caption, const QString& text) {
      messages.push_back({icon, caption, text});
    };
    windows.ondrelForm->show();
  }

  // A copy of a fixture in the test's own folder, under `name`.
  QString Fixture(const QString& relative, const QString& name) {
    const QString target = dir.filePath(name);
    EXPECT_TRUE(QFile::copy(QString(ONDREL_FIXTURES "/") + relative, target)) << relative.toStdString();
    return target;
  }

  QString Caption(int index) const { return LanguageTexts().CAPTIONS[std::size_t(index)]; }
};

TEST_F(ViewerWindowTest, BeforeAnyImageOnlyOpenAndTheToolsWork) {
  EXPECT_EQ(windows.ondrelForm->windowTitle(), "Ondrel");
  for (QAction* off : {ui.mnuSaveAs, ui.mnuSaveOpti, ui.mnuSaveOptiAs, ui.mnuShowAlpha, ui.mnuShowTrans,
                       ui.mnuComments, ui.actFilePrev, ui.actFileNext, ui.actZoomIn, ui.actZoomOut})
    EXPECT_FALSE(off->isEnabled()) << off->objectName().toStdString();
  EXPECT_TRUE(ui.mnuOpen->isEnabled());
  EXPECT_EQ(ui.boxZoom->count(), 7);
  EXPECT_EQ(ui.boxZoom->itemText(6), "1600%");
}

TEST_F(ViewerWindowTest, OpensEachFormatWithTitlePanelAndCommands) {
  struct Case {
    const char* fixture;
    const char* name;
    bool blp1, alpha, mipmapList;
  } cases[] = {
      {"blp/blp1_paletted_alpha.blp", "a.blp", true, true, true},
      {"blp/blp2_dxt1.blp", "b.blp", false, false, true},
      {"blp/blp2_paletted.blp", "c.blp", false, false, true},
      {"tga/im_type2_24.tga", "d.tga", false, false, false},
      {"tga/im_type2_32.tga", "e.tga", false, true, false},
      {"jpeg/photo.jpg", "f.jpg", false, false, false},
      {"png/grey8.png", "g.png", false, false, false},
      {"dds/im_dxt5.dds", "h.dds", false, true, false},
      {"bmp/photo24.bmp", "i.bmp", false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fixture);
    const QString path = Fixture(c.fixture, c.name);
    ASSERT_TRUE(viewer->openImage(path, true));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(windows.ondrelForm->windowTitle(), QString(c.name) + " - Ondrel");
    const TBitmap& source = viewer->source();
    EXPECT_EQ(ui.lblWidthHeight->text(), Caption(0) + QString::number(source.width()) + " | " + Caption(1) +
                                             QString::number(source.height()));
    EXPECT_TRUE(ui.lblImageColors->text().startsWith(Caption(2)));
    EXPECT_TRUE(ui.mnuSaveAs->isEnabled());
    EXPECT_EQ(ui.mnuComments->isEnabled(), c.blp1);
    EXPECT_EQ(ui.mnuSaveOpti->isEnabled(), c.blp1);
    EXPECT_EQ(ui.mnuSaveOptiAs->isEnabled(), c.blp1);
    EXPECT_EQ(ui.mnuShowAlpha->isEnabled(), c.alpha);
    EXPECT_EQ(ui.btnShowTrans->isEnabled(), c.alpha);
    EXPECT_TRUE(ui.actZoomIn->isEnabled() && ui.actFileNext->isEnabled() && ui.boxZoom->isEnabled());
    EXPECT_EQ(ui.boxZoom->currentText(), "100%");
    EXPECT_EQ(ui.sb1->zoom(), 100);
    EXPECT_EQ(ui.sb1->sourceSize(), QSize(source.width(), source.height()));
    EXPECT_EQ(ui.boxBLPMipmaps->isVisibleTo(ui.p1), c.mipmapList);
    if (c.mipmapList) EXPECT_EQ(ui.boxBLPMipmaps->currentRow(), 1);  // the line of the full size
  }
  // Each open rescans the folder, which by now holds every fixture; the .bmp files come first.
  EXPECT_EQ(ui.edFileNum->text(), QString("1/%1").arg(std::size(cases)));
  EXPECT_EQ(ui.edFileDir->text(), QDir::toNativeSeparators(dir.path() + "/"));
}

TEST_F(ViewerWindowTest, ALoadErrorShowsTheBoxAndKeepsThePicture) {
  const QString good = Fixture("tga/im_type2_24.tga", "good.tga");
  ASSERT_TRUE(viewer->openImage(good, true));
  for (const char* name : {"broken.blp", "notes.txt"}) {
    SCOPED_TRACE(name);
    QFile bad(dir.filePath(name));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("BLP2 not really a texture");
    bad.close();
    messages.clear();
    EXPECT_FALSE(viewer->openImage(bad.fileName(), true));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text.section('\n', 0, 0), QString(name) + ": " + LanguageTexts().MESSAGES[9]);
    EXPECT_EQ(messages[0].caption, LanguageTexts().MSGTYPES[0]);
    EXPECT_EQ(windows.ondrelForm->windowTitle(), "good.tga - Ondrel");
    EXPECT_FALSE(ui.sb1->sourceSize().isEmpty());
  }
}

TEST_F(ViewerWindowTest, TheLoadErrorSaysWhyOnItsSecondLine) {
  const QString good = Fixture("tga/im_type2_24.tga", "good.tga");
  ASSERT_TRUE(viewer->openImage(good, true));
  const auto files = ondrel_test::SpecialFiles::MakeIn(dir.path(), ".png");
  QFile::copy(Fixture("jpeg/photo.jpg", "photo.jpg"), dir.filePath("photo.dds"));
  QFile notes(dir.filePath("notes.txt"));
  ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
  notes.write("text");
  notes.close();
  const auto& reasons = LanguageTexts().REASONS;
  ASSERT_FALSE(reasons[0].isEmpty());
  const struct {
    QString path;
    QString reason;
  } cases[] = {
      {dir.filePath("missing.png"), reasons[0]},
      {files.folder, reasons[2]},
      {files.fifo, reasons[3]},
      {files.deviceLink, reasons[3]},
      {dir.filePath("photo.dds"), FormatMessage(reasons[6], {QString("JPEG"), QString("DDS")})},
      {dir.filePath("notes.txt"), FormatMessage(reasons[8], {QString(".txt")})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    messages.clear();
    EXPECT_FALSE(viewer->openImage(c.path, true));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, QFileInfo(c.path).fileName() + ": " + LanguageTexts().MESSAGES[9] + "\n" + c.reason);
    EXPECT_EQ(windows.ondrelForm->windowTitle(), "good.tga - Ondrel");
  }
  QFile::setPermissions(files.unreadable, QFile::ReadOwner | QFile::WriteOwner);
}

TEST_F(ViewerWindowTest, DroppingThreeFilesOpensOnlyTheFirst) {
  const QList<QUrl> urls = {QUrl::fromLocalFile(Fixture("bmp/photo24.bmp", "one.bmp")),
                            QUrl::fromLocalFile(Fixture("tga/im_type2_24.tga", "two.tga")),
                            QUrl::fromLocalFile(Fixture("jpeg/photo.jpg", "three.jpg"))};
  QMimeData data;
  data.setUrls(urls);
  const QPointF where(windows.ondrelForm->rect().center());
  QDragEnterEvent enter(where.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(windows.ondrelForm.get(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDropEvent drop(where, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(windows.ondrelForm.get(), &drop);
  EXPECT_EQ(windows.ondrelForm->windowTitle(), "one.bmp - Ondrel");
  EXPECT_EQ(viewer->navigator().fileCount(), 3);
}

TEST_F(ViewerWindowTest, PreviousAndNextWrapAroundTheFolder) {
  // The scan groups by extension: .bmp, .tga, then .jpg.
  const QString bmp = Fixture("bmp/photo24.bmp", "a.bmp");
  Fixture("tga/im_type2_24.tga", "b.tga");
  Fixture("jpeg/photo.jpg", "c.jpg");
  ASSERT_TRUE(viewer->openImage(bmp, true));
  EXPECT_EQ(ui.edFileNum->text(), "1/3");

  ui.btnFilePrev->click();
  EXPECT_EQ(windows.ondrelForm->windowTitle(), "c.jpg - Ondrel");
  EXPECT_EQ(ui.edFileNum->text(), "3/3");
  ui.btnFileNext->click();
  EXPECT_EQ(windows.ondrelForm->windowTitle(), "a.bmp - Ondrel");
  // Ctrl+Right from any control of the window steps too, and a deleted file is skipped.
  ASSERT_TRUE(QFile::remove(dir.filePath("b.tga")));
  ui.edFileDir->setFocus();
  QTest::keyClick(ui.edFileDir, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(windows.ondrelForm->windowTitle(), "c.jpg - Ondrel");

  // The file-number entry opens the entry it names; text that is no number only restores it.
  ui.edFileNum->setText("1");
  QTest::keyClick(ui.edFileNum, Qt::Key_Return);
  EXPECT_EQ(windows.ondrelForm->windowTitle(), "a.bmp - Ondrel");
  ui.edFileNum->setText("x");
  QTest::keyClick(ui.edFileNum, Qt::Key_Return);
  EXPECT_EQ(ui.edFileNum->text(), "1/3");
  EXPECT_TRUE(messages.empty());
}

TEST_F(ViewerWindowTest, WithOneFileStepsDoNothing) {
  ASSERT_TRUE(viewer->openImage(Fixture("bmp/photo24.bmp", "only.bmp"), true));
  ui.btnFileNext->click();
  ui.btnFilePrev->click();
  EXPECT_EQ(windows.ondrelForm->windowTitle(), "only.bmp - Ondrel");
  EXPECT_EQ(ui.edFileNum->text(), "1/1");
}

TEST_F(ViewerWindowTest, ChoosingAMipmapLineShowsThatLevelAndAFailureShowsTheBox) {
  // The sample texture the build makes: a full mipmap chain.
  const QString path = dir.filePath("tex.blp");
  ASSERT_TRUE(QFile::copy(ONDREL_PROGRAM_DIR "/sample.blp", path));
  ASSERT_TRUE(viewer->openImage(path, true));
  const QSize full = ui.sb1->sourceSize();
  ASSERT_GE(ui.boxBLPMipmaps->count(), 3);

  ui.boxBLPMipmaps->setCurrentRow(2);
  EXPECT_EQ(viewer->currentMipmap(), 1);
  EXPECT_EQ(ui.sb1->sourceSize(), QSize(std::max(1, full.width() / 2), std::max(1, full.height() / 2)));
  EXPECT_EQ(ui.lblWidthHeight->text(), Caption(0) + QString::number(ui.sb1->sourceSize().width()) + " | " +
                                           Caption(1) + QString::number(ui.sb1->sourceSize().height()));
  // Ctrl+PgUp goes back to the full size.
  QTest::keyClick(windows.ondrelForm.get(), Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(viewer->currentMipmap(), 0);
  EXPECT_EQ(ui.sb1->sourceSize(), full);
  // The header line changes nothing.
  ui.boxBLPMipmaps->setCurrentRow(0);
  EXPECT_EQ(viewer->currentMipmap(), 0);

  // The file loses its levels behind the viewer's back: the box, and the picture stays.
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadWrite));
  ASSERT_TRUE(file.resize(200));
  file.close();
  ui.boxBLPMipmaps->setCurrentRow(3);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
  EXPECT_EQ(messages[0].text, LanguageTexts().MESSAGES[0]);
  EXPECT_EQ(viewer->currentMipmap(), 2);
  EXPECT_EQ(ui.sb1->sourceSize(), full);
}

TEST_F(ViewerWindowTest, AlphaViewsFollowTheCheckedItemAndStayOffFor24Bit) {
  ASSERT_TRUE(viewer->openImage(Fixture("tga/im_type2_32.tga", "a.tga"), true));
  ui.btnShowAlpha->click();
  EXPECT_TRUE(ui.mnuShowAlpha->isChecked());
  EXPECT_EQ(ui.sb1->alphaView(), AlphaView::AlphaAsGrey);
  ui.mnuShowTrans->trigger();
  EXPECT_FALSE(ui.mnuShowAlpha->isChecked());
  EXPECT_TRUE(ui.btnShowTrans->isChecked());
  EXPECT_EQ(ui.sb1->alphaView(), AlphaView::Checkerboard);
  ui.btnShowTrans->click();
  EXPECT_EQ(ui.sb1->alphaView(), AlphaView::Colours);

  ui.mnuShowTrans->trigger();
  ASSERT_TRUE(viewer->openImage(Fixture("tga/im_type2_24.tga", "b.tga"), true));
  EXPECT_FALSE(ui.mnuShowAlpha->isEnabled() || ui.mnuShowTrans->isEnabled());
  EXPECT_FALSE(ui.btnShowAlpha->isChecked() || ui.btnShowTrans->isChecked());
  EXPECT_EQ(ui.sb1->alphaView(), AlphaView::Colours);
}

TEST_F(ViewerWindowTest, ZoomControlsReachTheView) {
  ASSERT_TRUE(viewer->openImage(Fixture("tga/im_type2_24.tga", "a.tga"), true));
  const auto typed = [&](const QString& text) {
    ui.boxZoom->setEditText(text);
    QTest::keyClick(ui.boxZoom->lineEdit(), Qt::Key_Return);
    return ui.sb1->zoom();
  };
  ui.btnZoomIn->click();
  EXPECT_EQ(ui.sb1->zoom(), 125);
  EXPECT_EQ(ui.boxZoom->currentText(), "125%");
  ui.btnZoomOut->click();
  ui.btnZoomOut->click();
  EXPECT_EQ(ui.sb1->zoom(), 90);
  EXPECT_EQ(typed("150%"), 150);
  EXPECT_EQ(typed("1"), 150);
  EXPECT_EQ(typed(""), 150);
  EXPECT_EQ(typed("2000"), 2000);
  EXPECT_EQ(ui.sb1->viewSize(), ui.sb1->sourceSize() * 20);
  ui.boxZoom->setCurrentIndex(0);
  emit ui.boxZoom->activated(0);
  EXPECT_EQ(ui.sb1->zoom(), 25);
  QTest::keyClick(windows.ondrelForm.get(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(ui.sb1->zoom(), 35);
  // A new picture starts at 100 %.
  ASSERT_TRUE(viewer->openImage(dir.filePath("a.tga"), false));
  EXPECT_EQ(ui.sb1->zoom(), 100);
}

TEST_F(ViewerWindowTest, SaveOptimisedReportsWhatItSavedAndSkipsOtherFiles) {
  const QString path = Fixture("blp/blp1_paletted_alpha.blp", "pal.blp");
  ASSERT_TRUE(viewer->openImage(path, true));
  const QByteArray before = [&] {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }();
  ui.mnuSaveOpti->trigger();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].caption, LanguageTexts().MSGTYPES[1]);
  const qint64 saved = before.size() - QFileInfo(path).size();
  const QString native = QDir::toNativeSeparators(path);
  EXPECT_EQ(messages[0].text, saved > 0 ? FormatMessage(LanguageTexts().MESSAGES[13], {native, saved})
                                        : FormatMessage(LanguageTexts().MESSAGES[14], {native}));
  // The file still opens, whatever the rewrite saved.
  EXPECT_TRUE(viewer->openImage(path, false));

  // A file that is no BLP1 is left alone, without a box.
  messages.clear();
  ASSERT_TRUE(viewer->openImage(Fixture("tga/im_type2_24.tga", "a.tga"), true));
  viewer->saveOptimised(false);
  EXPECT_TRUE(messages.empty());
}

// Save optimised as: a chosen "out.tga" becomes "out.blp"; when that file is there, the user
// is asked, and No leaves it as it was.
TEST_F(ViewerWindowTest, SaveOptimisedAsAsksWhenTheBlpNameMeetsAnExistingFile) {
  const QString path = Fixture("blp/blp1_paletted_alpha.blp", "pal.blp");
  ASSERT_TRUE(viewer->openImage(path, true));
  const QString existing = dir.filePath("out.blp");
  ASSERT_TRUE(QFile(existing).open(QIODevice::WriteOnly));  // an empty file stands for another texture
  QStringList asked;
  viewer->askReplace = [&](const QString&, const QString& text) {
    asked << text;
    return false;
  };
  const auto chooseInDialog = [&](const QString& name) {
    QTimer::singleShot(0, [name] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_TRUE(dialog);
      dialog->selectFile(name);
      QMetaObject::invokeMethod(dialog, "accept");
    });
  };
  chooseInDialog(dir.filePath("out.tga"));
  ui.mnuSaveOptiAs->trigger();
  ASSERT_EQ(asked.size(), 1);
  EXPECT_EQ(asked[0], FormatMessage(LanguageTexts().NAMED[std::size_t(NamedMessage::ReplaceFile)],
                                    {QDir::toNativeSeparators(existing)}));
  EXPECT_EQ(QFileInfo(existing).size(), 0);
  EXPECT_TRUE(messages.empty());

  // A name that is not there yet is written without a question.
  chooseInDialog(dir.filePath("new.tga"));
  ui.mnuSaveOptiAs->trigger();
  EXPECT_EQ(asked.size(), 1);
  EXPECT_TRUE(QFileInfo(dir.filePath("new.blp")).size() > 0);
}

TEST_F(ViewerWindowTest, TheStatusLineShowsThePixelUnderTheCursor) {
  ASSERT_TRUE(viewer->openImage(Fixture("tga/im_type2_32.tga", "a.tga"), true));
  auto* readout = windows.ondrelForm->findChild<QLabel*>("lblPixel");
  ASSERT_NE(readout, nullptr);
  QWidget* viewport = ui.sb1->viewport();
  QTest::mouseMove(viewport, ui.sb1->viewOffset() + QPoint(1, 1));
  EXPECT_TRUE(readout->text().startsWith("1, 1")) << readout->text().toStdString();
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(ui.sb1, &leave);
  EXPECT_TRUE(readout->text().isEmpty());
}

TEST_F(ViewerWindowTest, TheWindowFitsThePictureWithinTheScreen) {
  settings.program.resizeWin = true;
  TOndrelForm& form = *windows.ondrelForm;
  const QRect work = form.screen()->availableGeometry();
  // The wide picture first: its scroll bar must not stay for the picture that fits after it.
  const QSize pictures[] = {{work.width() * 2, 40}, work.size() / 3, {8, 8}, {30, work.height() * 2}};
  int n = 0;
  for (const QSize size : pictures) {
    SCOPED_TRACE(n);
    QImage picture(size, QImage::Format_RGB888);
    picture.fill(Qt::darkCyan);
    const QString path = dir.filePath(QString("p%1.bmp").arg(n++));
    ASSERT_TRUE(picture.save(path));
    ASSERT_TRUE(viewer->openImage(path, false));
    QCoreApplication::processEvents();
    EXPECT_TRUE(work.contains(form.frameGeometry()));
    const QSize viewport = ui.sb1->viewport()->size();
    // The picture and its margin fit where the screen allows; the window is no larger than
    // that unless its minimum asks for more.
    if (size.width() + 16 <= work.width() / 2 && size.height() + 16 <= work.height() / 2) {
      EXPECT_GE(viewport.width(), size.width() + 16);
      EXPECT_TRUE(viewport.width() == size.width() + 16 || form.width() == form.minimumWidth());
      EXPECT_EQ(ui.sb1->horizontalScrollBar()->maximum(), 0);
      EXPECT_EQ(ui.sb1->verticalScrollBar()->maximum(), 0);
    } else if (size.width() > work.width()) {
      EXPECT_EQ(form.frameGeometry().width(), work.width());
    }
  }
}

}  // namespace

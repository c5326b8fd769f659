// Draws the dialogs in the states their behaviour gives them into PNG files, for people to
// look at: save mode and options mode of the save options, the converter after a run and the
// summary of a run that went wrong, the optimizer's log, the comment editor over capacity, the
// about window with its links.
//   ondrel_dialog_shots <folder>      (headless: QT_QPA_PLATFORM=offscreen, or under xvfb-run)
#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>

#include "UnitBLPImageUtils.hpp"
#include "install_dialogs.hpp"
#include "language_loader.hpp"
#include "message_format.hpp"
#include "shot_home.hpp"
#include "test_files.hpp"

using namespace ondrel;
using namespace ondrel::dialogs;

namespace {

bool Save(QWidget& window, const QString& path) {
  window.show();
  QCoreApplication::processEvents();
  const bool saved = window.grab().save(path);
  std::printf("%s %s\n", saved ? "wrote" : "failed", qPrintable(path));
  return saved;
}

// Boxes are not drawn; the run goes on as if each was confirmed. The last report is kept, to
// be drawn on its own.
class SilentPrompts : public DialogPrompts {
 public:
  struct Report {
    QString text, details, caption;
    Icon icon = Icon::Information;
  };
  Report lastReport;

  void message(QWidget*, const QString&, const QString&, Icon) override {}
  bool askYesNo(QWidget*, const QString&, const QString&) override { return true; }
  bool askReplace(QWidget*, const QString&, const QString&) override { return true; }
  void report(QWidget*, const QString& text, const QString& details, const QString& caption, Icon icon) override {
    lastReport = {text, details, caption, icon};
  }
  std::optional<QString> chooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
  std::optional<SaveChoice> chooseSaveFile(QWidget*, const QString&) override { return {}; }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ondrel_dialog_shots <folder>\n");
    return 2;
  }
  // The paths the dialogs show are a user's textures folder and its neighbours.
  const ondrel_test::ShotHome home(ONDREL_SOURCE_DIR "/desktop/ondrel-blp.xml");
  QApplication app(argc, argv);
  const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + "/";
  const QDir work(home.home());
  const QString src = home.textures();
  QDir().mkpath(src + "walls");
  const FileFormatOptions designed = DesignedFileFormatOptions();
  const TBitmap picture = ondrel_test::PhotoBitmap(128, 128, true);
  SavePngImage(src + "rock.png", picture, designed);
  SaveTgaImage(src + "walls/brick.tga", picture, designed);
  FileFormatOptions paletted = designed;
  paletted.blp1.Blp1Paletted = 1;
  paletted.blp1.Blp1CompressPalette = 0;
  SaveBlpImage(src + "grass.blp", ondrel_test::PhotoBitmap(64, 64, false), 0, paletted, false);
  SaveBlpImage(src + "sky.blp", picture, 1, designed, true);

  const OndrelWindows windows = CreateWindows();
  windows.settingsForm->ui.boxLanguage->addItem("English.lng");
  windows.settingsForm->ui.boxLanguage->setCurrentIndex(0);
  LoadLanguage(windows, ONDREL_SOURCE_DIR "/lang/", false);
  OndrelSettings settings;
  QString currentFile = src + "grass.blp";
  DialogServices services;
  services.place.programFolder = work.path() + '/';
  services.place.settingsFile = work.filePath("ondrel.ini");
  services.settings = &settings;
  services.currentImage = [&]() -> std::optional<std::pair<TBitmap, bool>> { return std::pair{picture, true}; };
  services.currentFile = [&] { return currentFile; };
  const auto prompts = std::make_shared<SilentPrompts>();
  services.prompts = prompts;
  const auto controllers = InstallDialogs(windows, services);

  bool ok = true;
  auto& options = windows.optionsForm->ui;
  controllers->options->setSaveMode(true);
  options.edFileName->setText(work.filePath("exports/rock"));
  options.boxFileExt->setCurrentIndex(0);
  ok &= Save(*windows.optionsForm, folder + "save-as-blp1.png");
  options.rbxBLP1Paletted->setChecked(true);
  ok &= Save(*windows.optionsForm, folder + "save-as-blp1-paletted.png");
  windows.optionsForm->hide();
  controllers->options->setSaveMode(false);
  windows.optionsForm->show();
  options.PageControl1->setCurrentIndex(3);
  options.chkTGA_RLE->setChecked(true);
  ok &= Save(*windows.optionsForm, folder + "format-options-tga.png");
  windows.optionsForm->hide();

  auto& convert = windows.convertForm->ui;
  convert.edSourceFolder->setText(src);
  convert.edDestFolder->setText(work.filePath("converted"));
  convert.boxFormatDest->setCurrentIndex(3);
  convert.btnConvert->click();
  ok &= Save(*windows.convertForm, folder + "converter-after-run.png");

  // A second run that goes wrong twice over: one target is taken by a folder, and two files of
  // one name meet in the destination because the folder structure is not kept.
  SavePngImage(src + "walls/rock.png", ondrel_test::PhotoBitmap(32, 32, false), designed);
  QDir().mkpath(work.filePath("converted-flat/sky.blp"));
  convert.edDestFolder->setText(work.filePath("converted-flat"));
  convert.chkSubfolders->setChecked(true);
  convert.chkFolderStruct->setChecked(false);
  convert.btnConvert->click();
  {
    const auto& report = prompts->lastReport;
    QMessageBox box(report.icon == DialogPrompts::Icon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                    report.caption, report.text, QMessageBox::Ok, windows.convertForm);
    if (!report.details.isEmpty()) box.setDetailedText(report.details);
    ok &= Save(box, folder + "converter-summary.png");
  }
  {
    // The question Save as asks before a typed name replaces a file.
    QMessageBox box(QMessageBox::Warning, LanguageTexts().MSGTYPES[2],
                    FormatMessage(LanguageTexts().NAMED[std::size_t(NamedMessage::ReplaceFile)],
                                  {src + "rock.tga"}),
                    QMessageBox::Yes | QMessageBox::No, windows.optionsForm);
    box.setDefaultButton(QMessageBox::No);
    ok &= Save(box, folder + "save-as-replace.png");
  }

  auto& optimize = windows.optimizeForm->ui;
  optimize.edSourceFolder->setText(src);
  optimize.btnOptimize->click();
  ok &= Save(*windows.optimizeForm, folder + "optimizer-log.png");

  windows.commentForm->show();
  windows.commentForm->ui.memComment->setPlainText(
      "Grass, summer set.\nMade for the north meadow; please keep this line when editing the texture.");
  ok &= Save(*windows.commentForm, folder + "comment-over-capacity.png");
  windows.commentForm->hide();

  ok &= Save(*windows.aboutForm, folder + "about.png");
  return ok ? 0 : 1;
}

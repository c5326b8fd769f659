// The comment editor: counting (UTF-8 bytes, a line break two), the counter and OK within
// capacity, OK writing only the tables, Cancel leaving the file byte for byte.
#include "comment_form_controller.hpp"
#include "comment_session.hpp"

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "UnitBLPImageUtils.hpp"
#include "dialog_test_support.hpp"
#include "test_files.hpp"

using namespace ondrel;
using namespace ondrel::dialogs;
using namespace ondrel_test;

TEST(CommentCounting, BytesWithTwoPerLineBreak) {
  EXPECT_EQ(CommentLength(""), 0);
  EXPECT_EQ(CommentLength(QString(10, 'a') + "\n" + QString(10, 'b')), 22);
  EXPECT_EQ(CommentLength("a\r\nb"), 4);
  EXPECT_EQ(CommentLength(QString::fromUtf8("é€")), 5);  // 2 + 3 bytes
  EXPECT_EQ(CommentCounterText(53, 52), "53 / 52");
}

class CommentEditor : public ::testing::Test {
 protected:
  void SetUp() override {
    file = dir.path() + "/t.blp";
    FileFormatOptions options = DesignedFileFormatOptions();
    options.blp1.Blp1MipmapsMinus1 = 15;
    SaveBlpImage(file, PhotoBitmap(256, 256, false), 0, options, false);
    form = std::make_unique<QDialog>();
    AddNamed<QPlainTextEdit>(form.get(), {"memComment"});
    AddNamed<QLabel>(form.get(), {"lblSymCount"});
    AddNamed<QPushButton>(form.get(), {"btnOK", "btnCancel"});
    CommentFormContext context;
    context.currentFile = [this] { return file; };
    context.reloadViewer = [this] { ++reloads; };
    context.prompts = std::make_shared<RecordingPrompts>();
    new CommentFormController(form.get(), context);
  }
  void TearDown() override { form.reset(); }
  QPlainTextEdit* memo() { return form->findChild<QPlainTextEdit*>("memComment"); }
  QString counter() { return form->findChild<QLabel*>("lblSymCount")->text(); }
  QPushButton* ok() { return form->findChild<QPushButton*>("btnOK"); }

  QTemporaryDir dir;
  QString file;
  std::unique_ptr<QDialog> form;
  int reloads = 0;
};

TEST_F(CommentEditor, CapacityCounterAndOk) {
  form->show();
  EXPECT_EQ(counter(), "0 / 52");  // 256 x 256: 124 - 8 x 9
  memo()->setPlainText(QString(52, 'x'));
  EXPECT_EQ(counter(), "52 / 52");
  EXPECT_TRUE(ok()->isEnabled());
  memo()->setPlainText(QString(53, 'x'));
  EXPECT_EQ(counter(), "53 / 52");
  EXPECT_FALSE(ok()->isEnabled());

  const QByteArray before = ReadFile(file);
  memo()->setPlainText("first line\nsecond");
  ok()->click();
  EXPECT_EQ(reloads, 1);
  EXPECT_FALSE(form->isVisible());
  const QByteArray after = ReadFile(file);
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.mid(156), before.mid(156));  // pixels untouched
  EXPECT_EQ(after.left(28), before.left(28));  // only the tables changed
  EXPECT_EQ(CommentSession(file).text(), "first line\nsecond");

  // An empty text clears the comment; the next showing shows it empty.
  form->show();
  EXPECT_EQ(memo()->toPlainText(), "first line\nsecond");
  memo()->clear();
  ok()->click();
  form->show();
  EXPECT_EQ(memo()->toPlainText(), "");
  EXPECT_EQ(counter(), "0 / 52");
}

TEST_F(CommentEditor, CancelLeavesTheFileByteForByte) {
  const QByteArray before = ReadFile(file);
  form->show();
  memo()->setPlainText("not kept");
  form->findChild<QPushButton*>("btnCancel")->click();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_EQ(reloads, 0);
}

TEST_F(CommentEditor, AFileThatIsNotBlp1IsReportedAndLeftAlone) {
  WriteFile(file, "BLP2 and then not much");
  const QByteArray before = ReadFile(file);
  form->show();
  QCoreApplication::processEvents();  // the window closes itself once shown
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(ReadFile(file), before);
  EXPECT_EQ(reloads, 0);
}

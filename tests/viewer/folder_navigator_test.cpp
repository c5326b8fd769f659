// The browsed folder's list, stepping with wrap-around over deleted files, the file-number
// entry, and the Save optimised names.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "folder_navigator.hpp"
#include "save_optimised_names.hpp"

namespace ondrel {
namespace {

class FolderNavigation : public ::testing::Test {
 protected:
  // Files made empty: navigation only looks at names.
  QString Make(const QString& name) {
    const QString path = dir_.path() + '/' + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    return path;
  }
  QString Folder() const { return dir_.path() + '/'; }

  QTemporaryDir dir_;
};

TEST_F(FolderNavigation, ListsImagesByExtensionOrderAndSkipsTheRest) {
  Make("b.png");
  Make("a.dds");
  Make("c.TGA");
  Make("d.bmp");
  Make("notes.txt");
  Make("e.jpeg");
  Make("f.jpg");
  Make("g.blp");
  QDir(dir_.path()).mkdir("sub.blp");
  Make("sub.blp/inner.blp");
  const QStringList names = [&] {
    QStringList n;
    for (const QString& path : FolderNavigator::ScanFolder(dir_.path())) n << path.mid(Folder().size());
    return n;
  }();
  EXPECT_EQ(names, (QStringList{"d.bmp", "c.TGA", "g.blp", "f.jpg", "e.jpeg", "b.png", "a.dds"}));
}

TEST_F(FolderNavigation, NextAndPreviousWrapAround) {
  const QString a = Make("a.bmp"), b = Make("b.tga"), c = Make("c.blp");
  FolderNavigator nav;
  nav.adoptScan(dir_.path(), FolderNavigator::ScanFolder(dir_.path()), 3);
  EXPECT_EQ(nav.folder(), Folder());
  EXPECT_EQ(nav.numberText(), "3/3");
  EXPECT_EQ(nav.stepNext(), a);  // after the last comes the first
  EXPECT_EQ(nav.numberText(), "1/3");
  EXPECT_EQ(nav.stepPrevious(), c);  // before the first comes the last
  EXPECT_EQ(nav.stepPrevious(), b);
  EXPECT_EQ(nav.currentFile(), b);
}

TEST_F(FolderNavigation, DeletedFilesAreSkipped) {
  const QString a = Make("a.bmp"), b = Make("b.tga"), c = Make("c.blp");
  FolderNavigator nav;
  nav.adoptScan(dir_.path(), FolderNavigator::ScanFolder(dir_.path()), 1);
  QFile::remove(b);
  EXPECT_EQ(nav.stepNext(), c);
  EXPECT_EQ(nav.numberText(), "3/3");
  // With every other file gone nothing opens and the number stays.
  QFile::remove(a);
  EXPECT_EQ(nav.stepNext(), std::nullopt);
  EXPECT_EQ(nav.stepPrevious(), std::nullopt);
  EXPECT_EQ(nav.numberText(), "3/3");
  // A file on screen that is gone itself still leads to the others.
  const QString d = Make("d.png");
  nav.adoptScan(dir_.path(), {a, c, d}, 2);
  QFile::remove(c);
  EXPECT_EQ(nav.stepNext(), d);
}

TEST_F(FolderNavigation, OneFileOrNoneStepsNowhere) {
  const QString only = Make("only.blp");
  FolderNavigator nav;
  nav.adoptScan(dir_.path(), FolderNavigator::ScanFolder(dir_.path()), 1);
  EXPECT_EQ(nav.stepNext(), std::nullopt);
  EXPECT_EQ(nav.stepPrevious(), std::nullopt);
  EXPECT_EQ(nav.numberText(), "1/1");
  FolderNavigator empty;
  EXPECT_EQ(empty.stepNext(), std::nullopt);
  EXPECT_EQ(empty.numberText(), "0/0");
  // A file not in the list (number 0) steps to the first or the last.
  nav.adoptScan(dir_.path(), {only}, 0);
  EXPECT_EQ(nav.stepNext(), only);
  nav.adoptScan(dir_.path(), {only}, 0);
  EXPECT_EQ(nav.stepPrevious(), only);
}

TEST_F(FolderNavigation, FileNumberEntry) {
  const QStringList files{Make("a.bmp"), Make("b.tga"), Make("c.blp")};
  FolderNavigator nav;
  nav.adoptScan(dir_.path(), files, 1);
  struct Case {
    const char* text;
    std::optional<QString> opened;
    const char* shown;
  };
  const Case cases[] = {
      {"2", files[1], "2/3"},   {" 3 ", files[2], "3/3"},  {"1/3", files[0], "1/3"},
      {"7", files[0], "1/3"},   // out of range: the number stays, its file opens again
      {"0", files[0], "1/3"},   {"x", std::nullopt, "1/3"}, {"", std::nullopt, "1/3"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(nav.enterFileNumber(c.text), c.opened) << c.text;
    EXPECT_EQ(nav.numberText(), c.shown) << c.text;
  }
  // Nothing to open in an empty list, or when the current file is not in the list.
  FolderNavigator empty;
  EXPECT_EQ(empty.enterFileNumber("1"), std::nullopt);
  nav.adoptScan(dir_.path(), files, 0);
  EXPECT_EQ(nav.enterFileNumber("9"), std::nullopt);
  EXPECT_EQ(nav.numberText(), "0/3");
}

TEST_F(FolderNavigation, BrowsingAFolder) {
  FolderNavigator nav;
  EXPECT_EQ(nav.browse(dir_.path()), FolderNavigator::BrowseResult::Empty);
  EXPECT_EQ(nav.numberText(), "1/0");
  const QString a = Make("a.png");
  // The same folder again, with or without its slash, changes nothing (no rescan).
  EXPECT_EQ(nav.browse(Folder()), FolderNavigator::BrowseResult::Unchanged);
  EXPECT_EQ(nav.fileCount(), 0);
  QTemporaryDir other;
  QFile(other.path() + "/z.blp").open(QIODevice::WriteOnly);
  QFile(other.path() + "/y.bmp").open(QIODevice::WriteOnly);
  EXPECT_EQ(nav.browse(other.path()), FolderNavigator::BrowseResult::OpenFirst);
  EXPECT_EQ(nav.currentFile(), other.path() + "/y.bmp");
  EXPECT_EQ(nav.numberText(), "1/2");
}

TEST(SaveOptimisedNames, ProposalAndTarget) {
  EXPECT_EQ(ProposedOptimisedName("/a/tex.blp"), "/a/tex_opt.blp");
  EXPECT_EQ(ProposedOptimisedName("/a.b/tex.BLP"), "/a.b/tex_opt.blp");
  struct Case {
    const char* chosen;
    const char* target;
  };
  const Case cases[] = {
      {"/x/out.tga", "/x/out.blp"},   {"/x/out", "/x/out.blp"},     {"/x/out.blp", "/x/out.blp"},
      {"/x/out.jpeg", "/x/out.blp"},  {"/x/out.BLP", "/x/out.blp"}, {"/x.d/out", "/x.d/out.blp"},
      {"/x/a.b.png", "/x/a.b.blp"},
  };
  for (const Case& c : cases) EXPECT_EQ(OptimisedTargetName(c.chosen), c.target) << c.chosen;
}

}  // namespace
}  // namespace ondrel

#include "blp_association.hpp"

#include "ini_file.hpp"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace ondrel;

QString ReadText(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

void WriteText(const QString& path, const QByteArray& text) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
}

class AssociationTest : public ::testing::Test {
 protected:
  AssociationTest()
      : folders_{dir_.filePath("data"), dir_.filePath("config")},
        association_(folders_, "/opt/my tools/ondrel") {}

  QString DefaultApp() const {
    return IniFile(association_.mimeAppsListPath())
        .ReadString("Default Applications", "image/x-blp", "<none>");
  }
  QString Kept() const {
    return IniFile(association_.previousDefaultPath()).ReadString(".blp", "ondreltemp", "<none>");
  }

  QTemporaryDir dir_;
  XdgFolders folders_;
  BlpAssociation association_;
};

TEST_F(AssociationTest, AssociateKeepsTheEarlierDefaultOnceAndOtherLines) {
  const QByteArray list = "[Default Applications]\ntext/plain=editor.desktop\n"
                          "image/x-blp=viewer.desktop;\n\n[Added Associations]\nimage/png=a.desktop;\n";
  WriteText(association_.mimeAppsListPath(), list);
  EXPECT_FALSE(association_.IsAssociated());
  association_.Associate("&Open");
  EXPECT_TRUE(association_.IsAssociated());
  EXPECT_EQ(Kept(), "viewer.desktop;");
  association_.Associate("&Open");
  EXPECT_EQ(Kept(), "viewer.desktop;") << "the second association finds itself and keeps the first";
  EXPECT_EQ(ReadText(association_.mimeAppsListPath()),
            "[Default Applications]\ntext/plain=editor.desktop\nimage/x-blp=ondrel.desktop\n\n"
            "[Added Associations]\nimage/png=a.desktop;\n");

  association_.Unassociate();
  EXPECT_FALSE(association_.IsAssociated());
  EXPECT_EQ(ReadText(association_.mimeAppsListPath()), QString::fromUtf8(list));
  EXPECT_TRUE(QFile::exists(association_.desktopEntryPath())) << "left in place";
}

TEST_F(AssociationTest, UnassociateNeverClearsAnotherProgramsChoice) {
  association_.Associate("Open");
  EXPECT_EQ(Kept(), "") << "there was no default before";
  // Another program takes over after us.
  IniFile list(association_.mimeAppsListPath());
  list.WriteString("Default Applications", "image/x-blp", "other.desktop;");
  list.Save();
  association_.Unassociate();
  EXPECT_EQ(DefaultApp(), "other.desktop;");

  // Nothing kept to restore, and another program is the default: still left alone.
  QFile::remove(association_.previousDefaultPath());
  association_.Unassociate();
  EXPECT_EQ(DefaultApp(), "other.desktop;");
}

TEST_F(AssociationTest, UnassociateWithNothingToRestoreRemovesOnlyOurEntry) {
  association_.Associate("Open");
  QFile::remove(association_.previousDefaultPath());
  association_.Unassociate();
  EXPECT_EQ(DefaultApp(), "<none>");
  EXPECT_FALSE(association_.IsAssociated());
}

TEST_F(AssociationTest, DesktopEntryCarriesTheCommandAndTheOpenCaptionOfTheLanguage) {
  BlpAssociation odd(folders_, "/opt/a \"b\" $c\\d%e/ondrel");
  odd.Associate("&Open...");
  QString entry = ReadText(odd.desktopEntryPath());
  EXPECT_TRUE(entry.contains("\nExec=\"/opt/a \\\\\"b\\\\\" \\\\$c\\\\\\\\d%%e/ondrel\" %f\n"))
      << entry.toStdString();
  EXPECT_TRUE(entry.contains("\nMimeType=image/x-blp;\n"));
  EXPECT_TRUE(entry.contains("[Desktop Action Open]\nName=Open...\n"));

  odd.Associate("&\xC3\x96" "ffnen");  // the caption follows the language in use
  entry = ReadText(odd.desktopEntryPath());
  EXPECT_TRUE(entry.contains(QString::fromUtf8("[Desktop Action Open]\nName=\xC3\x96" "ffnen\n")));

  const QString package = ReadText(odd.mimePackagePath());
  EXPECT_TRUE(package.contains("<glob pattern=\"*.blp\"/>")) << "default weight: no weight";
  EXPECT_TRUE(package.contains("<match type=\"string\" offset=\"0\" value=\"BLP1\"/>"));
  EXPECT_TRUE(package.contains("<match type=\"string\" offset=\"0\" value=\"BLP2\"/>"));
}

TEST(DesktopExecLine, QuotesThePathByTheDesktopEntryRules) {
  EXPECT_EQ(DesktopExecLine("/usr/bin/ondrel"), "\"/usr/bin/ondrel\" %f");
  EXPECT_EQ(DesktopExecLine("/a b/`x`$y\\z\"%"), "\"/a b/\\`x\\`\\$y\\\\z\\\"%%\" %f");
}

TEST_F(AssociationTest, TheMimeDatabaseToolsBuildTheirCaches) {
  if (QStandardPaths::findExecutable("update-mime-database").isEmpty())
    GTEST_SKIP() << "update-mime-database is not installed";
  association_.Associate("Open");
  const QString mime = folders_.dataHome + "/mime/";
  EXPECT_TRUE(ReadText(mime + "globs2").contains("image/x-blp:*.blp")) << "glob at default weight 50";
  EXPECT_TRUE(ReadText(mime + "types").contains("image/x-blp"));
  QFile magic(mime + "magic");
  ASSERT_TRUE(magic.open(QIODevice::ReadOnly));
  const QByteArray bytes = magic.readAll();
  EXPECT_TRUE(bytes.contains("image/x-blp") && bytes.contains("BLP1") && bytes.contains("BLP2"));
}

TEST_F(AssociationTest, XdgMimeFindsTheTypeOfBlp1AndBlp2Files) {
  const QString tool = QStandardPaths::findExecutable("xdg-mime");
  if (tool.isEmpty() || QStandardPaths::findExecutable("update-mime-database").isEmpty())
    GTEST_SKIP() << "xdg-mime or update-mime-database is not installed";
  association_.Associate("Open");
  for (const char* magic : {"BLP1", "BLP2"}) {
    const QString file = dir_.filePath(QString(magic) + ".blp");
    WriteText(file, QByteArray(magic) + QByteArray(200, '\0'));
    QProcess query;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", folders_.dataHome);
    env.insert("XDG_CONFIG_HOME", folders_.configHome);
    query.setProcessEnvironment(env);
    query.start(tool, {"query", "filetype", file});
    ASSERT_TRUE(query.waitForFinished(30000));
    EXPECT_EQ(query.readAllStandardOutput().trimmed(), "image/x-blp") << magic;
  }
}

}  // namespace

#include "program_paths.hpp"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using namespace ondrel;

void Touch(const QString& path) {
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value)
      : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
    value.isNull() ? qunsetenv(name) : qputenv(name, value);
  }
  ~ScopedEnv() { had_ ? qputenv(name_, old_) : qunsetenv(name_); }

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

TEST(ProgramFolder, IsTheTestExecutablesFolderWithATrailingSlash) {
  EXPECT_EQ(ProgramFolder(), QCoreApplication::applicationDirPath() + '/');
}

TEST(SettingsFilePath, ProgramFolderWhenItHoldsTheFileOrIsWritableElseXdgConfig) {
  QTemporaryDir dir;
  const QString program = dir.filePath("bin") + '/';
  QDir().mkpath(program);
  ScopedEnv config("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
  const auto writable = [](const QString&) { return true; };
  const auto readOnly = [](const QString&) { return false; };

  EXPECT_EQ(SettingsFilePath(program, writable), program + "ondrel.ini");
  EXPECT_EQ(SettingsFilePath(program, readOnly), dir.filePath("config/ondrel/ondrel.ini"));
  Touch(program + "ondrel.ini");
  EXPECT_EQ(SettingsFilePath(program, readOnly), program + "ondrel.ini")
      << "an existing file beside the program is used even where it cannot be replaced";
}

TEST(SettingsFilePath, TheRealCheckSendsAFolderThatCannotHoldFilesToXdg) {
  QTemporaryDir dir;
  ScopedEnv config("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
  // A "folder" under a plain file can be written by nobody, root included.
  Touch(dir.filePath("file"));
  const QString program = dir.filePath("file/bin") + '/';
  EXPECT_FALSE(IsFolderWritable(program));
  EXPECT_EQ(SettingsFilePath(program), dir.filePath("config/ondrel/ondrel.ini"));
  EXPECT_TRUE(IsFolderWritable(dir.path() + '/'));
}

TEST(UserFolders, FollowXdgVariablesElseHome) {
  QTemporaryDir dir;
  ScopedEnv home("HOME", dir.path().toUtf8());
  {
    ScopedEnv config("XDG_CONFIG_HOME", QByteArray());
    ScopedEnv data("XDG_DATA_HOME", "");
    EXPECT_EQ(UserConfigHome(), dir.path() + "/.config");
    EXPECT_EQ(UserDataHome(), dir.path() + "/.local/share");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", "relative/ignored");
    ScopedEnv data("XDG_DATA_HOME", "/srv/data/");
    EXPECT_EQ(UserConfigHome(), dir.path() + "/.config");
    EXPECT_EQ(UserDataHome(), "/srv/data");
  }
}

TEST(DataFiles, ProgramFolderFirstThenShareBesideIt) {
  QTemporaryDir dir;
  const QString program = dir.filePath("usr/bin") + '/';
  const QString share = dir.filePath("usr/share/ondrel") + '/';
  QDir().mkpath(program);
  EXPECT_EQ(FindDataFile(program, "jpeg.dat"), "");
  Touch(share + "jpeg.dat");
  EXPECT_EQ(FindDataFile(program, "jpeg.dat"), share + "jpeg.dat");
  Touch(program + "jpeg.dat");
  EXPECT_EQ(FindDataFile(program, "jpeg.dat"), program + "jpeg.dat");

  Touch(program + "Deutsch.lng");
  Touch(share + "English.lng");
  Touch(share + "Deutsch.lng");
  Touch(share + "notes.txt");
  QStringList names = LanguageFileNames(program);
  EXPECT_EQ(names.size(), 2);
  EXPECT_TRUE(names.contains("Deutsch.lng") && names.contains("English.lng"));
}

}  // namespace

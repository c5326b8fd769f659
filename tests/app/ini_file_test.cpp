#include "ini_file.hpp"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using ondrel::IniFile;
using ondrel::ParseProfileInteger;

QString WriteIni(const QTemporaryDir& dir, const QByteArray& text) {
  const QString path = dir.filePath("ondrel.ini");
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(text);
  return path;
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return file.readAll();
}

TEST(ProfileInteger, ReadsLikeThePlatformReader) {
  const struct {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"0", 0},         {"1", 1},          {"63", 63},        {"-5", -5},
      {"+7", 7},        {"  42", 42},      {"12px", 12},      {"3.9", 3},
      {"0x1F", 31},     {"0X10", 16},      {"0x", 0},         {"08", 8},
      {"abc", {}},      {"", {}},          {"-", {}},         {"x1", {}},
      {"4294967295", -1}, {"4294967297", 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseProfileInteger(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(IniFile, MissingFileSectionKeyOrNumberGivesTheDefault) {
  QTemporaryDir dir;
  EXPECT_EQ(IniFile(dir.filePath("none.ini")).ReadInteger("SETTINGS", "RunOneApp", 1), 1);
  const IniFile ini(WriteIni(dir, "[SETTINGS]\nLanczos=yes\nEmpty=\nResizeWin=0\n"));
  EXPECT_EQ(ini.ReadInteger("OTHER", "ResizeWin", 7), 7);
  EXPECT_EQ(ini.ReadInteger("SETTINGS", "Missing", 7), 7);
  EXPECT_EQ(ini.ReadInteger("SETTINGS", "Lanczos", 7), 7);
  EXPECT_EQ(ini.ReadInteger("SETTINGS", "Empty", 7), 7);
  EXPECT_EQ(ini.ReadInteger("SETTINGS", "ResizeWin", 7), 0);
  EXPECT_EQ(ini.ReadString("SETTINGS", "Empty", "x"), "");
  EXPECT_EQ(ini.ReadString("SETTINGS", "Missing", "x"), "x");
}

TEST(IniFile, NamesIgnoreCaseBlanksQuotesAndAByteOrderMark) {
  QTemporaryDir dir;
  const IniFile ini(WriteIni(dir,
                             "\xEF\xBB\xBF[ Settings ]\r\n; a comment=1\r\n  language = \"Deutsch.lng\" \r\n"
                             "runoneapp=0\r\n[settings]\r\nRunOneApp=1\r\n"));
  EXPECT_EQ(ini.ReadString("SETTINGS", "Language", {}), "Deutsch.lng");
  EXPECT_EQ(ini.ReadInteger("SETTINGS", "RunOneApp", 5), 0) << "the first section of a name wins";
  EXPECT_EQ(ini.ReadString("SETTINGS", "; a comment", "none"), "none");
}

TEST(IniFile, WritingKeepsEveryOtherLine) {
  QTemporaryDir dir;
  const QString path = WriteIni(dir,
                                "; kept comment\n[settings]\nlanczos=1\nUnknown=x y, z\n\n"
                                "[OTHER]\nA=1\n");
  IniFile ini(path);
  ini.WriteInteger("SETTINGS", "Lanczos", 0);
  ini.WriteInteger("SETTINGS", "ResizeWin", 1);
  ini.WriteString("CONVERTER", "SourceFolder", "/tmp/a b/");
  ini.Save();
  EXPECT_EQ(ReadFile(path),
            "; kept comment\n[settings]\nlanczos=0\nUnknown=x y, z\nResizeWin=1\n\n"
            "[OTHER]\nA=1\n\n[CONVERTER]\nSourceFolder=/tmp/a b/\n");

  ini.WriteString("OTHER", "B", "two\nlines\r\n[SETTINGS]");
  EXPECT_EQ(ini.ReadString("OTHER", "B", {}), "two lines  [SETTINGS]") << "no line planted";

  ini.RemoveKey("settings", "UNKNOWN");
  ini.RemoveKey("settings", "NotThere");
  EXPECT_EQ(ini.ReadString("SETTINGS", "Unknown", "gone"), "gone");
  EXPECT_EQ(IniFile(path).ReadString("SETTINGS", "Unknown", "gone"), "x y, z")
      << "nothing reaches the file before Save";
}

TEST(IniFile, SaveCreatesTheFolderAndReplacesTheFileWhole) {
  QTemporaryDir dir;
  const QString path = dir.filePath("deep/er/ondrel.ini");
  IniFile ini(path);
  ini.WriteString("SETTINGS", "Language", "English.lng");
  ini.Save();
  EXPECT_EQ(ReadFile(path), "[SETTINGS]\nLanguage=English.lng\n");
  EXPECT_EQ(QDir(dir.filePath("deep/er")).entryList(QDir::Files), QStringList{"ondrel.ini"})
      << "no temporary file left behind";
}

TEST(IniFile, SaveIntoAFolderThatCannotBeMadeThrows) {
  QTemporaryDir dir;
  WriteIni(dir, "a file, not a folder");
  IniFile ini(dir.filePath("ondrel.ini/sub/x.ini"));
  ini.WriteInteger("A", "B", 1);
  EXPECT_THROW(ini.Save(), ondrel::FileError);
}

}  // namespace

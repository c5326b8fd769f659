// Atomic rewrites: debris of killed rewrites is removed once stale, and errors name the
// user's file, say what happened and that it is unchanged.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include <ctime>

#include "atomic_file.hpp"
#include "file_size_signal.hpp"
#include "test_files.hpp"

using namespace ondrel;

namespace {

class AtomicFile : public ::testing::Test {
 protected:
  QTemporaryDir dir;
  QString path(const QString& name) { return dir.filePath(name); }
  QStringList entries() { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }
  void age(const QString& name, std::time_t seconds) {
    const timespec times[2] = {{std::time(nullptr) - seconds, 0}, {std::time(nullptr) - seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(path(name)).constData(), times, 0), 0);
  }
};

TEST_F(AtomicFile, RemovesOnlyStaleTemporariesOfTheSameTarget) {
  ondrel_test::WriteFile(path("a.blp"), "old");
  const char* debris[] = {".a.blp.Ab12Cd", ".a.blp.Zz99zz", ".a.blp.toolong", ".b.blp.Ab12Cd", ".a.blp.Ab-2Cd"};
  for (const char* name : debris) {
    ondrel_test::WriteFile(path(name), "partial");
    age(name, 120);
  }
  ondrel_test::WriteFile(path(".a.blp.Fresh1"), "a rewrite still running");
  WriteFileAtomically(path("a.blp"), "new");
  EXPECT_EQ(ondrel_test::ReadFile(path("a.blp")), "new");
  EXPECT_EQ(entries(), (QStringList{".a.blp.Ab-2Cd", ".a.blp.Fresh1", ".a.blp.toolong", ".b.blp.Ab12Cd", "a.blp"}));
}

TEST_F(AtomicFile, KeepsThePermissionsOfTheFileItReplaces) {
  ondrel_test::WriteFile(path("p.blp"), "old");
  ASSERT_EQ(chmod(QFile::encodeName(path("p.blp")).constData(), 0640), 0);
  WriteFileAtomically(path("p.blp"), "new");
  struct stat st {};
  ASSERT_EQ(stat(QFile::encodeName(path("p.blp")).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(entries(), QStringList{"p.blp"});
}

TEST_F(AtomicFile, ASizeLimitIsAnErrorNamingTheFile) {
  IgnoreFileSizeSignal();
  const QByteArray old(5000, 'o');
  ondrel_test::WriteFile(path("tex.blp"), old);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit limit = saved;
  limit.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &limit);
  try {
    WriteFileAtomically(path("tex.blp"), QByteArray(10000, 'n'));
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()),
              path("tex.blp").toStdString() + ": the file would exceed the file-size limit; the file is unchanged");
  }
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_EQ(ondrel_test::ReadFile(path("tex.blp")), old);
  EXPECT_EQ(entries(), QStringList{"tex.blp"});
}

TEST_F(AtomicFile, AMissingFolderIsAnErrorNamingTheFile) {
  try {
    WriteFileAtomically(path("no/such/x.blp"), "new");
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), path("no/such/x.blp").toStdString() + ": the folder does not exist; nothing was written");
  }
}

}  // namespace

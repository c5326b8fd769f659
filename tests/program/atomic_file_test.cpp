// Atomic rewrites: debris of killed rewrites is removed once stale (and nothing else), links
// and the replaced file's owner, mode and attributes are kept, a file of several names is not
// split by an in-place rewrite, and errors name the user's file, say what happened and that
// it is unchanged.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

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

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

struct stat StatOf(const QString& path) {
  struct stat st {};
  EXPECT_EQ(stat(Local(path).c_str(), &st), 0) << path.toStdString();
  return st;
}

unsigned UmaskFromProc() {
  std::FILE* f = std::fopen("/proc/self/status", "r");
  char line[256];
  unsigned mask = 07777;
  while (f && std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
  if (f) std::fclose(f);
  return mask;
}

TEST_F(AtomicFile, SweepsOnlyItsOwnStaleTemporaries) {
  ondrel_test::WriteFile(path("a.blp"), "old");
  // Debris of killed rewrites of a.blp, and files a user may have named alike.
  const char* ours[] = {".a.blp.ondrel-tmp-Ab12Cd", ".a.blp.ondrel-tmp-Zz99zz"};
  const char* users[] = {".a.blp.backup", ".a.blp.v2old1", ".a.blp.Ab12Cd", ".a.blp.ondrel-tmp-toolong",
                         ".b.blp.ondrel-tmp-Ab12Cd", ".a.blp.ondrel-tmp-Ab-2Cd"};
  for (const char* name : ours) ondrel_test::WriteFile(path(name), "partial");
  for (const char* name : users) ondrel_test::WriteFile(path(name), "a user's file");
  for (const QString& name : entries()) age(name, 120);
  ondrel_test::WriteFile(path(".a.blp.ondrel-tmp-Fresh1"), "a rewrite still running");
  WriteFileAtomically(path("a.blp"), "new");
  EXPECT_EQ(ondrel_test::ReadFile(path("a.blp")), "new");
  QStringList expected{"a.blp", ".a.blp.ondrel-tmp-Fresh1"};
  for (const char* name : users) expected << name;
  expected.sort();
  EXPECT_EQ(entries(), expected);
}

TEST_F(AtomicFile, LeavesAnotherUsersTemporaries) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  ondrel_test::WriteFile(path(".a.blp.ondrel-tmp-Ab12Cd"), "another user's rewrite");
  ASSERT_EQ(chown(Local(path(".a.blp.ondrel-tmp-Ab12Cd")).c_str(), 4321, 4321), 0);
  age(".a.blp.ondrel-tmp-Ab12Cd", 120);
  WriteFileAtomically(path("a.blp"), "new");
  EXPECT_EQ(entries(), (QStringList{".a.blp.ondrel-tmp-Ab12Cd", "a.blp"}));
}

// Every way of naming a file through links rewrites the file finally named, in its own
// folder, and every link stays as it was.
TEST_F(AtomicFile, ALinkKeepsPointingAtTheRewrittenFile) {
  struct Case {
    const char* what;
    const char* link;     // in the scratch folder
    const char* pointsTo;
    const char* file;     // the file that must hold the new bytes
    bool existed;
  };
  const Case cases[] = {
      {"relative link", "rel.blp", "real/t1.blp", "real/t1.blp", true},
      {"absolute link", "abs.blp", "@/real/t2.blp", "real/t2.blp", true},
      {"link to a link", "chain.blp", "rel3.blp", "real/t3.blp", true},
      {"dangling link", "dangling.blp", "real/new.blp", "real/new.blp", false},
  };
  QDir().mkpath(path("real"));
  ASSERT_EQ(symlink("real/t3.blp", Local(path("rel3.blp")).c_str()), 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.existed) ondrel_test::WriteFile(path(c.file), "old");
    const QString pointsTo = QString(c.pointsTo).replace("@", dir.path());
    ASSERT_EQ(symlink(Local(pointsTo).c_str(), Local(path(c.link)).c_str()), 0);
    WriteFileAtomically(path(c.link), "new");
    struct stat st {};
    ASSERT_EQ(lstat(Local(path(c.link)).c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(ondrel_test::ReadFile(path(c.file)), "new");
  }
  EXPECT_EQ(QDir(path("real")).entryList(QDir::Files | QDir::Hidden, QDir::Name),
            (QStringList{"new.blp", "t1.blp", "t2.blp", "t3.blp"}));
}

TEST_F(AtomicFile, ALinkLoopIsAnError) {
  ASSERT_EQ(symlink("b.blp", Local(path("a.blp")).c_str()), 0);
  ASSERT_EQ(symlink("a.blp", Local(path("b.blp")).c_str()), 0);
  EXPECT_THROW(WriteFileAtomically(path("a.blp"), "new"), FileError);
  EXPECT_THROW(RewriteFileInPlace(path("a.blp"), "new"), FileError);
}

TEST_F(AtomicFile, AnInPlaceRewriteRefusesAFileOfSeveralNames) {
  ondrel_test::WriteFile(path("a.blp"), "old");
  ASSERT_EQ(link(Local(path("a.blp")).c_str(), Local(path("b.blp")).c_str()), 0);
  try {
    RewriteFileInPlace(path("a.blp"), "new");
    ADD_FAILURE() << "no error";
  } catch (const FileError& e) {
    EXPECT_EQ(std::string(e.what()), path("a.blp").toStdString() +
                                         ": the file has 2 names (hard links), and rewriting it would part "
                                         "them; the file is unchanged");
  }
  EXPECT_EQ(StatOf(path("a.blp")).st_ino, StatOf(path("b.blp")).st_ino);
  EXPECT_EQ(ondrel_test::ReadFile(path("b.blp")), "old");
  // A save to a chosen name replaces that name only.
  WriteFileAtomically(path("a.blp"), "new");
  EXPECT_EQ(ondrel_test::ReadFile(path("a.blp")), "new");
  EXPECT_EQ(ondrel_test::ReadFile(path("b.blp")), "old");
  // One name: rewritten in place.
  RewriteFileInPlace(path("a.blp"), "newer");
  EXPECT_EQ(ondrel_test::ReadFile(path("a.blp")), "newer");
}

TEST_F(AtomicFile, KeepsOwnerAndGroup) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  ondrel_test::WriteFile(path("u.blp"), "old");
  ASSERT_EQ(chown(Local(path("u.blp")).c_str(), 1234, 5678), 0);
  ASSERT_EQ(chmod(Local(path("u.blp")).c_str(), 0640), 0);
  RewriteFileInPlace(path("u.blp"), "new");
  const struct stat st = StatOf(path("u.blp"));
  EXPECT_EQ(st.st_uid, 1234u);
  EXPECT_EQ(st.st_gid, 5678u);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(AtomicFile, KeepsExtendedAttributesAndTheAccessAcl) {
  ondrel_test::WriteFile(path("x.blp"), "old");
  const std::string file = Local(path("x.blp"));
  if (setxattr(file.c_str(), "user.origin", "hand-made", 9, 0) != 0)
    GTEST_SKIP() << "this file system keeps no user attributes";
  // user::rw-, user 1234 r--, group::r--, mask::r--, other::---
  const unsigned char acl[] = {2, 0, 0, 0, 1, 0, 6, 0, 255, 255, 255, 255, 2, 0, 4, 0, 210, 4, 0, 0,
                               4, 0, 4, 0, 255, 255, 255, 255, 16, 0, 4, 0, 255, 255, 255, 255,
                               32, 0, 0, 0, 255, 255, 255, 255};
  const bool withAcl = setxattr(file.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) == 0;
  WriteFileAtomically(path("x.blp"), "new");
  char value[64] = {};
  EXPECT_EQ(getxattr(file.c_str(), "user.origin", value, sizeof value), 9);
  EXPECT_STREQ(value, "hand-made");
  if (!withAcl) GTEST_SKIP() << "this file system keeps no ACLs; the user attribute was kept";
  unsigned char got[64] = {};
  ASSERT_EQ(getxattr(file.c_str(), "system.posix_acl_access", got, sizeof got), ssize_t(sizeof acl));
  EXPECT_EQ(std::memcmp(got, acl, sizeof acl), 0);
}

// Many threads making new files at once: each gets 0666 less the umask, and the process
// umask is never touched.
TEST_F(AtomicFile, NewFilesFromManyThreadsLeaveTheUmaskAlone) {
  const unsigned mask = UmaskFromProc();
  ASSERT_NE(mask, 07777u) << "no Umask line in /proc/self/status";
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 100; ++i) WriteFileAtomically(path(QString("f%1_%2.blp").arg(t).arg(i)), "x");
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(UmaskFromProc(), mask);
  int wrong = 0;
  for (const QString& name : entries()) wrong += (StatOf(path(name)).st_mode & 07777) != (0666 & ~mask);
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(entries().size(), 800);
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

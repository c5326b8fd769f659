// Kills the rewrite driver with SIGKILL at random moments, spread over whole rewrites and
// right around their renames, and runs it into a file-size limit and a full disk: every
// time the texture is byte for byte one of its complete versions and still loads, and no
// partly written temporary is left beside it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "UnitBLPImageUtils.hpp"

namespace {

using Clock = std::chrono::steady_clock;

int Trials() {
  const char* value = std::getenv("ONDREL_CRASH_TRIALS");
  return value ? std::max(1, std::atoi(value)) : 50;
}

QByteArray Read(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The driver as a child process whose stdout is a pipe: one byte per round started.
class Driver {
 public:
  Driver(const std::vector<std::string>& args, rlim_t fileSizeLimit = RLIM_INFINITY) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(fds[1], STDOUT_FILENO);
      if (fileSizeLimit != RLIM_INFINITY) {
        rlimit limit{fileSizeLimit, fileSizeLimit};
        ::setrlimit(RLIMIT_FSIZE, &limit);
      }
      std::vector<char*> argv{const_cast<char*>(ONDREL_REWRITE_DRIVER)};
      for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
    ::close(fds[1]);
    out_ = fds[0];
  }
  ~Driver() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
    ::close(out_);
  }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  int out() const { return out_; }
  // Waits for the next round to start; false when the driver ended.
  bool NextRound() {
    char c;
    return ::read(out_, &c, 1) == 1;
  }
  void Kill() { ::kill(pid_, SIGKILL); }
  // The wait status.
  int Wait() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

int RunDriver(const std::vector<std::string>& args, rlim_t fileSizeLimit = RLIM_INFINITY) {
  Driver d(args, fileSizeLimit);
  const int status = d.Wait();
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class CrashSafety : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(RunDriver({"prepare", GetParam(), dir.path().toStdString()}), 0);
    v0 = Read(dir.filePath("v0.blp"));
    v1 = Read(dir.filePath("v1.blp"));
    ASSERT_FALSE(v0.isEmpty());
    ASSERT_NE(v0, v1);
    for (const char* v : {"v0.blp", "v1.blp"}) {
      ondrel::TBitmap image;
      ondrel::LoadBlpImage(dir.filePath(v), image, 0);
      ASSERT_FALSE(image.empty()) << v;
    }
  }

  QString tex() { return dir.filePath("work/tex.blp"); }
  std::vector<std::string> Args(const char* command) {
    return {command, GetParam(), dir.path().toStdString()};
  }

  // The texture is one of its versions and loads; a temporary beside it can only be a
  // complete one, named in the instant before its rename, and the next rewrite removes it
  // once stale.
  void Check(const std::string& when) {
    const QByteArray now = Read(tex());
    ASSERT_TRUE(now == v0 || now == v1) << when << ": the texture is damaged (" << now.size() << " bytes)";
    ondrel::TBitmap image;
    ondrel::LoadBlpImage(tex(), image, 0);
    ASSERT_FALSE(image.empty()) << when;
    if (std::string(GetParam()) == "linked")
      ASSERT_TRUE(QFileInfo(dir.filePath("tex-link.blp")).isSymLink()) << when << ": the link was replaced";
    const QStringList temps = QDir(dir.filePath("work")).entryList({".tex.blp.*"}, QDir::Files | QDir::Hidden);
    if (temps.isEmpty()) return;
    ++completeTemporaries;
    for (const QString& name : temps) {
      const QByteArray temp = Read(dir.filePath("work/" + name));
      ASSERT_TRUE(temp == v0 || temp == v1) << when << ": a partly written " << name.toStdString() << " is left";
      const timespec old[2] = {{std::time(nullptr) - 120, 0}, {std::time(nullptr) - 120, 0}};
      ::utimensat(AT_FDCWD, QFile::encodeName(dir.filePath("work/" + name)).constData(), old, 0);
    }
    ASSERT_EQ(RunDriver(Args("once")), 0);
    EXPECT_TRUE(QDir(dir.filePath("work")).entryList({".tex.blp.*"}, QDir::Files | QDir::Hidden).isEmpty())
        << when << ": a stale temporary survived the next rewrite";
  }

  QTemporaryDir dir;
  QByteArray v0, v1;
  int completeTemporaries = 0;
  std::mt19937 random{std::random_device{}()};
};

// Kills at uniformly random moments over whole rounds, after measuring how long one takes.
TEST_P(CrashSafety, KilledAnywhereInTheRewrite) {
  Clock::duration round{};
  {
    Driver d(Args("loop"));
    ASSERT_TRUE(d.NextRound());
    const auto start = Clock::now();
    for (int i = 0; i < 3; ++i) ASSERT_TRUE(d.NextRound());
    round = (Clock::now() - start) / 3;
  }
  const int trials = Trials();
  for (int t = 0; t < trials; ++t) {
    Driver d(Args("loop"));
    ASSERT_TRUE(d.NextRound());
    std::uniform_int_distribution<long long> at(0, std::chrono::duration_cast<std::chrono::microseconds>(round).count());
    const auto delay = std::chrono::microseconds(at(random));
    std::this_thread::sleep_for(delay);
    d.Kill();
    const int status = d.Wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << "the driver ended by itself: " << status;
    Check("trial " + std::to_string(t) + ", killed " + std::to_string(delay.count()) + " us into a round");
  }
  std::printf("%d trials, round %lld ms, %d left a complete temporary\n", trials,
              (long long)std::chrono::duration_cast<std::chrono::milliseconds>(round).count(), completeTemporaries);
}

// Kills right after a temporary appears in the folder: when it is named just before its rename
// (or, where unnamed temporaries are not supported, when it is created).
TEST_P(CrashSafety, KilledAroundTheRename) {
  const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
  ASSERT_GE(watch, 0);
  ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(dir.filePath("work")).constData(), IN_CREATE | IN_MOVED_TO), 0);
  const int trials = Trials();
  for (int t = 0; t < trials; ++t) {
    Driver d(Args("loop"));
    ASSERT_TRUE(d.NextRound());
    // A temporary of the first or the second rewrite of a round, then up to 300 us more.
    const int wanted = std::uniform_int_distribution<int>(1, 2)(random);
    const auto extra = std::chrono::microseconds(std::uniform_int_distribution<int>(0, 300)(random));
    int seen = 0;
    alignas(inotify_event) char buffer[4096];
    while (::read(watch, buffer, sizeof buffer) > 0) {
    }  // events of earlier trials
    while (seen < wanted) {
      pollfd p{watch, POLLIN, 0};
      ASSERT_EQ(::poll(&p, 1, 20000), 1) << "no temporary appeared";
      const ssize_t n = ::read(watch, buffer, sizeof buffer);
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        if ((e->mask & IN_CREATE) && e->len && std::string(e->name).starts_with(".tex.blp.")) ++seen;
        at += ssize_t(sizeof(inotify_event) + e->len);
      }
    }
    for (const auto until = Clock::now() + extra; Clock::now() < until;) {
    }
    d.Kill();
    const int status = d.Wait();
    ASSERT_TRUE(WIFSIGNALED(status)) << "the driver ended by itself: " << status;
    Check("trial " + std::to_string(t) + ", killed " + std::to_string(extra.count()) + " us after temporary " +
          std::to_string(wanted) + " appeared");
  }
  ::close(watch);
  std::printf("%d trials, %d left a complete temporary\n", trials, completeTemporaries);
}

// Under a file-size limit smaller than the file the driver reports an error naming the
// texture, instead of dying of SIGXFSZ, and leaves everything as it was.
TEST_P(CrashSafety, FileSizeLimit) {
  const int err = ::dup(STDERR_FILENO);
  const QString log = dir.filePath("stderr.txt");
  const int fd = ::open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ::dup2(fd, STDERR_FILENO);
  const int code = RunDriver(Args("once"), rlim_t(std::min(v0.size(), v1.size()) / 2));
  ::dup2(err, STDERR_FILENO);
  ::close(fd);
  ::close(err);
  EXPECT_EQ(code, 2);
  const std::string message = Read(log).toStdString();
  // Named as the writer was given it: the link, where it wrote through one.
  const std::string named = std::string(GetParam()) == "linked" ? "/tex-link.blp" : "work/tex.blp";
  EXPECT_NE(message.find(named + ": the file would exceed the file-size limit; the file is unchanged"),
            std::string::npos)
      << message;
  EXPECT_EQ(Read(tex()), v0);
  EXPECT_EQ(QDir(dir.filePath("work")).entryList(QDir::Files | QDir::Hidden), QStringList{"tex.blp"});
}

INSTANTIATE_TEST_SUITE_P(Rewrites, CrashSafety, ::testing::Values("optimize", "batch", "resave", "comment", "save", "linked"),
                         [](const auto& info) { return std::string(info.param); });

// Fills the small file system and runs one rewrite into it; returns a failure text or "".
std::string RewriteOnAFullDisk(const std::string& folder) {
  const QString base = QString::fromStdString(folder);
  if (RunDriver({"prepare", "optimize", folder}) != 0) return "prepare failed";
  const QByteArray v0 = Read(base + "/v0.blp");
  {
    // Fill the disk, then free less than a whole copy of the texture.
    const int fd = ::open((folder + "/filler").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const std::vector<char> block(4096, 'f');
    off_t size = 0;
    for (ssize_t n; (n = ::write(fd, block.data(), block.size())) > 0;) size += n;
    if (::ftruncate(fd, std::max<off_t>(0, size - v0.size() / 2)) != 0) return "ftruncate failed";
    ::close(fd);
  }
  const QString log = base + "/stderr.txt";
  const int err = ::dup(STDERR_FILENO);
  const int fd = ::open(QFile::encodeName(log).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ::dup2(fd, STDERR_FILENO);
  const int code = RunDriver({"once", "optimize", folder});
  ::dup2(err, STDERR_FILENO);
  const std::string message = Read(log).toStdString();
  if (code != 2) return "the rewrite did not fail: " + std::to_string(code) + " " + message;
  if (message.find("work/tex.blp: no space left on the device; the file is unchanged") == std::string::npos)
    return "unexpected error text: " + message;
  if (Read(base + "/work/tex.blp") != v0) return "the texture changed";
  const QStringList left = QDir(base + "/work").entryList(QDir::Files | QDir::Hidden);
  if (left != QStringList{"tex.blp"}) return "debris left: " + left.join(' ').toStdString();
  return "";
}

// A small tmpfs mounted in a private mount namespace of a child process (needs root): a
// rewrite that does not fit fails with an error naming the texture, which stays as it was.
TEST(DiskFull, FailsCleanlyNamingTheFile) {
  QTemporaryDir dir;
  const std::string mountPoint = dir.filePath("small").toStdString();
  QDir().mkpath(QString::fromStdString(mountPoint));
  int pipe[2];
  ASSERT_EQ(::pipe2(pipe, O_CLOEXEC), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    // The mount lives in the child's namespace and vanishes with it.
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=512k") != 0)
      ::_exit(77);
    const std::string failure = RewriteOnAFullDisk(mountPoint);
    if (!failure.empty() && ::write(pipe[1], failure.data(), failure.size()) < 0) ::_exit(2);
    ::_exit(failure.empty() ? 0 : 1);
  }
  ::close(pipe[1]);
  std::string failure;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) > 0;) failure.append(buffer, std::size_t(n));
  ::close(pipe[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "cannot mount a small tmpfs here (needs root)";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << failure;
}

}  // namespace

// The single-instance hand-off: the folder, the socket and the listener in this process, then
// the built program started as real processes. Every test uses its own runtime folder
// (XDG_RUNTIME_DIR) and socket name (ONDREL_INSTANCE_SUFFIX) and its own copy of the program
// folder, so a real running Ondrel and its settings are never touched. The tests that play
// another user need root; they fork and take the uid of nobody.
#include "TEventWaitThread.hpp"
#include "hand_off_folder.hpp"
#include "single_instance.hpp"
#include "start_up.hpp"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace ondrel;

constexpr uid_t kNobody = 65534;

QByteArray UniqueSuffix() {
  static int counter = 0;
  return "-test-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(++counter);
}

sockaddr_un FileAddress(const QByteArray& path, socklen_t& length) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::memcpy(a.sun_path, path.constData(), path.size());
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
  return a;
}

sockaddr_un AbstractAddress(const QByteArray& name, socklen_t& length) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::memcpy(a.sun_path + 1, name.constData(), name.size());
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return a;
}

// True when a live socket answers at path.
bool IsLive(const QByteArray& path) {
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
  socklen_t length;
  const sockaddr_un a = FileAddress(path, length);
  const bool live = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), length) == 0;
  ::close(fd);
  return live;
}

bool WaitFor(const std::function<bool()>& condition, int ms = 10000) {
  QDeadlineTimer deadline(ms);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(20);
  }
  return true;
}

// Sends one datagram to path whose credentials claim another user; only root may do so.
// Returns 0 or the errno. Waits for room in the queue like a patient sender.
int SendForeign(const QByteArray& path, const QByteArray& bytes, uid_t uid) {
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
  socklen_t length;
  const sockaddr_un a = FileAddress(path, length);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&a), length) != 0) {
    const int error = errno;
    ::close(fd);
    return error;
  }
  const timeval wait{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
  iovec data{const_cast<char*>(bytes.constData()), static_cast<std::size_t>(bytes.size())};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))] = {};
  msghdr message{};
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  cmsghdr* c = CMSG_FIRSTHDR(&message);
  c->cmsg_level = SOL_SOCKET;
  c->cmsg_type = SCM_CREDENTIALS;
  c->cmsg_len = CMSG_LEN(sizeof(ucred));
  const ucred claimed{::getpid(), uid, uid};
  std::memcpy(CMSG_DATA(c), &claimed, sizeof claimed);
  const int result = ::sendmsg(fd, &message, 0) == bytes.size() ? 0 : errno;
  ::close(fd);
  return result;
}

// Runs body in a child that has become nobody; returns the child's exit code (-1 when killed).
int AsNobody(const std::function<int()>& body) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(100);
    ::_exit(body());
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Each test's runtime folder and names; the process-wide variables are what the code reads.
class HandOffTest : public ::testing::Test {
 protected:
  HandOffTest() : suffix_(UniqueSuffix()) {
    qputenv("ONDREL_INSTANCE_SUFFIX", suffix_);
    runtime_ = QFile::encodeName(dir_.filePath("run"));
    ::mkdir(runtime_.constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", runtime_);
  }
  ~HandOffTest() override {
    qunsetenv("ONDREL_INSTANCE_SUFFIX");
    qunsetenv("XDG_RUNTIME_DIR");
  }
  QByteArray SocketPath() const { return HandOffSocketPath(runtime_ + "/ondrel"); }

  QTemporaryDir dir_;
  QByteArray suffix_;
  QByteArray runtime_;
};

TEST_F(HandOffTest, TheMessageIsTheFirstArgumentMadeAbsolute) {
  const char* three[] = {"ondrel", "/tmp/one two.blp", "/tmp/ignored.blp", "x"};
  const char* relative[] = {"ondrel", "sub/../test.blp"};
  const char* bytes[] = {"ondrel", "b\xff\xfe"};
  const char* none[] = {"ondrel"};
  EXPECT_EQ(HandOffMessage(4, three, "/home/u"), "e/tmp/one two.blp");
  EXPECT_EQ(HandOffMessage(2, relative, "/home/u"), "e/home/u/sub/../test.blp");
  EXPECT_EQ(HandOffMessage(2, relative, "/"), "e/sub/../test.blp");
  EXPECT_EQ(HandOffMessage(2, bytes, "/d\xe9"), "e/d\xe9/b\xff\xfe")
      << "bytes of any name, as given";
  EXPECT_EQ(HandOffMessage(2, relative, ""), std::nullopt) << "relative to an unknown folder";
  EXPECT_EQ(HandOffMessage(1, none, ""), "s");
  EXPECT_EQ(WorkingFolder(), QFile::encodeName(QDir::currentPath()));
}

TEST_F(HandOffTest, TheFolderIsMadePrivateAndAnythingElseIsRefused) {
  const HandOffFolder made = PrivateHandOffFolder();
  ASSERT_EQ(made.refusal, QString());
  EXPECT_EQ(made.path, runtime_ + "/ondrel");
  struct stat st;
  ASSERT_EQ(::lstat(made.path.constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0700u);
  EXPECT_EQ(PrivateHandOffFolder().refusal, QString()) << "an existing private folder is used";

  const QByteArray base = QFile::encodeName(dir_.path());
  ::mkdir(base + "/open", 0755);
  ::chmod(base + "/open", 0755);
  ::mkdir(base + "/target", 0700);
  ::symlink(base + "/target", base + "/link");
  QFile(base + "/file").open(QIODevice::WriteOnly);
  ::mkdir(base + "/shared", 0777);
  ::chmod(base + "/shared", 0777);
  ::mkdir(base + "/sticky", 0777);
  ::chmod(base + "/sticky", 01777);
  struct Case { const char* name; bool refused; };
  for (const Case c : {Case{"/open", true}, Case{"/link", true}, Case{"/file", true},
                       Case{"/missing/deeper", true}, Case{"/shared/ondrel", true},
                       Case{"/sticky/ondrel", false}}) {
    const HandOffFolder folder = CheckedHandOffFolder(base + c.name);
    EXPECT_EQ(!folder.refusal.isEmpty(), c.refused)
        << c.name << ": " << folder.refusal.toStdString();
    EXPECT_EQ(folder.path.isEmpty(), c.refused) << c.name;
  }

  // Without XDG_RUNTIME_DIR the folder carries the uid under TMPDIR.
  qunsetenv("XDG_RUNTIME_DIR");
  const QByteArray saved = qgetenv("TMPDIR");
  qputenv("TMPDIR", base + "/sticky/");
  EXPECT_EQ(PrivateHandOffFolder().path, base + "/sticky/ondrel-" + QByteArray::number(::getuid()));
  saved.isNull() ? qunsetenv("TMPDIR") : qputenv("TMPDIR", saved);
}

TEST_F(HandOffTest, TheFirstClaimOwnsTheSocketAndRequestsArriveInOrder) {
  ASSERT_TRUE(PrivateHandOffFolder().refusal.isEmpty());
  SingleInstance first = SingleInstance::Claim(SocketPath());
  ASSERT_EQ(first.role(), SingleInstance::Role::First) << first.failure().toStdString();
  EXPECT_GE(first.socket(), 0);
  EXPECT_FALSE(first.ReceivePending()) << "nothing pending, and no blocking";

  for (const QByteArray& request : {QByteArray("e/tmp/one two.blp"), QByteArray(),
                                    QByteArray("s"), QByteArray("e/b\xff\xfe")}) {
    SingleInstance second = SingleInstance::Claim(SocketPath());
    ASSERT_EQ(second.role(), SingleInstance::Role::Second) << second.failure().toStdString();
    EXPECT_LT(second.socket(), 0);
    EXPECT_EQ(second.Send(request), SingleInstance::Delivery::Delivered);
  }
  EXPECT_TRUE(first.ReceivePending());
  EXPECT_EQ(first.DrainMessages(), (QList<QByteArray>{"e/tmp/one two.blp", "s", "e/b\xff\xfe"}))
      << "the empty datagram is dropped, not an end of the queue";
  EXPECT_TRUE(first.DrainMessages().isEmpty());
}

TEST_F(HandOffTest, TheSocketGoesWithItsOwnerAndAStaleOneIsReplaced) {
  ASSERT_TRUE(PrivateHandOffFolder().refusal.isEmpty());
  {
    SingleInstance first = SingleInstance::Claim(SocketPath());
    ASSERT_EQ(first.role(), SingleInstance::Role::First);
    EXPECT_TRUE(IsLive(SocketPath()));
  }
  EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(SocketPath())));

  // A killed owner leaves its file behind; nobody answers there any more.
  {
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    socklen_t length;
    const sockaddr_un a = FileAddress(SocketPath(), length);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&a), length), 0);
    ::close(fd);
  }
  ASSERT_TRUE(QFileInfo::exists(QFile::decodeName(SocketPath())));
  SingleInstance next = SingleInstance::Claim(SocketPath());
  EXPECT_EQ(next.role(), SingleInstance::Role::First) << next.failure().toStdString();
  EXPECT_TRUE(IsLive(SocketPath()));

  const SingleInstance tooLong = SingleInstance::Claim("/tmp/" + QByteArray(200, 'x'));
  EXPECT_EQ(tooLong.role(), SingleInstance::Role::Failed);
  EXPECT_FALSE(tooLong.failure().isEmpty());
}

// Counts the hand-off events it receives.
class Receiver : public QObject {
 public:
  int events = 0;
  bool event(QEvent* e) override {
    if (e->type() != HandOffEvent) return QObject::event(e);
    ++events;
    return true;
  }
};

TEST_F(HandOffTest, TheListenerPostsAnEventForWaitingRequestsAndStopsWhenDestroyed) {
  ASSERT_TRUE(PrivateHandOffFolder().refusal.isEmpty());
  SingleInstance first = SingleInstance::Claim(SocketPath());
  ASSERT_EQ(first.role(), SingleInstance::Role::First);
  Receiver receiver;
  {
    TEventWaitThread listener(&first, &receiver);
    SingleInstance::Claim(SocketPath()).Send("s");
    ASSERT_TRUE(WaitFor([&] {
      QCoreApplication::processEvents();
      return receiver.events > 0;
    }));
    EXPECT_EQ(first.DrainMessages(), QList<QByteArray>{"s"});
  }
  TEventWaitThread without(nullptr, &receiver);
  EXPECT_TRUE(without.wait(5000)) << "no instance: the thread ends at once";
}

TEST_F(HandOffTest, AForeignFloodIsDrainedAtOnceAndKeptNowhere) {
  if (::getuid() != 0) GTEST_SKIP() << "needs root to send with another user's credentials";
  ASSERT_TRUE(PrivateHandOffFolder().refusal.isEmpty());
  SingleInstance first = SingleInstance::Claim(SocketPath());
  ASSERT_EQ(first.role(), SingleInstance::Role::First);
  Receiver receiver;
  TEventWaitThread listener(&first, &receiver);
  // The kernel queues about ten datagrams: a thousand pass only if each is taken at once.
  for (int i = 0; i < 1000; ++i) {
    const int error = SendForeign(SocketPath(), "e/tmp/planted.blp", kNobody);
    if (error == EPERM) GTEST_SKIP() << "this root may not send another user's credentials";
    ASSERT_EQ(error, 0) << "datagram " << i << ": " << std::strerror(error);
  }
  SingleInstance::Claim(SocketPath()).Send("e/tmp/mine.blp");
  ASSERT_TRUE(WaitFor([&] {
    QCoreApplication::processEvents();
    return receiver.events > 0;
  }));
  EXPECT_EQ(first.DrainMessages(), QList<QByteArray>{"e/tmp/mine.blp"});
  EXPECT_EQ(receiver.events, 1);
}

// A private program folder: copies of the built program and library, and its own settings.
class ProgramProcessTest : public HandOffTest {
 protected:
  void SetUp() override {
    // Open to all up to the runtime folder, so only the program's own folder keeps others out.
    ::chmod(QFile::encodeName(dir_.path()), 0755);
    ::chmod(runtime_, 0755);
    folder_ = dir_.filePath("bin") + '/';
    QDir().mkpath(folder_);
    for (const char* name : {"ondrel", "libormel_blp.so"})
      ASSERT_TRUE(QFile::copy(QStringLiteral(ONDREL_PROGRAM_DIR "/") + name, folder_ + name)) << name;
    QFile::setPermissions(folder_ + "ondrel", QFile::permissions(folder_ + "ondrel") |
                                                  QFileDevice::ExeOwner);
    log_ = dir_.filePath("handoff.log");
  }
  void TearDown() override {
    for (auto& p : running_) {
      p->kill();
      p->waitForFinished(5000);
    }
  }

  void WriteSettings(const QByteArray& text) {
    QFile file(folder_ + "ondrel.ini");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
  }

  std::unique_ptr<QProcess> Process() {
    auto p = std::make_unique<QProcess>();
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("ONDREL_INSTANCE_SUFFIX", QString::fromUtf8(suffix_));
    env.insert("ONDREL_HANDOFF_LOG", log_);
    env.insert("XDG_CONFIG_HOME", dir_.filePath("config"));
    if (temporaryOnly_.isEmpty()) {
      env.insert("XDG_RUNTIME_DIR", QFile::decodeName(runtime_));
    } else {
      env.remove("XDG_RUNTIME_DIR");
      env.insert("TMPDIR", temporaryOnly_);
    }
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    return p;
  }

  // Starts a program that should keep running.
  QProcess& Start(const QStringList& args = {}) {
    running_.push_back(Process());
    running_.back()->start(folder_ + "ondrel", args);
    EXPECT_TRUE(running_.back()->waitForStarted(10000));
    return *running_.back();
  }
  bool WaitForInstance() {
    return WaitFor([this] { return IsLive(SocketPath()); });
  }

  // Runs a program that should end by itself; returns its exit code, or -1 when it did not end.
  int Run(const QStringList& args, const QString& workingFolder = QString()) {
    auto p = Process();
    if (!workingFolder.isEmpty()) p->setWorkingDirectory(workingFolder);
    p->start(folder_ + "ondrel", args);
    if (!p->waitForFinished(10000)) {
      p->kill();
      p->waitForFinished();
      return -1;
    }
    output_ = p->readAllStandardOutput();
    return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
  }

  QByteArray Log() {
    QFile file(log_);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  bool WaitForLog(const QByteArray& expected) {
    return WaitFor([&] { return Log() == expected; });
  }

  QString folder_;
  QString log_;
  QString temporaryOnly_;  // set: XDG_RUNTIME_DIR is unset and TMPDIR is this
  QByteArray output_;
  std::vector<std::unique_ptr<QProcess>> running_;
};

TEST_F(ProgramProcessTest, HelpAndVersionAnswerWithoutAWindow) {
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_TRUE(output_.startsWith("Usage: ondrel [IMAGE]\n")) << output_.toStdString();
  EXPECT_EQ(Run({"-h"}), 0);
  EXPECT_TRUE(output_.startsWith("Usage: ondrel")) << output_.toStdString();
  EXPECT_EQ(Run({"--version"}), 0);
  EXPECT_EQ(output_, "ondrel " ONDREL_VERSION "\n");
  EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(SocketPath()))) << "no instance was claimed";
}

TEST_F(ProgramProcessTest, ASecondStartHandsOverItsFirstArgumentAndEnds) {
  Start();
  ASSERT_TRUE(WaitForInstance());
  EXPECT_EQ(Run({"/tmp/first texture.blp", "/tmp/second.blp", "/tmp/third.blp"}), 0);
  ASSERT_TRUE(WaitForLog("e/tmp/first texture.blp\n")) << Log().toStdString();
  EXPECT_EQ(Run({}), 0);
  // Relative to the second start's folder, not the running instance's.
  const QString textures = dir_.filePath("textures");
  QDir().mkpath(textures);
  EXPECT_EQ(Run({"test.blp"}, textures), 0);
  EXPECT_TRUE(WaitForLog("e/tmp/first texture.blp\ns\ne" + QFile::encodeName(textures) +
                         "/test.blp\n")) << Log().toStdString();
  EXPECT_EQ(running_.front()->state(), QProcess::Running);
}

TEST_F(ProgramProcessTest, RunOneAppZeroGivesIndependentInstances) {
  WriteSettings("[SETTINGS]\nRunOneApp=0\n");
  QProcess& one = Start();
  QProcess& two = Start({"/tmp/x.blp"});
  EXPECT_FALSE(one.waitForFinished(1500));
  EXPECT_EQ(two.state(), QProcess::Running);
  EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(runtime_ + "/ondrel"))) << "nothing claimed";
}

TEST_F(ProgramProcessTest, AKilledInstancesSocketIsTakenOver) {
  QProcess& first = Start();
  ASSERT_TRUE(WaitForInstance());
  first.kill();
  ASSERT_TRUE(first.waitForFinished(10000));
  ASSERT_TRUE(QFileInfo::exists(QFile::decodeName(SocketPath()))) << "the killed one left its file";
  EXPECT_FALSE(IsLive(SocketPath()));
  QProcess& next = Start({"/tmp/x.blp"});
  ASSERT_TRUE(WaitForInstance());
  EXPECT_EQ(Run({"/tmp/a.blp"}), 0);
  EXPECT_TRUE(WaitForLog("e/tmp/a.blp\n")) << Log().toStdString();
  EXPECT_EQ(next.state(), QProcess::Running);
}

TEST_F(ProgramProcessTest, AnUnsafeFolderStillGivesEveryStartAWindow) {
  ASSERT_EQ(::mkdir(runtime_ + "/ondrel", 0755), 0);
  ::chmod(runtime_ + "/ondrel", 0755);
  QProcess& one = Start();
  QProcess& two = Start({"/tmp/x.blp"});
  EXPECT_FALSE(two.waitForFinished(1500)) << "the second start did not end unseen";
  EXPECT_EQ(one.state(), QProcess::Running);
  EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(SocketPath())));
}

TEST_F(ProgramProcessTest, AnotherUserCannotReachTheSocketNorCatchAnythingByOldNames) {
  if (::getuid() != 0) GTEST_SKIP() << "needs root to act as another user (nobody)";
  // The old abstract names, squatted before the instance starts; nothing must arrive there.
  int ready[2], done[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(done), 0);
  const QByteArray uid = QByteArray::number(::getuid());
  socklen_t commandLength, eventLength;
  const sockaddr_un command = AbstractAddress("ondrel_filecmd-" + uid + suffix_, commandLength);
  const sockaddr_un event = AbstractAddress("ondrel_cmd_event-" + uid + suffix_, eventLength);
  const pid_t squatter = ::fork();
  if (squatter == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(100);
    const int a = ::socket(AF_UNIX, SOCK_DGRAM, 0), b = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    if (::bind(a, reinterpret_cast<const sockaddr*>(&command), commandLength) != 0 ||
        ::bind(b, reinterpret_cast<const sockaddr*>(&event), eventLength) != 0)
      ::_exit(101);
    char byte = 1;
    [[maybe_unused]] auto w = ::write(ready[1], &byte, 1);
    [[maybe_unused]] auto r = ::read(done[0], &byte, 1);
    char buffer[4096];
    int caught = 0;
    while (::recv(a, buffer, sizeof buffer, MSG_DONTWAIT) >= 0) ++caught;
    while (::recv(b, buffer, sizeof buffer, MSG_DONTWAIT) >= 0) ++caught;
    ::_exit(caught);
  }
  char byte = 0;
  ASSERT_EQ(::read(ready[0], &byte, 1), 1) << "the squatter could not bind";

  Start();
  ASSERT_TRUE(WaitForInstance());
  const QByteArray socket = SocketPath();
  const QByteArray planted = runtime_ + "/ondrel/planted";
  EXPECT_EQ(AsNobody([&] {
              socklen_t toLength, atLength;
              const sockaddr_un to = FileAddress(socket, toLength);
              const sockaddr_un at = FileAddress(planted, atLength);
              const auto* toAddress = reinterpret_cast<const sockaddr*>(&to);
              const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
              if (::connect(fd, toAddress, toLength) == 0) return 1;
              if (::sendto(fd, "e/x", 3, 0, toAddress, toLength) >= 0) return 2;
              if (::bind(fd, reinterpret_cast<const sockaddr*>(&at), atLength) == 0) return 3;
              return errno == EACCES ? 0 : 4;
            }),
            0)
      << "1 connected, 2 sent, 3 bound in the folder";
  EXPECT_EQ(Run({"/tmp/private/x.blp"}), 0);
  EXPECT_TRUE(WaitForLog("e/tmp/private/x.blp\n")) << Log().toStdString();

  [[maybe_unused]] auto w = ::write(done[1], &byte, 1);
  int status = 0;
  ::waitpid(squatter, &status, 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "datagrams caught by the squatter";
  for (const int fd : {ready[0], ready[1], done[0], done[1]}) ::close(fd);
}

TEST_F(ProgramProcessTest, AFolderTakenByAnotherUserGivesEveryStartAWindow) {
  if (::getuid() != 0) GTEST_SKIP() << "needs root to act as another user (nobody)";
  temporaryOnly_ = dir_.filePath("tmp");
  const QByteArray tmp = QFile::encodeName(temporaryOnly_);
  ASSERT_EQ(::mkdir(tmp, 0777), 0);
  ::chmod(tmp, 01777);
  const QByteArray taken = tmp + "/ondrel-" + QByteArray::number(::getuid());
  ASSERT_EQ(AsNobody([&] { return ::mkdir(taken.constData(), 0700) == 0 ? 0 : 1; }), 0);
  QProcess& one = Start();
  QProcess& two = Start({"/tmp/private/x.blp"});
  EXPECT_FALSE(two.waitForFinished(1500)) << "the path went nowhere, the start showed its window";
  EXPECT_EQ(one.state(), QProcess::Running);
}

TEST_F(ProgramProcessTest, AForeignFloodDoesNotBlockTheNextHandOff) {
  if (::getuid() != 0) GTEST_SKIP() << "needs root to send with another user's credentials";
  Start();
  ASSERT_TRUE(WaitForInstance());
  for (int i = 0; i < 1000; ++i) {
    const int error = SendForeign(SocketPath(), "e/tmp/planted.blp", kNobody);
    if (error == EPERM) GTEST_SKIP() << "this root may not send another user's credentials";
    ASSERT_EQ(error, 0) << "datagram " << i << ": " << std::strerror(error);
  }
  EXPECT_EQ(Run({"/tmp/mine.blp"}), 0);
  EXPECT_TRUE(WaitForLog("e/tmp/mine.blp\n")) << Log().toStdString();
}

}  // namespace

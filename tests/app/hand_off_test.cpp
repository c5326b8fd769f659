// The single-instance hand-off: the sockets in this process, then the built program started
// as real processes. Every test uses its own socket names (ONDREL_INSTANCE_SUFFIX) and its own
// copy of the program folder, so a real running Ondrel and its settings are never touched.
#include "TEventWaitThread.hpp"
#include "single_instance.hpp"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace ondrel;

QByteArray UniqueSuffix() {
  static int counter = 0;
  return "-test-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(++counter);
}

// Each test's names; the process-wide variable is what the code under test reads.
class HandOffTest : public ::testing::Test {
 protected:
  HandOffTest() : suffix_(UniqueSuffix()) { qputenv("ONDREL_INSTANCE_SUFFIX", suffix_); }
  ~HandOffTest() override { qunsetenv("ONDREL_INSTANCE_SUFFIX"); }
  QByteArray suffix_;
};

sockaddr_un Address(const QByteArray& name, socklen_t& length) {
  sockaddr_un a{};
  a.sun_family = AF_UNIX;
  std::memcpy(a.sun_path + 1, name.constData(), name.size());
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return a;
}

// True when some process has bound the abstract name.
bool IsBound(const QByteArray& name) {
  const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
  socklen_t length;
  const sockaddr_un a = Address(name, length);
  const bool bound = ::connect(fd, reinterpret_cast<const sockaddr*>(&a), length) == 0;
  ::close(fd);
  return bound;
}

bool WaitFor(const std::function<bool()>& condition, int ms = 10000) {
  QDeadlineTimer deadline(ms);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QThread::msleep(20);
  }
  return true;
}

TEST_F(HandOffTest, TheFirstClaimOwnsTheNamesAndDrainsRequestsInOrder) {
  SingleInstance first = SingleInstance::Claim();
  ASSERT_EQ(first.role(), SingleInstance::Role::First);
  EXPECT_GE(first.eventSocket(), 0);
  EXPECT_EQ(SingleInstance::Claim().role(), SingleInstance::Role::Second);
  EXPECT_TRUE(first.DrainMessages().isEmpty()) << "nothing pending, and no blocking";

  const char* argv3[] = {"ondrel", "/tmp/one two.blp", "/tmp/ignored.blp", "x"};
  const char* argv1[] = {"ondrel"};
  EXPECT_EQ(HandOffMessage(4, argv3), "e/tmp/one two.blp");
  EXPECT_EQ(HandOffMessage(1, argv1), "s");
  SingleInstance::SendHandOff(HandOffMessage(4, argv3));
  SingleInstance::SendHandOff("");  // an empty datagram is dropped, not an end of the queue
  SingleInstance::SendHandOff("s");
  SingleInstance::SendHandOff("e/b\xff\xfe");  // bytes of any file name, as given
  EXPECT_EQ(first.DrainMessages(), (QList<QByteArray>{"e/tmp/one two.blp", "s", "e/b\xff\xfe"}));
  EXPECT_TRUE(first.DrainMessages().isEmpty());
}

TEST_F(HandOffTest, TheNamesAreFreeAgainWhenTheOwnerCloses) {
  {
    SingleInstance first = SingleInstance::Claim();
    ASSERT_EQ(first.role(), SingleInstance::Role::First);
    EXPECT_TRUE(IsBound(FileCommandSocketName()));
  }
  EXPECT_FALSE(IsBound(FileCommandSocketName()));
  EXPECT_FALSE(IsBound(CommandEventSocketName()));
  EXPECT_EQ(SingleInstance::Claim().role(), SingleInstance::Role::First);
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

TEST_F(HandOffTest, TheListenerPostsOneEventPerWakeUpAndStopsWhenDestroyed) {
  SingleInstance first = SingleInstance::Claim();
  ASSERT_EQ(first.role(), SingleInstance::Role::First);
  Receiver receiver;
  {
    TEventWaitThread listener(first.eventSocket(), &receiver);
    SingleInstance::SendHandOff("s");
    ASSERT_TRUE(WaitFor([&] {
      QCoreApplication::processEvents();
      return receiver.events > 0;
    }));
    EXPECT_EQ(first.DrainMessages(), QList<QByteArray>{"s"});
  }
  TEventWaitThread without(-1, &receiver);
  EXPECT_TRUE(without.wait(5000)) << "no event socket: the thread ends at once";
}

// A private program folder: copies of the built program and library, and its own settings.
class ProgramProcessTest : public HandOffTest {
 protected:
  void SetUp() override {
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

  // Runs a program that should end by itself; returns its exit code, or -1 when it did not end.
  int Run(const QStringList& args) {
    auto p = Process();
    p->start(folder_ + "ondrel", args);
    if (!p->waitForFinished(10000)) {
      p->kill();
      p->waitForFinished();
      return -1;
    }
    return p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1;
  }

  QByteArray Log() {
    QFile file(log_);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  bool WaitForLog(const QByteArray& expected) {
    return WaitFor([&] { return Log() == expected; });
  }

  QTemporaryDir dir_;
  QString folder_;
  QString log_;
  std::vector<std::unique_ptr<QProcess>> running_;
};

TEST_F(ProgramProcessTest, ASecondStartHandsOverItsFirstArgumentAndEnds) {
  Start();
  ASSERT_TRUE(WaitFor([] { return IsBound(CommandEventSocketName()); }));
  EXPECT_EQ(Run({"/tmp/first texture.blp", "/tmp/second.blp", "/tmp/third.blp"}), 0);
  ASSERT_TRUE(WaitForLog("e/tmp/first texture.blp\n")) << Log().toStdString();
  EXPECT_EQ(Run({}), 0);
  EXPECT_EQ(Run({"/tmp/a.blp"}), 0);
  EXPECT_TRUE(WaitForLog("e/tmp/first texture.blp\ns\ne/tmp/a.blp\n")) << Log().toStdString();
  EXPECT_EQ(running_.front()->state(), QProcess::Running);
}

TEST_F(ProgramProcessTest, RunOneAppZeroGivesIndependentInstances) {
  WriteSettings("[SETTINGS]\nRunOneApp=0\n");
  QProcess& one = Start();
  QProcess& two = Start({"/tmp/x.blp"});
  EXPECT_FALSE(one.waitForFinished(1500));
  EXPECT_EQ(two.state(), QProcess::Running);
  EXPECT_FALSE(IsBound(FileCommandSocketName()));
  EXPECT_FALSE(IsBound(CommandEventSocketName()));
}

TEST_F(ProgramProcessTest, TheNameIsFreeAgainAfterTheFirstInstanceEnds) {
  QProcess& first = Start();
  ASSERT_TRUE(WaitFor([] { return IsBound(FileCommandSocketName()); }));
  first.terminate();
  ASSERT_TRUE(first.waitForFinished(10000));
  EXPECT_FALSE(IsBound(FileCommandSocketName()));
  QProcess& next = Start({"/tmp/x.blp"});
  EXPECT_TRUE(WaitFor([] { return IsBound(FileCommandSocketName()); }));
  EXPECT_EQ(next.state(), QProcess::Running) << "it became the running instance";
}

// Sends one datagram to an abstract name from a child that runs as another user.
void SendAsUser(uid_t uid, const QByteArray& name, const QByteArray& bytes) {
  socklen_t length;
  const sockaddr_un a = Address(name, length);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(uid) != 0 || ::setuid(uid) != 0) ::_exit(2);
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM, 0);
    const bool sent = ::sendto(fd, bytes.constData(), bytes.size(), 0,
                               reinterpret_cast<const sockaddr*>(&a), length) == bytes.size();
    ::_exit(sent ? 0 : 3);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the other user could not send";
}

TEST_F(ProgramProcessTest, ADatagramFromAnotherUserIsRefused) {
  if (::getuid() != 0) GTEST_SKIP() << "needs root to send as another user (nobody)";
  Start();
  ASSERT_TRUE(WaitFor([] { return IsBound(CommandEventSocketName()); }));
  const uid_t nobody = 65534;
  SendAsUser(nobody, FileCommandSocketName(), "e/tmp/planted.blp");
  SendAsUser(nobody, CommandEventSocketName(), "1");
  EXPECT_EQ(Run({"/tmp/mine.blp"}), 0);
  EXPECT_TRUE(WaitForLog("e/tmp/mine.blp\n")) << Log().toStdString();
}

}  // namespace

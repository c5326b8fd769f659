// Files no reader may block on or read without end, made in a scratch folder: a FIFO, a link
// to /dev/zero, a folder and an unreadable file, each named like an image. And a bounded run:
// the call in a child process, killed when it outlasts its time, so a regression fails
// instead of hanging the suite.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <csignal>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <thread>

namespace ondrel_test {

struct SpecialFiles {
  QString fifo, deviceLink, folder, unreadable;

  // `extension` with its dot, e.g. ".png".
  static SpecialFiles MakeIn(const QString& dir, const QString& extension) {
    SpecialFiles f{dir + "/fifo" + extension, dir + "/zero" + extension, dir + "/folder" + extension,
                   dir + "/secret" + extension};
    // Open to all, like the folder, so an unprivileged reader meets the kind, not the mode.
    ::chmod(QFile::encodeName(dir).constData(), 0755);
    ::mkfifo(QFile::encodeName(f.fifo).constData(), 0666);
    ::chmod(QFile::encodeName(f.fifo).constData(), 0666);
    QFile::link("/dev/zero", f.deviceLink);
    QDir(dir).mkdir("folder" + extension);
    QFile secret(f.unreadable);
    secret.open(QIODevice::WriteOnly);
    secret.write("BLP2 and more");
    secret.close();
    ::chmod(QFile::encodeName(f.unreadable).constData(), 0);
    return f;
  }
};

// Runs `call` in a child process (as an unprivileged user when we are root, so a mode-0 file is
// unreadable to it) and returns what it returned; nothing when it ran past `seconds` or died.
inline std::optional<std::string> RunBounded(const std::function<std::string()>& call, int seconds = 10) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return std::nullopt;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeEnds[0]);
    if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    const std::string result = call();
    if (::write(pipeEnds[1], result.data(), result.size()) < 0) ::_exit(2);
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > end) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      ::close(pipeEnds[0]);
      return std::nullopt;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::string out;
  char buffer[512];
  for (ssize_t n; (n = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, std::size_t(n));
  ::close(pipeEnds[0]);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  return out;
}

}  // namespace ondrel_test

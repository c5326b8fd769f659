#include "cli_run.hpp"

#include <QDirIterator>
#include <QFile>
#include <QMap>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace ondrel_test {
namespace {

QByteArray ReadAll(const char* path) {
  QFile f(QString::fromLocal8Bit(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

CliResult RunCli(const QStringList& arguments) {
  QTemporaryDir scratch;
  const QByteArray outPath = (scratch.path() + "/out").toLocal8Bit();
  const QByteArray errPath = (scratch.path() + "/err").toLocal8Bit();
  std::vector<QByteArray> args{QByteArray(ONDREL_CONVERT)};
  for (const QString& a : arguments) args.push_back(a.toLocal8Bit());
  std::vector<char*> argv;
  for (QByteArray& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    // Kept across exec: a run that hangs ends with SIGALRM and fails instead of stalling the suite.
    ::alarm(120);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  CliResult r;
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.out = QString::fromLocal8Bit(ReadAll(outPath.constData()));
  r.err = QString::fromLocal8Bit(ReadAll(errPath.constData()));
  return r;
}

QMap<QString, QByteArray> TreeContents(const QString& folder) {
  QMap<QString, QByteArray> files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QString path = it.next();
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    files.insert(path.mid(folder.size()), f.readAll());
  }
  return files;
}

}  // namespace ondrel_test

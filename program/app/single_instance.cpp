#include "single_instance.hpp"

#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <vector>

#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <fcntl.h>
#include <unistd.h>

namespace ondrel {

namespace {

// Requests of our own user waiting for the user-interface thread; beyond these they are
// dropped, so not even our own runaway sender grows the memory without end.
constexpr qsizetype kMaxPendingRequests = 256;
constexpr qsizetype kMaxPendingBytes = 4 * 1024 * 1024;
// How long a second start waits for the queue or for the claim lock.
constexpr int kWaitMs = 2000;

QString SystemError(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

// False when the path does not fit: a cut path would name another file.
bool FileAddress(const QByteArray& path, sockaddr_un& address, socklen_t& length) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.isEmpty() || static_cast<std::size_t>(path.size()) >= sizeof address.sun_path)
    return false;
  std::memcpy(address.sun_path, path.constData(), path.size());
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
  return true;
}

UniqueFd DatagramSocket() { return UniqueFd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0)); }

// An exclusive lock on "<socket>.lock", held while it lives; the kernel drops it if we die.
class ClaimLock {
 public:
  explicit ClaimLock(const QByteArray& path)
      : fd_(::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600)) {
    if (!fd_.valid()) return;
    const QDeadlineTimer deadline(kWaitMs);
    while (::flock(fd_.get(), LOCK_EX | LOCK_NB) != 0) {
      if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) return;
      QThread::msleep(10);
    }
    locked_ = true;
  }
  ~ClaimLock() {
    if (locked_) ::flock(fd_.get(), LOCK_UN);
  }
  ClaimLock(const ClaimLock&) = delete;
  ClaimLock& operator=(const ClaimLock&) = delete;
  bool locked() const { return locked_; }

 private:
  UniqueFd fd_;
  bool locked_ = false;
};

}  // namespace

struct SingleInstance::Inbox {
  std::mutex mutex;
  QList<QByteArray> requests;
  qsizetype bytes = 0;
};

QByteArray HandOffSocketPath(const QByteArray& folder) {
  QByteArray suffix = qgetenv("ONDREL_INSTANCE_SUFFIX");
  suffix.replace('/', '_');
  return folder + "/ondrel_filecmd" + suffix;
}

std::optional<QByteArray> HandOffMessage(int argc, const char* const* argv,
                                         const QByteArray& workingFolder) {
  if (argc < 2) return QByteArrayLiteral("s");
  QByteArray path(argv[1]);
  if (!path.isEmpty() && !path.startsWith('/')) {
    if (workingFolder.isEmpty()) return std::nullopt;
    path.prepend(workingFolder.endsWith('/') ? workingFolder : workingFolder + '/');
  }
  return QByteArray("e") + path;
}

QByteArray WorkingFolder() {
  std::vector<char> buffer(4096);
  while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (1u << 20)) return QByteArray();
    buffer.resize(buffer.size() * 2);
  }
  return QByteArray(buffer.data());
}

SingleInstance::SingleInstance() = default;
SingleInstance::SingleInstance(SingleInstance&&) noexcept = default;
SingleInstance& SingleInstance::operator=(SingleInstance&&) noexcept = default;

SingleInstance::~SingleInstance() {
  if (role_ != Role::First || !socket_.valid()) return;
  // Under the lock no later start can be between its connect and its takeover; without it
  // the file stays and the next start finds it stale.
  const ClaimLock lock(path_ + ".lock");
  if (lock.locked()) ::unlink(path_.constData());
  socket_.reset();
}

SingleInstance SingleInstance::Claim(const QByteArray& socketPath) {
  SingleInstance instance;
  instance.path_ = socketPath;
  sockaddr_un address;
  socklen_t length = 0;
  if (!FileAddress(socketPath, address, length)) {
    instance.failure_ = QStringLiteral("the socket path is too long");
    return instance;
  }
  const ClaimLock lock(socketPath + ".lock");
  if (!lock.locked()) {
    instance.failure_ = QStringLiteral("the claim lock could not be taken");
    return instance;
  }
  const auto* target = reinterpret_cast<const sockaddr*>(&address);
  for (int attempt = 0; attempt < 3; ++attempt) {
    UniqueFd own = DatagramSocket();
    const int on = 1;
    if (!own.valid() || ::setsockopt(own.get(), SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0) {
      instance.failure_ = SystemError(errno);
      return instance;
    }
    if (::bind(own.get(), target, length) == 0) {
      instance.role_ = Role::First;
      instance.socket_ = std::move(own);
      instance.inbox_ = std::make_unique<Inbox>();
      return instance;
    }
    if (errno != EADDRINUSE) {
      instance.failure_ = SystemError(errno);
      return instance;
    }
    // Something is there. Only a socket of our own is talked to or replaced.
    struct stat file;
    if (::lstat(socketPath.constData(), &file) != 0) {
      if (errno == ENOENT) continue;
      instance.failure_ = SystemError(errno);
      return instance;
    }
    if (!S_ISSOCK(file.st_mode) || file.st_uid != ::getuid()) {
      instance.failure_ = QString::fromLocal8Bit(socketPath) +
                          QStringLiteral(": not a socket of this user");
      return instance;
    }
    UniqueFd peer = DatagramSocket();
    if (peer.valid() && ::connect(peer.get(), target, length) == 0) {
      instance.role_ = Role::Second;
      instance.socket_ = std::move(peer);
      return instance;
    }
    if (errno == ECONNREFUSED) {  // its owner has died
      ::unlink(socketPath.constData());
      continue;
    }
    if (errno == ENOENT) continue;
    instance.failure_ = SystemError(errno);
    return instance;
  }
  instance.failure_ = QStringLiteral("the socket could neither be bound nor reached");
  return instance;
}

SingleInstance::Delivery SingleInstance::Send(const QByteArray& message) {
  if (role_ != Role::Second) return Delivery::Failed;
  const timeval wait{kWaitMs / 1000, (kWaitMs % 1000) * 1000};
  ::setsockopt(socket_.get(), SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
  ssize_t sent;
  do {
    sent = ::send(socket_.get(), message.constData(), static_cast<std::size_t>(message.size()),
                  MSG_NOSIGNAL);
  } while (sent < 0 && errno == EINTR);
  if (sent == message.size()) return Delivery::Delivered;
  if (sent < 0 &&
      (errno == ECONNREFUSED || errno == ECONNRESET || errno == ENOTCONN || errno == EPIPE))
    return Delivery::Gone;
  failure_ = sent < 0 ? SystemError(errno) : QStringLiteral("the request was cut short");
  return Delivery::Failed;
}

bool SingleInstance::ReceivePending() {
  if (role_ != Role::First) return false;
  bool due = false;
  while (true) {
    // A look at the next datagram: its size and its sender, without taking it.
    char probe = 0;
    iovec head{&probe, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
    msghdr message{};
    message.msg_iov = &head;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t size = ::recvmsg(socket_.get(), &message, MSG_PEEK | MSG_TRUNC | MSG_DONTWAIT);
    if (size < 0) {
      if (errno == EINTR) continue;
      break;  // nothing more pending
    }
    bool ours = false;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
      if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS &&
          c->cmsg_len >= CMSG_LEN(sizeof(ucred))) {
        ucred sender;
        std::memcpy(&sender, CMSG_DATA(c), sizeof sender);
        ours = sender.uid == ::getuid();
      }
    }
    if (!ours || size == 0) {  // taken with a one-byte read, the rest of it is discarded
      [[maybe_unused]] const auto dropped = ::recv(socket_.get(), &probe, 1, MSG_DONTWAIT);
      continue;
    }
    QByteArray bytes(size, Qt::Uninitialized);
    const ssize_t got =
        ::recv(socket_.get(), bytes.data(), static_cast<std::size_t>(size), MSG_DONTWAIT);
    if (got <= 0) continue;
    bytes.resize(got);
    const std::lock_guard guard(inbox_->mutex);
    if (inbox_->requests.size() >= kMaxPendingRequests || inbox_->bytes + got > kMaxPendingBytes)
      continue;
    due = due || inbox_->requests.isEmpty();
    inbox_->bytes += got;
    inbox_->requests.append(std::move(bytes));
  }
  return due;
}

QList<QByteArray> SingleInstance::DrainMessages() {
  if (!inbox_) return {};
  const std::lock_guard guard(inbox_->mutex);
  inbox_->bytes = 0;
  return std::exchange(inbox_->requests, {});
}

}  // namespace ondrel

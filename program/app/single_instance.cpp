#include "single_instance.hpp"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace ondrel {

namespace {

QByteArray NameFor(const char* base) {
  return QByteArray(base) + '-' + QByteArray::number(::getuid()) +
         qgetenv("ONDREL_INSTANCE_SUFFIX");
}

// An abstract address: a leading NUL, then the name; its length counts exactly the name.
socklen_t AbstractAddress(const QByteArray& name, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  const auto length = std::min<std::size_t>(name.size(), sizeof address.sun_path - 1);
  std::memcpy(address.sun_path + 1, name.constData(), length);
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

UniqueFd DatagramSocket() {
  return UniqueFd(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
}

// Binds a receiving socket that is told each sender's credentials. errno is kept on failure.
UniqueFd BindReceiver(const QByteArray& name) {
  UniqueFd fd = DatagramSocket();
  if (!fd.valid()) return fd;
  const int on = 1;
  sockaddr_un address;
  const socklen_t length = AbstractAddress(name, address);
  if (::setsockopt(fd.get(), SOL_SOCKET, SO_PASSCRED, &on, sizeof on) != 0 ||
      ::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    const int error = errno;
    fd.reset();
    errno = error;
  }
  return fd;
}

void SendTo(int fd, const QByteArray& name, const QByteArray& bytes) {
  sockaddr_un address;
  const socklen_t length = AbstractAddress(name, address);
  ::sendto(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()), MSG_DONTWAIT | MSG_NOSIGNAL,
           reinterpret_cast<const sockaddr*>(&address), length);
}

}  // namespace

QByteArray FileCommandSocketName() { return NameFor("ondrel_filecmd"); }
QByteArray CommandEventSocketName() { return NameFor("ondrel_cmd_event"); }

QByteArray HandOffMessage(int argc, const char* const* argv) {
  if (argc < 2) return QByteArrayLiteral("s");
  return QByteArray("e") + QByteArray(argv[1]);
}

SingleInstance SingleInstance::Claim() {
  SingleInstance instance;
  instance.fileCommand_ = BindReceiver(FileCommandSocketName());
  if (!instance.fileCommand_.valid()) {
    instance.role_ = errno == EADDRINUSE ? Role::Second : Role::Failed;
    return instance;
  }
  instance.role_ = Role::First;
  // Without the event the instance still runs; it only hears no hand-offs.
  instance.event_ = BindReceiver(CommandEventSocketName());
  return instance;
}

void SingleInstance::SendHandOff(const QByteArray& message) {
  const UniqueFd fd = DatagramSocket();
  if (!fd.valid()) return;
  SendTo(fd.get(), FileCommandSocketName(), message);
  SendTo(fd.get(), CommandEventSocketName(), QByteArrayLiteral("1"));
}

bool ReceiveOwnDatagram(int fd, bool block, QByteArray& bytes, bool& accepted) {
  accepted = false;
  const int wait = block ? 0 : MSG_DONTWAIT;
  char probe = 0;
  ssize_t size;
  do {  // the size of the next datagram, without taking it
    size = ::recv(fd, &probe, 1, MSG_PEEK | MSG_TRUNC | wait);
  } while (size < 0 && errno == EINTR);
  if (size < 0) return false;

  bytes.resize(size);
  iovec data{bytes.data(), static_cast<std::size_t>(size)};
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(ucred))];
  msghdr message{};
  message.msg_iov = &data;
  message.msg_iovlen = 1;
  message.msg_control = control;
  message.msg_controllen = sizeof control;
  ssize_t got;
  do {
    got = ::recvmsg(fd, &message, MSG_DONTWAIT | MSG_CMSG_CLOEXEC);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return false;
  bytes.resize(got);

  for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_CREDENTIALS &&
        c->cmsg_len >= CMSG_LEN(sizeof(ucred))) {
      ucred credentials;
      std::memcpy(&credentials, CMSG_DATA(c), sizeof credentials);
      accepted = credentials.uid == ::getuid();
    }
  }
  return true;
}

QList<QByteArray> SingleInstance::DrainMessages() {
  QList<QByteArray> messages;
  if (!fileCommand_.valid()) return messages;
  QByteArray bytes;
  bool accepted = false;
  while (ReceiveOwnDatagram(fileCommand_.get(), false, bytes, accepted))
    if (accepted && !bytes.isEmpty()) messages << bytes;
  return messages;
}

}  // namespace ondrel

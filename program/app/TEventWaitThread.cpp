#include "TEventWaitThread.hpp"

#include <QCoreApplication>

#include <cerrno>
#include <cstdint>

#include <poll.h>
#include <sys/eventfd.h>

namespace ondrel {

TEventWaitThread::TEventWaitThread(SingleInstance* instance, QObject* receiver, QObject* parent)
    : QThread(parent),
      instance_(instance),
      receiver_(receiver),
      stop_(::eventfd(0, EFD_CLOEXEC)) {
  start();
}

TEventWaitThread::~TEventWaitThread() {
  if (stop_.valid()) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stop_.get(), &one, sizeof one);
  }
  wait();
}

void TEventWaitThread::run() {
  if (instance_ == nullptr || instance_->socket() < 0 || !stop_.valid()) return;
  while (true) {
    pollfd fds[2] = {{instance_->socket(), POLLIN, 0}, {stop_.get(), POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    if ((fds[0].revents & POLLIN) == 0) return;  // the socket failed
    if (instance_->ReceivePending() && receiver_)
      QCoreApplication::postEvent(receiver_, new QEvent(HandOffEvent));
  }
}

}  // namespace ondrel

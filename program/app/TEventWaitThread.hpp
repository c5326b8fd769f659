// The listener of the single-instance hand-off: blocks on the instance's socket, reads every
// datagram as it arrives (foreign ones are dropped there and then, so no flood can fill the
// queue) and, when requests are waiting, posts one HandOffEvent to the main window, which then
// drains them on the user-interface thread. It touches no window or program state itself.
// Requests that arrive before the event is handled share it; the handler drains them all.
#pragma once

#include "single_instance.hpp"
#include "unique_fd.hpp"

#include <QEvent>
#include <QThread>

namespace ondrel {

// The event the listener posts: carries no data.
inline const QEvent::Type HandOffEvent = static_cast<QEvent::Type>(QEvent::User + 1);

class TEventWaitThread : public QThread {
  Q_OBJECT
 public:
  // instance: the running instance's channel; without one (null, or not the first instance)
  // the thread ends at once. It stays owned by the caller and must outlive the thread. Starts
  // running at once.
  TEventWaitThread(SingleInstance* instance, QObject* receiver, QObject* parent = nullptr);
  // Stops and joins the thread.
  ~TEventWaitThread() override;

 protected:
  void run() override;

 private:
  SingleInstance* instance_;
  QObject* receiver_;  // outlives the thread: the owner destroys the thread first
  UniqueFd stop_;  // an eventfd: written once to end the wait at shutdown
};

}  // namespace ondrel

// The listener of the single-instance hand-off: blocks on the event socket and, for each
// wake-up, posts a HandOffEvent to the main window, which then drains the requests on the user
// interface thread. It touches no window or program state itself. Several wake-ups that arrive
// together become one event; no request is lost because the handler drains them all.
#pragma once

#include "unique_fd.hpp"

#include <QEvent>
#include <QThread>

namespace ondrel {

// The event the listener posts: carries no data.
inline const QEvent::Type HandOffEvent = static_cast<QEvent::Type>(QEvent::User + 1);

class TEventWaitThread : public QThread {
  Q_OBJECT
 public:
  // eventSocket: SingleInstance::eventSocket(); with -1 the thread ends at once. The socket
  // stays owned by the caller and must outlive the thread. Starts running at once.
  TEventWaitThread(int eventSocket, QObject* receiver, QObject* parent = nullptr);
  // Stops and joins the thread.
  ~TEventWaitThread() override;

 protected:
  void run() override;

 private:
  int eventSocket_;
  QObject* receiver_;  // outlives the thread: the owner destroys the thread first
  UniqueFd stop_;  // an eventfd: written once to end the wait at shutdown
};

}  // namespace ondrel

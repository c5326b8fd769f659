// One running instance per user. The first instance binds two datagram sockets in the abstract
// namespace: "ondrel_filecmd-<uid>" carries hand-off requests ("s", or "e" followed by a path)
// and "ondrel_cmd_event-<uid>" wakes the first instance. A second start finds the names taken,
// sends its request, wakes the first instance and ends without a window. The kernel frees both
// names when the first instance exits. Only datagrams sent by our own user id are accepted.
//
// The environment variable ONDREL_INSTANCE_SUFFIX, when set, is appended to both names, so
// tests (and users who want separate groups of instances) never meet a real running instance.
#pragma once

#include "unique_fd.hpp"

#include <QByteArray>
#include <QList>

namespace ondrel {

// The two socket names, without the leading NUL of the abstract namespace.
QByteArray FileCommandSocketName();
QByteArray CommandEventSocketName();

// The request of a second start: "s" without arguments, else "e" followed by the first
// argument's bytes exactly as received (later arguments are ignored). argv[0] is the program.
QByteArray HandOffMessage(int argc, const char* const* argv);

class SingleInstance {
 public:
  enum class Role {
    First,   // owns both names
    Second,  // the names belong to a running instance
    Failed,  // neither: the start ends silently
  };

  // Tries to bind both names.
  static SingleInstance Claim();

  Role role() const { return role_; }

  // Second start: sends the request, then the wake-up. Nothing is checked or reported; a
  // request to an instance that has gone is lost. Never blocks on a full queue.
  static void SendHandOff(const QByteArray& message);

  // Reads every pending request without blocking, in the order sent. Requests from other user
  // ids and empty datagrams are dropped.
  QList<QByteArray> DrainMessages();

  // The event socket, for the listener thread; -1 unless the first instance holds it.
  int eventSocket() const { return event_.get(); }

 private:
  SingleInstance() = default;

  Role role_ = Role::Failed;
  UniqueFd fileCommand_;
  UniqueFd event_;
};

// Receives one datagram from a socket. Returns false when nothing is pending (non-blocking) or
// on error; sets accepted only for a datagram whose sender has our user id.
bool ReceiveOwnDatagram(int fd, bool block, QByteArray& bytes, bool& accepted);

}  // namespace ondrel

// One running instance per user. The first instance binds a datagram socket in its user's
// private folder (hand_off_folder.hpp), "ondrel_filecmd" there; a later start connects to it,
// sends its request ("s", or "e" followed by a path) as one datagram and ends without a window.
// A socket file whose owner has died (connect is refused) is replaced by the next start. Claims
// and the removal at exit happen under a lock file beside the socket, so two starts never take
// over the same stale socket. Only datagrams whose sender has our user id are kept.
//
// The listener thread reads every datagram as it arrives: foreign and empty ones are dropped at
// once, ours go to an inbox that the user-interface thread drains, oldest first.
//
// The environment variable ONDREL_INSTANCE_SUFFIX, when set, is appended to the socket's name,
// so tests (and users who want separate groups of instances) never meet a real running instance.
#pragma once

#include "unique_fd.hpp"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

namespace ondrel {

// The socket's path inside a hand-off folder.
QByteArray HandOffSocketPath(const QByteArray& folder);

// The request of a second start: "s" without arguments, else "e" followed by the first
// argument's bytes (later arguments are ignored). A relative path is joined to workingFolder,
// so the running instance opens the file this start meant; nullopt when it is relative and
// workingFolder is empty (unknown). argv[0] is the program.
std::optional<QByteArray> HandOffMessage(int argc, const char* const* argv,
                                         const QByteArray& workingFolder);

// This process's working folder as raw bytes; empty when it cannot be told.
QByteArray WorkingFolder();

class SingleInstance {
 public:
  enum class Role {
    First,   // owns the socket
    Second,  // connected to the socket of a running instance of our user
    Failed,  // neither; failure() says why
  };
  enum class Delivery {
    Delivered,  // in the running instance's queue
    Gone,       // the instance ended meanwhile: claim again
    Failed,     // it did not take the request in time, or another error
  };

  // Binds socketPath, or connects to the live instance there, or replaces a stale socket.
  static SingleInstance Claim(const QByteArray& socketPath);

  SingleInstance(SingleInstance&&) noexcept;
  SingleInstance& operator=(SingleInstance&&) noexcept;
  // The first instance removes its socket file.
  ~SingleInstance();

  Role role() const { return role_; }
  const QString& failure() const { return failure_; }

  // Second: sends the request as one datagram, waiting a short while when the queue is full.
  Delivery Send(const QByteArray& message);

  // First: the socket the listener waits on; -1 otherwise.
  int socket() const { return role_ == Role::First ? socket_.get() : -1; }

  // Listener thread: reads every pending datagram without blocking, dropping foreign and empty
  // ones and keeping ours. True when the inbox was empty and now is not: then one event is due.
  bool ReceivePending();

  // User-interface thread: takes every request received so far, in the order sent.
  QList<QByteArray> DrainMessages();

 private:
  struct Inbox;
  SingleInstance();

  Role role_ = Role::Failed;
  QString failure_;
  QByteArray path_;
  UniqueFd socket_;
  std::unique_ptr<Inbox> inbox_;
};

}  // namespace ondrel

// Where the single-instance endpoint lives: a folder that only its user can enter, so no other
// user can bind the endpoint first, read what is handed over, or send to it.
//
// The folder is "$XDG_RUNTIME_DIR/ondrel" or, when that variable is unset or not absolute,
// "$TMPDIR/ondrel-<uid>" (TMPDIR defaults to /tmp). It is made with mode 0700 when missing, then
// checked without following links: a directory, owned by us, mode exactly 0700. Its parent must
// be owned by us or root and, when others may write there, carry the sticky bit, so nobody else
// can swap the folder under us. Anything else is refused with the reason.
#pragma once

#include <QByteArray>
#include <QString>

namespace ondrel {

struct HandOffFolder {
  QByteArray path;  // without a trailing "/"; empty when refused
  QString refusal;  // why the folder cannot be used; empty when it can
};

// The folder, made when missing and checked.
HandOffFolder PrivateHandOffFolder();

// Makes (when missing) and checks one folder as above.
HandOffFolder CheckedHandOffFolder(const QByteArray& path);

}  // namespace ondrel

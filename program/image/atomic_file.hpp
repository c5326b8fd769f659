// Atomic whole-file writes (reads are file_read.hpp's). A write goes to a temporary file in the
// target's folder and is renamed over the target only when complete and on disk, and the
// folder is flushed after the rename, so an error, a crash or a power loss at any point
// leaves an existing file byte for byte as it was or completely rewritten.
// Where the file system supports it the temporary has no name until it is complete, so a
// crash while writing leaves nothing behind; elsewhere (and in the instant between naming
// and renaming) a crash leaves a hidden ".name.ondrel-tmp-XXXXXX" beside the target, which
// the next rewrite of that target removes once it is a minute old (and only when it belongs
// to the same user: no other file is ever swept).
// Through a symbolic link the file it finally names is rewritten, in that file's folder, and
// the link stays. A replaced file keeps its mode and, where the writer may set them, its
// owner, group and extended attributes (POSIX ACLs included).
#pragma once

#include <QByteArray>
#include <QString>

#include "image_errors.hpp"

namespace ondrel {

// Errors name the target as given and say what happened, e.g. "tex.blp: no space left on
// the device; the file is unchanged".
// A save to a chosen name: an existing file of that name is replaced (when it has other hard
// links, they keep the old bytes).
void WriteFileAtomically(const QString& path, const QByteArray& bytes);

// A rewrite of an existing file in place (optimizer, comment editor): as above, but a file
// with more than one name is refused, since replacing one name would split it from the
// others.
void RewriteFileInPlace(const QString& path, const QByteArray& bytes);

// Whether both names lead (through links) to one existing file: same device and inode.
bool IsSameFile(const QString& a, const QString& b);

}  // namespace ondrel

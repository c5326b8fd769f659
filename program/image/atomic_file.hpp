// Atomic whole-file writes (reads are file_read.hpp's). A write goes to a temporary file in the
// target's folder and is renamed over the target only when complete and on disk, and the
// folder is flushed after the rename, so an error, a crash or a power loss at any point
// leaves an existing file byte for byte as it was or completely rewritten.
// Where the file system supports it the temporary has no name until it is complete, so a
// crash while writing leaves nothing behind; elsewhere (and in the instant between naming
// and renaming) a crash leaves a hidden ".name.XXXXXX" beside the target, which the next
// rewrite of that target removes once it is a minute old.
#pragma once

#include <QByteArray>
#include <QString>

#include "image_errors.hpp"

namespace ondrel {

// Errors name the target as given and say what happened, e.g. "tex.blp: no space left on
// the device; the file is unchanged".
void WriteFileAtomically(const QString& path, const QByteArray& bytes);

}  // namespace ondrel

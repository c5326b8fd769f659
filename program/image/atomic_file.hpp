// Whole-file reads and atomic whole-file writes. A write goes to a temporary file in the
// target's folder and is renamed over the target only when complete, so an error or a crash
// at any point leaves an existing file byte for byte as it was.
#pragma once

#include <QByteArray>
#include <QString>

#include "image_errors.hpp"

namespace ondrel {

QByteArray ReadWholeFile(const QString& path);

void WriteFileAtomically(const QString& path, const QByteArray& bytes);

}  // namespace ondrel

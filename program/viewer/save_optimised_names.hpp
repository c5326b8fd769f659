// The file names of Save optimised as: the name the save dialog proposes, and the target made
// from the name the user chose.
#pragma once

#include <QString>

namespace ondrel {

// The current BLP1 file's path without its extension, + "_opt.blp": "/a/tex.blp" gives
// "/a/tex_opt.blp".
QString ProposedOptimisedName(const QString& currentFile);

// The chosen name with the extension ".blp": kept when it ends in ".blp" (exact case), any
// other extension replaced, ".blp" appended when it has none.
QString OptimisedTargetName(const QString& chosen);

}  // namespace ondrel

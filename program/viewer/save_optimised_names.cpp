#include "save_optimised_names.hpp"

namespace ondrel {
namespace {

// Index of the extension's dot in the file-name part, or -1.
qsizetype ExtensionDot(const QString& path) {
  const qsizetype dot = path.lastIndexOf('.');
  return dot > path.lastIndexOf('/') ? dot : -1;
}

}  // namespace

QString ProposedOptimisedName(const QString& currentFile) {
  const qsizetype dot = ExtensionDot(currentFile);
  return (dot < 0 ? currentFile : currentFile.left(dot)) + "_opt.blp";
}

QString OptimisedTargetName(const QString& chosen) {
  const qsizetype dot = ExtensionDot(chosen);
  if (dot < 0) return chosen + ".blp";
  // Replacing the whole extension, whatever its length: "out.jpeg" becomes "out.blp".
  return chosen.mid(dot) == ".blp" ? chosen : chosen.left(dot) + ".blp";
}

}  // namespace ondrel

#include "conversion_plan.hpp"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "image_access.hpp"

namespace ondrel::batch {
namespace {

QString WithSlash(const QString& folder) {
  return folder.isEmpty() || folder.endsWith('/') ? folder : folder + '/';
}

// The absolute, cleaned path: two spellings of one file compare equal.
QString Canonical(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }

// The path without the extension of its last component.
QString WithoutExtension(const QString& path) {
  const int slash = int(path.lastIndexOf('/'));
  const int dot = int(path.lastIndexOf('.'));
  return dot > slash ? path.left(dot) : path;
}

using FileId = std::pair<dev_t, ino_t>;

std::optional<FileId> IdOf(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
  return FileId{st.st_dev, st.st_ino};
}

}  // namespace

bool TargetIsSource(const QString& source, const QString& target) { return IsSameFile(source, target); }

QString TargetIsSourceRefusal() { return "the target is the source file itself; it is left as it was"; }

std::vector<SourceFile> WithoutOutputFolder(std::vector<SourceFile> sources, const QString& outputFolder) {
  const auto output = IdOf(outputFolder);
  if (!output) return sources;
  QHash<QString, bool> isOutput;  // folder path -> whether it is the output folder
  const auto inside = [&](const SourceFile& file) {
    if (file.root.isEmpty() || !file.path.startsWith(file.root)) return false;
    // Every folder between the file and its root, deepest first; the root is not looked at.
    for (int slash = int(file.path.lastIndexOf('/')); slash >= int(file.root.size());
         slash = int(file.path.lastIndexOf('/', slash - 1))) {
      const QString folder = file.path.left(slash);
      auto known = isOutput.constFind(folder);
      if (known == isOutput.constEnd()) known = isOutput.insert(folder, IdOf(folder) == output);
      if (*known) return true;
    }
    return false;
  };
  sources.erase(std::remove_if(sources.begin(), sources.end(), inside), sources.end());
  return sources;
}

std::vector<SourceFile> ListSourceFiles(const QString& folder, const QStringList& extensions,
                                        bool recurse) {
  const QString root = WithSlash(folder);
  std::vector<SourceFile> files;
  for (const QString& extension : extensions) {
    QStringList group = ListFiles(root, extension, recurse);
    group.sort();
    for (const QString& path : group) files.push_back({path, root});
  }
  return files;
}

SourceFile SingleSourceFile(const QString& path) {
  const int slash = int(path.lastIndexOf('/'));
  return {path, slash < 0 ? QString() : path.left(slash + 1)};
}

QStringList SourceExtensionsFor(const QString& formatName) {
  const QString name = formatName.toLower();
  if (name == "jpg" || name == "jpeg") return {".jpg", ".jpeg"};
  for (const QString& e : ImageExtensionList())
    if (e.mid(1) == name) return {e};
  return {};
}

QString TargetName(const SourceFile& source, const QString& destFolder, bool keepStructure,
                   TargetFormat format) {
  const QString dest = WithSlash(destFolder);
  QString below;
  if (keepStructure && !source.root.isEmpty() && source.path.startsWith(source.root))
    below = source.path.mid(source.root.size());
  else
    below = QFileInfo(source.path).fileName();
  return dest + WithoutExtension(below) + TargetExtension(format);
}

std::vector<ConversionJob> PlanConversion(const std::vector<SourceFile>& sources,
                                          const QString& destFolder, bool keepStructure,
                                          TargetFormat format) {
  std::vector<ConversionJob> jobs;
  jobs.reserve(sources.size());
  for (const SourceFile& s : WithoutOutputFolder(sources, destFolder))
    jobs.push_back(PlanSingleConversion(s.path, TargetName(s, destFolder, keepStructure, format)));
  RefuseSharedTargets(jobs);
  return jobs;
}

ConversionJob PlanSingleConversion(const QString& source, const QString& target) {
  return {source, target, TargetIsSource(source, target) ? TargetIsSourceRefusal() : QString()};
}

void RefuseSharedTargets(std::vector<ConversionJob>& jobs) {
  QSet<QPair<QString, QString>> seen;
  QHash<QString, QString> firstSourceOf;  // canonical target -> the source that writes it
  std::vector<ConversionJob> kept;
  kept.reserve(jobs.size());
  for (ConversionJob& job : jobs) {
    const QString source = Canonical(job.source), target = Canonical(job.target);
    if (seen.contains({source, target})) continue;
    seen.insert({source, target});
    if (job.refusal.isEmpty()) {
      const auto first = firstSourceOf.constFind(target);
      if (first != firstSourceOf.constEnd())
        job.refusal = "its target " + job.target + " is already written from " + *first;
      else
        firstSourceOf.insert(target, job.source);
    }
    kept.push_back(std::move(job));
  }
  jobs = std::move(kept);
}

}  // namespace ondrel::batch

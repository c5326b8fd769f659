// Which files a batch converts and where each one goes. A folder's files are grouped by
// extension in the given order (each group sorted by path, so runs and logs repeat). A target
// is the destination folder plus either the file's path below its source folder (keeping the
// folder structure) or its name alone, with the target format's extension in place of its own.
#pragma once

#include <QString>
#include <QStringList>

#include <vector>

#include "target_format.hpp"

namespace ondrel::batch {

struct SourceFile {
  QString path;
  QString root;  // the folder the structure is measured from, ending in "/"
};

// The files of `folder` whose extension is one of `extensions` (lower case, with the dot).
std::vector<SourceFile> ListSourceFiles(const QString& folder, const QStringList& extensions,
                                        bool recurse);

// A file named on its own: its folder is its root.
SourceFile SingleSourceFile(const QString& path);

// The extensions a batch reads for a source format name: "bmp", "tga", "blp", "jpg" (.jpg and
// .jpeg), "png", "dds". Empty for an unknown name.
QStringList SourceExtensionsFor(const QString& formatName);

// destFolder ends in "/".
QString TargetName(const SourceFile& source, const QString& destFolder, bool keepStructure,
                   TargetFormat format);

struct ConversionJob {
  QString source;
  QString target;
  QString refusal;  // when not empty the file is not converted, for this reason
};

// Whether the target is the source file itself (same device and inode, through links), which
// a conversion must never write over.
bool TargetIsSource(const QString& source, const QString& target);

// The reason given for such a file.
QString TargetIsSourceRefusal();

// The sources without those inside `outputFolder` when it lies below their root: a second
// run must not take the first run's output for new input. The root itself is not left out
// (outputs beside their sources). Compared by device and inode, so any spelling or link to
// the folder counts; a folder that does not exist yet holds nothing.
std::vector<SourceFile> WithoutOutputFolder(std::vector<SourceFile> sources, const QString& outputFolder);

// One job per source, in order, with the output folder's own files left out. A source listed
// twice is kept once; a source that is its own target is refused. When two sources would
// write the same target, the first keeps it and the later ones are refused: converting both
// would lose one of them, and which one would depend on timing.
std::vector<ConversionJob> PlanConversion(const std::vector<SourceFile>& sources,
                                          const QString& destFolder, bool keepStructure,
                                          TargetFormat format);

// A single file converted to a chosen name, refused when that name is the file itself.
ConversionJob PlanSingleConversion(const QString& source, const QString& target);

// Refuses the later of jobs whose targets are the same file, and drops exact repeats. A job
// already refused claims no target.
void RefuseSharedTargets(std::vector<ConversionJob>& jobs);

}  // namespace ondrel::batch

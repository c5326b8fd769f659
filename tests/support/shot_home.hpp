// A place for the picture tools that reads like a user's: a home folder with a "textures"
// folder in it, so the paths on screen are not those of a build tree. HOME and the XDG folders
// point there, so the file dialogs' side bar shows it and nothing of the real home is read or
// written, and the BLP MIME type is installed in its data folder, so the file dialogs name the
// type as they do where the program is installed. Make it before the QApplication.
#pragma once

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace ondrel_test {

class ShotHome {
 public:
  // The BLP MIME package: the program's own, from the source tree.
  explicit ShotHome(const QString& mimePackage) {
    // /tmp/home/user when that can be had for this run alone; else a private folder.
    if (::mkdir("/tmp/home", 0700) == 0) {
      owned_ = QStringLiteral("/tmp/home");
      home_ = owned_ + QStringLiteral("/user");
    } else {
      scratch_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/ondrel-shots-XXXXXX"));
      home_ = scratch_->filePath(QStringLiteral("home/user"));
    }
    QDir().mkpath(textures());
    const QString data = home_ + QStringLiteral("/.local/share");
    QDir().mkpath(data + QStringLiteral("/mime/packages"));
    QFile::copy(mimePackage, data + QStringLiteral("/mime/packages/ondrel-blp.xml"));
    // Without the tool, Qt reads the package itself; the compiled form is what a desktop has.
    const QString update =
        QStringLiteral("update-mime-database '%1/mime' >/dev/null 2>&1").arg(data);
    if (std::system(update.toLocal8Bit().constData()) != 0)
      std::fprintf(stderr, "update-mime-database failed; Qt reads the MIME package itself\n");
    setenv("HOME", home_);
    setenv("XDG_DATA_HOME", data);
    setenv("XDG_CONFIG_HOME", home_ + QStringLiteral("/.config"));
    setenv("XDG_CACHE_HOME", home_ + QStringLiteral("/.cache"));
  }
  ~ShotHome() {
    if (!owned_.isEmpty()) QDir(owned_).removeRecursively();
  }
  ShotHome(const ShotHome&) = delete;
  ShotHome& operator=(const ShotHome&) = delete;

  QString home() const { return home_; }
  // Ends with a slash.
  QString textures() const { return home_ + QStringLiteral("/textures/"); }

 private:
  static void setenv(const char* name, const QString& value) {
    ::setenv(name, value.toLocal8Bit().constData(), 1);
  }

  QString owned_;
  std::unique_ptr<QTemporaryDir> scratch_;
  QString home_;
};

}  // namespace ondrel_test

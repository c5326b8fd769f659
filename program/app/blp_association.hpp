// The association of ".blp" files with the program, the freedesktop way and per user:
// a desktop entry ($XDG_DATA_HOME/applications/ondrel.desktop), a MIME package declaring
// image/x-blp ($XDG_DATA_HOME/mime/packages/ondrel-blp.xml: glob *.blp at the default weight,
// magic "BLP1" / "BLP2" at offset 0, which tells BLP textures from other *.blp files), and
// the default application for image/x-blp in $XDG_CONFIG_HOME/mimeapps.list. The default that
// was there before is kept in $XDG_CONFIG_HOME/ondrel/association.ini and restored when the
// association is removed; an association another program set since is never touched.
#pragma once

#include <QString>

namespace ondrel {

inline constexpr char kBlpMimeType[] = "image/x-blp";
inline constexpr char kDesktopFileName[] = "ondrel.desktop";

struct XdgFolders {
  QString dataHome;    // no trailing "/"
  QString configHome;  // no trailing "/"
  static XdgFolders FromEnvironment();
};

class BlpAssociation {
 public:
  BlpAssociation(XdgFolders folders, QString executablePath);

  // The default application for image/x-blp is our desktop entry.
  bool IsAssociated() const;

  // Makes the program the default; keeps the earlier default once (a second call finds the
  // association already made and keeps what it kept before). openCaption: the current caption
  // of mnuOpen, shown as the desktop entry's Open action. Throws FileError when a file cannot
  // be written.
  void Associate(const QString& openCaption);

  // Puts back the default from before Associate when the program is still the default; with
  // nothing kept, only our own default entry is removed. The desktop entry and the MIME package
  // stay. Throws FileError when a file cannot be written.
  void Unassociate();

  QString desktopEntryPath() const;
  QString mimePackagePath() const;
  QString mimeAppsListPath() const;
  QString previousDefaultPath() const;

 private:
  void WriteDesktopEntry(const QString& openCaption) const;
  void WriteMimePackage() const;

  XdgFolders folders_;
  QString executablePath_;
};

// Exec= value: the path quoted for a desktop entry, then " %f".
QString DesktopExecLine(const QString& executablePath);

}  // namespace ondrel

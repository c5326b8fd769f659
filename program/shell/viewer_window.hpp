// The main window as a viewer: opening an image (menu, drop, command line, hand-off, folder
// browsing), the information panel and mipmap list, zoom, the alpha views, the window fitted to
// the picture, and Save optimised. The rules live in program/viewer/ and the image layer; this
// class only connects the form's controls to them and shows what they return.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

#include "bitmap.hpp"
#include "create_windows.hpp"
#include "folder_navigator.hpp"
#include "mipmap_list.hpp"
#include "settings_store.hpp"

class QLabel;

namespace ondrel {

class ViewerWindow : public QObject {
  Q_OBJECT

 public:
  // The windows and the settings outlive the viewer.
  ViewerWindow(const OndrelWindows& windows, const OndrelSettings& settings);
  ~ViewerWindow() override;

  // OpenImage with show info on, mipmap 0 and the list filled; false when the load failed (the
  // box was shown and the picture on screen stays).
  bool openImage(const QString& path, bool rescanFolder);
  // Opens the current file again at the zoom on screen, so texts built from the language
  // tables are rebuilt; false when no image is open.
  bool reopenImage();

  // Shows a message box; tests replace it to see the box without blocking on it.
  std::function<void(QMessageBox::Icon icon, const QString& caption, const QString& text)> showMessage;
  // Asks whether to replace an existing file (No by default); tests replace it as well.
  std::function<bool(const QString& caption, const QString& text)> askReplace;

  const QString& currentFile() const { return currentFile_; }
  int currentMipmap() const { return currentMipmap_; }
  const TBitmap& source() const { return source_; }
  // The picture on screen has an alpha channel (a 32-bit bitmap), as the saves need to know.
  bool hasAlpha() const { return hasAlpha_; }
  const FolderNavigator& navigator() const { return navigator_; }

  // The commands, as the menus, buttons and keys run them.
  void open();
  void dropFiles(const QStringList& localPaths);
  void stepFile(int direction);
  void enterFileNumber();
  void browseFolder(const QString& folder);
  void zoomIn();
  void zoomOut();
  void applyZoomText();
  void chooseMipmapLine(int line);
  void stepMipmap(int direction);
  void saveOptimised(bool asNewFile);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void connectControls();
  void setZoom(int zoom);
  void showViewMode();
  void showSizeAndColours();
  void keepMinimumWidth();
  void fitWindowToImage();
  void showFolder();
  void selectMipmapLine(int line);
  QString caption(int index) const;

  const OndrelWindows& windows_;
  TOndrelForm& form_;
  const OndrelSettings& settings_;
  TBitmap source_;
  QString currentFile_;
  int currentMipmap_ = 0;
  bool hasAlpha_ = false;
  std::optional<MipmapList> mipmaps_;
  FolderNavigator navigator_;
  QLabel* pixelLabel_ = nullptr;
  bool selectingLine_ = false;
};

}  // namespace ondrel

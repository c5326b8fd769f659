// The file dialogs of the main window: the open dialog with a picture preview that decodes with
// our own loaders (so BLP, TGA and DDS preview too), and the save dialog of Save optimised as.
// Both are Qt's own dialogs rather than the desktop's, so the preview can sit beside the list.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace ondrel {

// The filters of both dialogs in Qt's syntax: all pictures first, then one entry per format.
QStringList PictureDialogFilters();

// The chosen file, or empty when the dialog was cancelled.
QString ChoosePictureToOpen(QWidget* parent, const QString& folder);
QString ChooseOptimisedTarget(QWidget* parent, const QString& proposedName);

}  // namespace ondrel

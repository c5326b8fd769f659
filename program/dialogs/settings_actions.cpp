#include "settings_actions.hpp"

#include "ormel_blp.h"

#include <QAction>
#include <QWidget>

namespace ondrel::dialogs {
namespace {
constexpr SettingsGroups kProgramGroup{false, false, false, true, false};

QAction* ImageInfoAction(const SettingsWindows& windows) {
  return windows.main ? windows.main->findChild<QAction*>(QStringLiteral("mnuImageInfo")) : nullptr;
}
}  // namespace

void SettingsOk(const SettingsWindowContext& context) {
  TakeSettings(*context.settings, kProgramGroup, context.windows);
  SaveSettings(context.place, *context.settings, kProgramGroup,
               context.openCaption ? context.openCaption() : QString());
  LoadSettings(context.place, *context.settings, kProgramGroup);
  ShowSettings(*context.settings, kProgramGroup, context.windows);
  if (context.reloadLanguage) context.reloadLanguage();
}

void SettingsCancel(const SettingsWindowContext& context) {
  QAction* imageInfo = ImageInfoAction(context.windows);
  const bool shown = imageInfo && imageInfo->isChecked();
  LoadSettings(context.place, *context.settings, kProgramGroup);
  ShowSettings(*context.settings, kProgramGroup, context.windows);
  // Putting the check back fires its toggled signal, which shows or hides the panel to match.
  context.settings->showBlpInfo = shown;
  if (imageInfo) imageInfo->setChecked(shown);
}

QString LibraryVersionLine(const QString& caption, int major, int minor, int release, int build) {
  // The caption is a translation: it is not put through arg(), so a "%1" in it stays as written.
  return caption + QStringLiteral(" %1.%2.%3.%4").arg(major).arg(minor).arg(release).arg(build);
}

QString LibraryVersionLine(const QString& caption) {
  std::uint16_t major = 0, minor = 0, release = 0, build = 0;
  GetLibraryVersion(&major, &minor, &release, &build);
  return LibraryVersionLine(caption, major, minor, release, build);
}

}  // namespace ondrel::dialogs

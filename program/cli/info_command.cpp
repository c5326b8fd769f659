#include <QJsonArray>
#include <QJsonDocument>

#include <optional>

#include "commands.hpp"
#include "image_access.hpp"
#include "info_report.hpp"
#include "ordered_runner.hpp"

namespace ondrel::cli {

int RunInfo(const Request& request, const std::atomic<bool>& stop) {
  const std::vector<batch::SourceFile> files =
      CollectSources(request.inputs, request.sourceExtensions, request.recursive);
  if (files.empty()) {
    PrintError("no image files in the inputs");
    return 1;
  }
  std::vector<std::optional<batch::ImageInfo>> infos(files.size());
  std::vector<QString> errors(files.size());
  QJsonArray objects;
  std::size_t failures = 0;

  batch::RunCallbacks callbacks;
  callbacks.work = [&](std::size_t i) {
    try {
      infos[i] = batch::LoadPicture(files[i].path, request.mipmap).info;
    } catch (const std::exception& e) {
      errors[i] = QString::fromStdString(e.what());
    }
  };
  callbacks.finished = [&](std::size_t i) {
    const QString& path = files[i].path;
    if (!infos[i]) {
      ++failures;
      PrintError(path + ": " + errors[i]);
      if (request.json) objects.append(InfoErrorJson(path, errors[i]));
      return;
    }
    if (request.json) {
      objects.append(InfoJson(path, *infos[i]));
    } else {
      PrintOut((InfoText(path, *infos[i]) + (i + 1 < files.size() ? "\n" : "")).toLocal8Bit());
    }
    infos[i].reset();  // a long list keeps no more than it must
  };
  const std::size_t reported = batch::RunInListOrder(files.size(), request.jobs, callbacks, &stop);
  if (request.json) {
    PrintOut(QJsonDocument(objects).toJson(QJsonDocument::Indented));
  }
  if (ReportInterrupted(reported, files.size())) return 130;
  return failures == 0 ? 0 : 1;
}

}  // namespace ondrel::cli

// The command line of ondrel-convert, read into one request. Mixing flags of different modes,
// a flag without its value or a value out of range is a UsageError.
#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

#include "image_access.hpp"
#include "target_format.hpp"

namespace ondrel::cli {

enum class Mode { Convert, Info, Optimize, Help, Version };

struct Request {
  Mode mode = Mode::Convert;
  QStringList inputs;                      // files and folders, as given
  QString output;                          // -o
  std::optional<batch::TargetFormat> format;
  QStringList sourceExtensions;            // --from, or every image extension
  bool recursive = false;
  bool keepStructure = false;
  batch::AlphaTreatment alpha = batch::AlphaTreatment::Keep;
  std::uint8_t mipmap = 0;
  bool json = false;
  bool quiet = false;
  int jobs = 1;
  QMap<QString, QString> saveFlags;        // checked against the format once it is known
};

// `arguments` without the program name.
Request ParseCommandLine(const QStringList& arguments);

// The text of --help.
QString HelpText();

}  // namespace ondrel::cli

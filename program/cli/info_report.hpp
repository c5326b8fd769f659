// The facts of an image file as --info prints them: text lines in the information panel's
// rows, or one JSON object with stable keys (documented in the README).
#pragma once

#include <QJsonObject>
#include <QString>

#include "image_info.hpp"

namespace ondrel::cli {

QString InfoText(const QString& file, const batch::ImageInfo& info);

QJsonObject InfoJson(const QString& file, const batch::ImageInfo& info);

// The object of a file whose facts could not be read.
QJsonObject InfoErrorJson(const QString& file, const QString& error);

}  // namespace ondrel::cli

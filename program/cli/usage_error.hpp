// A command line that cannot be run as given: reported with exit status 2.
#pragma once

#include <QString>

#include <stdexcept>

namespace ondrel::cli {

class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

}  // namespace ondrel::cli

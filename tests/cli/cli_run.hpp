// Runs the real ondrel-convert and keeps what it printed; scratch folders and files for it.
#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>


namespace ondrel_test {

struct CliResult {
  int exitCode = -1;
  QString out, err;
};

// The arguments are passed as they are (no shell).
CliResult RunCli(const QStringList& arguments);

// Every file below `folder`, by its path relative to it, with its bytes.
QMap<QString, QByteArray> TreeContents(const QString& folder);

}  // namespace ondrel_test

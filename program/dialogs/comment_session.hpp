// The comment editor without its window: the comment of the current BLP1 file, the counter,
// and writing the comment back. The header copy is taken when the editor shows and written
// only on OK, so Cancel leaves the file as it was.
#pragma once

#include <QString>

#include <array>
#include <cstdint>

#include "blp1_header.hpp"

namespace ondrel::dialogs {

// Bytes the text takes as stored: UTF-8, a line break counting two (CR LF).
int CommentLength(const QString& text);

// "%d / %d": the length, then the capacity.
QString CommentCounterText(int length, int capacity);

class CommentSession {
 public:
  // Reads the file's header. Throws FileError when it is missing, short or not BLP1.
  explicit CommentSession(QString fileName);

  int capacity() const { return capacity_; }
  QString text() const;  // the stored comment, line breaks as "\n"
  bool fits(const QString& text) const { return CommentLength(text) <= capacity_; }

  // Stores the text in the header copy and writes its mipmap tables into the file
  // (atomically; the pixels and the rest of the file are untouched).
  void commit(const QString& text);

 private:
  QString fileName_;
  std::array<std::uint8_t, kBlp1HeaderSize> header_{};
  int capacity_ = 0;
};

}  // namespace ondrel::dialogs

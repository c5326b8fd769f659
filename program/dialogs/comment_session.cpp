#include "comment_session.hpp"

#include "blp1_comment.hpp"
#include "blp1_files.hpp"
#include "comment_text.hpp"

#include <limits>

namespace ondrel::dialogs {

int CommentLength(const QString& text) {
  return int(CommentBytesFromText(text, std::numeric_limits<std::size_t>::max()).size());
}

QString CommentCounterText(int length, int capacity) {
  return QStringLiteral("%1 / %2").arg(length).arg(capacity);
}

CommentSession::CommentSession(QString fileName)
    : fileName_(std::move(fileName)), header_(ReadBlp1Header(fileName_)), capacity_(CommentCapacity(header_)) {}

QString CommentSession::text() const { return CommentTextFromBytes(ReadBlpComment(header_)); }

void CommentSession::commit(const QString& text) {
  WriteBlpComment(header_, CommentBytesFromText(text, std::size_t(capacity_)));
  StoreMipmapTables(header_, fileName_, fileName_);
}

}  // namespace ondrel::dialogs

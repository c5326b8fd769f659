#include "load_failure_text.hpp"

#include "message_format.hpp"

namespace ondrel {

QString LoadFailureReason(const LoadFailure& failure, const IndexedTexts& texts) {
  using Kind = LoadFailure::Kind;
  const auto reason = [&](std::size_t index, std::initializer_list<MessageArg> args) {
    return FormatMessage(texts.REASONS[index], args);
  };
  switch (failure.kind) {
    case Kind::Missing: return reason(0, {});
    case Kind::AccessDenied: return reason(1, {});
    case Kind::Folder: return reason(2, {});
    case Kind::NotRegular: return reason(3, {});
    case Kind::TooLarge: return reason(4, {});
    case Kind::Unreadable: return reason(5, {failure.detail});
    case Kind::OtherFormat: return reason(6, {failure.actual, failure.claimed});
    case Kind::NotRecognised: return reason(7, {failure.claimed});
    case Kind::UnknownExtension:
      return failure.claimed.isEmpty() ? reason(10, {}) : reason(8, {failure.claimed});
    case Kind::Damaged: return failure.detail.isEmpty() ? QString() : reason(9, {failure.detail});
  }
  return {};
}

QString LoadErrorText(const QString& fileNameWithoutFolder, const LoadFailure& failure, const IndexedTexts& texts) {
  QString text = fileNameWithoutFolder + QStringLiteral(": ") + texts.MESSAGES[9];
  const QString why = LoadFailureReason(failure, texts);
  if (!why.isEmpty()) text += QLatin1Char('\n') + why;
  return text;
}

}  // namespace ondrel

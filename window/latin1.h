// Conversions between the form's 8-bit ANSI texts and Qt's strings.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace console {

// `text` as Latin-1 characters, byte for byte.
inline QString latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// `text` as 8-bit bytes; characters beyond Latin-1 become '?'.
inline std::string latin1Bytes(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace console

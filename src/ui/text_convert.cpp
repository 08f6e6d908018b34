#include "ui/text_convert.h"

#include <QByteArray>

namespace quillmark::ui {

QString ToQString(std::string_view text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToStdString(const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

std::string ToUtf8(const std::string& text) {
  const QByteArray bytes = ToQString(text).toUtf8();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace quillmark::ui

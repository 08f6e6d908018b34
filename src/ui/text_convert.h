#pragma once
// The one crossing between the core's byte texts (one character per byte, the system's
// single-byte code page) and Qt's strings.

#include <QString>
#include <string>
#include <string_view>

namespace quillmark::ui {

QString ToQString(std::string_view text);
std::string ToStdString(const QString& text);
// The text in UTF-8, each character the one ToQString shows: for files other programs read.
std::string ToUtf8(const std::string& text);

}  // namespace quillmark::ui

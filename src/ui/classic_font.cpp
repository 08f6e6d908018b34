#include "ui/classic_font.h"

#include <QFont>
#include <QFontInfo>
#include <QWidget>

namespace quillmark::ui {

void UseClassicFont(QWidget& form) {
  QFont font = form.font();
  if (QFontInfo(font).exactMatch()) return;
  font.setStretch(QFont::Condensed);
  form.setFont(font);
}

}  // namespace quillmark::ui

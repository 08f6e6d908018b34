#include "controls/spin_edit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QStyle>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>

#include "controls/system_beep.h"

namespace quillmark {
namespace {

// The arrow pair as a new spin edit makes it; its height follows the edit's from then on.
constexpr int kButtonWidth = 15;
constexpr int kButtonHeight = 17;

bool IsEditingShortcut(const QKeyEvent& event) {
  for (auto key : {QKeySequence::Delete, QKeySequence::DeleteStartOfWord,
                   QKeySequence::DeleteEndOfWord, QKeySequence::DeleteEndOfLine,
                   QKeySequence::DeleteCompleteLine, QKeySequence::Undo, QKeySequence::Redo})
    if (event.matches(key)) return true;
  return false;
}

}  // namespace

TSpinEdit::TSpinEdit(QWidget* parent) : QLineEdit(parent) {
  button_.SetFocusControl(this);
  button_.resize(kButtonWidth, kButtonHeight);
  // The edit's I-beam would otherwise show over the arrows.
  button_.setCursor(Qt::ArrowCursor);
  connect(&button_, &TSpinButton::UpClick, this, &TSpinEdit::StepUp);
  connect(&button_, &TSpinButton::DownClick, this, &TSpinEdit::StepDown);
  setText(QStringLiteral("0"));
  setMinimumHeight(MinHeight());
  LayOut();
}

int TSpinEdit::Value() const {
  bool ok = false;
  const int value = text().trimmed().toInt(&ok, 10);
  return ok ? value : min_value_;
}

void TSpinEdit::SetValue(int value) {
  setText(QString::number(CheckValue(value)));
}

int TSpinEdit::CheckValue(int value) const {
  if (min_value_ == max_value_) return value;
  if (value < min_value_) return min_value_;
  return value > max_value_ ? max_value_ : value;
}

void TSpinEdit::StepUp() {
  Step(+1);
}
void TSpinEdit::StepDown() {
  Step(-1);
}

void TSpinEdit::Step(int direction) {
  if (isReadOnly()) {
    SystemBeep();
    return;
  }
  // Without a range a step past the int limits stops at them instead of wrapping round.
  const std::int64_t next = std::int64_t{Value()} + std::int64_t{direction} * increment_;
  SetValue(static_cast<int>(std::clamp<std::int64_t>(next, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max())));
}

bool TSpinEdit::IsRefusedKey(const QKeyEvent& event) const {
  if (!editor_enabled_ && (event.key() == Qt::Key_Backspace || IsEditingShortcut(event)))
    return true;
  const QString typed = event.text();
  if (typed.isEmpty()) return false;
  const QChar c = typed.front();
  if (c.unicode() < 32) return c == u'\r' || (!editor_enabled_ && c == u'\b');
  if (!editor_enabled_) return true;
  if (c == u'+' || c == u'-' || (c >= u'0' && c <= u'9')) return false;
  return typed != QLocale().decimalPoint();
}

void TSpinEdit::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
    event->key() == Qt::Key_Up ? StepUp() : StepDown();
    event->accept();
    return;
  }
  if (event->matches(QKeySequence::Cut) || event->matches(QKeySequence::Paste)) {
    if (MayEditText())
      QLineEdit::keyPressEvent(event);
    else
      event->accept();
    return;
  }
  if (IsRefusedKey(*event)) {
    SystemBeep();
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

void TSpinEdit::contextMenuEvent(QContextMenuEvent* event) {
  std::unique_ptr<QMenu> menu(createStandardContextMenu());
  if (!MayEditText()) {
    for (QAction* action : menu->actions()) {
      const QString name = action->objectName();
      if (name == u"edit-cut" || name == u"edit-paste" || name == u"edit-delete" ||
          name == u"edit-undo" || name == u"edit-redo")
        action->setEnabled(false);
    }
  }
  menu->exec(event->globalPos());
}

void TSpinEdit::dragEnterEvent(QDragEnterEvent* event) {
  if (MayEditText())
    QLineEdit::dragEnterEvent(event);
  else
    event->ignore();
}

void TSpinEdit::dropEvent(QDropEvent* event) {
  if (MayEditText())
    QLineEdit::dropEvent(event);
  else
    event->ignore();
}

void TSpinEdit::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  if (auto_select_ && !(QApplication::mouseButtons() & Qt::LeftButton)) selectAll();
}

void TSpinEdit::focusOutEvent(QFocusEvent* event) {
  // Clamps the typed text; an unreadable text reads as MinValue and is left as it stands.
  const int value = Value();
  if (CheckValue(value) != value) SetValue(value);
  QLineEdit::focusOutEvent(event);
}

int TSpinEdit::MinHeight() const {
  const int char_height = fontMetrics().height();
  const int system_height = QFontMetrics(QApplication::font()).height();
  const int border = std::max(1, style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this));
  return char_height + std::min(char_height, system_height) / 4 + 4 * border + 2;
}

QSize TSpinEdit::minimumSizeHint() const {
  QSize size = QLineEdit::minimumSizeHint();
  size.setHeight(std::max(size.height(), MinHeight()));
  return size;
}

QSize TSpinEdit::sizeHint() const {
  QSize size = QLineEdit::sizeHint();
  size.setHeight(std::max(size.height(), MinHeight()));
  return size;
}

void TSpinEdit::resizeEvent(QResizeEvent* event) {
  QLineEdit::resizeEvent(event);
  LayOut();
}

void TSpinEdit::changeEvent(QEvent* event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
    setMinimumHeight(MinHeight());
    LayOut();
  }
}

void TSpinEdit::LayOut() {
  if (height() < MinHeight()) {
    resize(width(), MinHeight());  // comes back through resizeEvent
    return;
  }
  // The arrows fill the inside of the frame at the right edge, and the text stops short of
  // them so that nothing typed runs under them.
  const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
  const int arrows = std::max(button_.width(), TSpinButton::kMinWidth);
  button_.setGeometry(width() - frame - arrows - 1, frame, arrows, height() - 2 * frame - 1);
  setTextMargins(0, 0, arrows + 2, 0);
}

}  // namespace quillmark

#pragma once
// A one-line numeric edit with a pair of up and down arrows at its right edge. The text is the
// only store of the value: Value() reads it, SetValue() writes it. The arrows, the Up and Down
// keys and an arrow held down step the value by Increment inside [MinValue, MaxValue]; equal
// bounds mean no range at all. Characters other than digits, signs and the decimal separator
// are refused with a beep.

#include <QLineEdit>

#include "controls/spin_button.h"

namespace quillmark {

class TSpinEdit : public QLineEdit {
  Q_OBJECT
  // For Designer forms that promote a QLineEdit: dynamic properties of these names reach here.
  Q_PROPERTY(int value READ Value WRITE SetValue)
  Q_PROPERTY(int minValue READ MinValue WRITE SetMinValue)
  Q_PROPERTY(int maxValue READ MaxValue WRITE SetMaxValue)
  Q_PROPERTY(int increment READ Increment WRITE SetIncrement)
  Q_PROPERTY(bool editorEnabled READ EditorEnabled WRITE SetEditorEnabled)
  Q_PROPERTY(bool autoSelect READ AutoSelect WRITE SetAutoSelect)

 public:
  explicit TSpinEdit(QWidget* parent = nullptr);

  // The text read as a decimal integer; MinValue when it is not one.
  int Value() const;
  // Writes `value`, held within the range, as decimal text.
  void SetValue(int value);

  int MinValue() const { return min_value_; }
  void SetMinValue(int value) { min_value_ = value; }
  int MaxValue() const { return max_value_; }
  void SetMaxValue(int value) { max_value_ = value; }
  int Increment() const { return increment_; }
  void SetIncrement(int increment) { increment_ = increment; }

  // Off: the text cannot be typed, cut or pasted, only stepped.
  bool EditorEnabled() const { return editor_enabled_; }
  void SetEditorEnabled(bool enabled) { editor_enabled_ = enabled; }
  // On: nothing changes the text; the arrows and arrow keys only beep.
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool read_only) { setReadOnly(read_only); }
  // Bounds what is typed; the ranges of our forms fit in it.
  int MaxLength() const { return maxLength(); }
  void SetMaxLength(int length) { setMaxLength(length); }
  // On: the whole text is selected when the edit gains the focus other than by a click.
  bool AutoSelect() const { return auto_select_; }
  void SetAutoSelect(bool on) { auto_select_ = on; }

  // One step of the up or down arrow.
  void StepUp();
  void StepDown();

  TSpinButton* Button() { return &button_; }

  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  int CheckValue(int value) const;
  void Step(int direction);
  bool MayEditText() const { return editor_enabled_ && !isReadOnly(); }
  bool IsRefusedKey(const QKeyEvent& event) const;
  int MinHeight() const;
  void LayOut();

  int min_value_ = 0;
  int max_value_ = 0;
  int increment_ = 1;
  bool editor_enabled_ = true;
  bool auto_select_ = true;
  TSpinButton button_{this};
};

}  // namespace quillmark

#pragma once
// Messages and questions the window shows in a modal box. Tests record them instead of showing
// them.

#include <QString>
#include <QStringList>

class QWidget;

namespace quillmark::ui {

// Shows `text` in a modal warning box with an OK button, titled "Quillmark".
void ShowWarning(QWidget* parent, const QString& text);

// Asks `text` in a modal box with Yes and No, titled "Quillmark"; No is the default button.
// True for Yes.
bool AskYesNo(QWidget* parent, const QString& text);

// Test seam: while one exists, ShowWarning() and AskYesNo() record their texts here and show
// nothing; questions get the answer set (No until one is set).
class RecordedMessages {
 public:
  RecordedMessages();
  RecordedMessages(const RecordedMessages&) = delete;
  RecordedMessages& operator=(const RecordedMessages&) = delete;
  ~RecordedMessages();

  const QStringList& Texts() const { return texts_; }
  void Answer(bool yes) { answer_ = yes; }

 private:
  friend void ShowWarning(QWidget* parent, const QString& text);
  friend bool AskYesNo(QWidget* parent, const QString& text);
  QStringList texts_;
  bool answer_ = false;
  RecordedMessages* previous_;
};

}  // namespace quillmark::ui

#pragma once
// Messages the window shows in a modal box. Tests record them instead of showing them.

#include <QString>
#include <QStringList>

class QWidget;

namespace quillmark::ui {

// Shows `text` in a modal warning box with an OK button, titled "Quillmark".
void ShowWarning(QWidget* parent, const QString& text);

// Test seam: while one exists, ShowWarning() records its text here and shows nothing.
class RecordedMessages {
 public:
  RecordedMessages();
  RecordedMessages(const RecordedMessages&) = delete;
  RecordedMessages& operator=(const RecordedMessages&) = delete;
  ~RecordedMessages();

  const QStringList& Texts() const { return texts_; }

 private:
  friend void ShowWarning(QWidget* parent, const QString& text);
  QStringList texts_;
  RecordedMessages* previous_;
};

}  // namespace quillmark::ui

#include "ui/message_box.h"

#include <QMessageBox>

namespace quillmark::ui {
namespace {

RecordedMessages* recorder = nullptr;

}  // namespace

RecordedMessages::RecordedMessages() : previous_(recorder) {
  recorder = this;
}

RecordedMessages::~RecordedMessages() {
  recorder = previous_;
}

void ShowWarning(QWidget* parent, const QString& text) {
  if (recorder != nullptr) {
    recorder->texts_.append(text);
    return;
  }
  QMessageBox::warning(parent, QStringLiteral("Quillmark"), text);
}

bool AskYesNo(QWidget* parent, const QString& text) {
  if (recorder != nullptr) {
    recorder->texts_.append(text);
    return recorder->answer_;
  }
  return QMessageBox::question(parent, QStringLiteral("Quillmark"), text,
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

}  // namespace quillmark::ui

#include "ui/file_dialog.h"

#include <QFileDialog>
#include <QStringList>
#include <utility>

namespace quillmark::ui {

std::deque<QString> FileDialog::answers_;

FileDialog::FileDialog(Kind kind, QString filter, QString default_suffix)
    : kind_(kind), filter_(std::move(filter)), default_suffix_(std::move(default_suffix)) {}

QString FileDialog::Execute(QWidget* parent) {
  if (!answers_.empty()) {
    QString answer = std::move(answers_.front());
    answers_.pop_front();
    if (!answer.isEmpty()) file_name_ = answer;
    return answer;
  }
  QFileDialog dialog(parent, title_, initial_dir_, filter_);
  dialog.setAcceptMode(kind_ == Kind::kSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix(default_suffix_);
  if (kind_ == Kind::kSave) dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!file_name_.isEmpty()) dialog.selectFile(file_name_);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty()) return {};
  // The next time the dialog opens it proposes the file chosen now.
  file_name_ = files.front();
  return file_name_;
}

void FileDialog::AnswerNext(QString answer) {
  answers_.push_back(std::move(answer));
}

std::size_t FileDialog::PendingAnswers() {
  return answers_.size();
}

}  // namespace quillmark::ui

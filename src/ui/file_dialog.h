#pragma once
// The main window's file dialogs: a filter, a default extension, an initial folder and a
// proposed name, shown modally when a command asks for a file. Tests answer them in advance.

#include <QString>
#include <deque>
#include <utility>

class QWidget;

namespace quillmark::ui {

class FileDialog {
 public:
  enum class Kind { kOpen, kSave };

  // `filter` as Qt writes it, "Investigation files (*.qmk)"; `default_suffix` is added to a
  // name typed without an extension.
  FileDialog(Kind kind, QString filter, QString default_suffix);

  const QString& Title() const { return title_; }
  void SetTitle(QString title) { title_ = std::move(title); }
  const QString& InitialDir() const { return initial_dir_; }
  void SetInitialDir(QString dir) { initial_dir_ = std::move(dir); }
  // The name proposed when the dialog opens: the one set, or else the file chosen last.
  const QString& FileName() const { return file_name_; }
  void SetFileName(QString name) { file_name_ = std::move(name); }

  // Shows the dialog modally. The chosen file's full path, or an empty text when cancelled. A
  // save dialog does not ask before replacing a file (its command asks where it must); an open
  // dialog accepts a name that does not exist.
  QString Execute(QWidget* parent);

  // Test seam: the next Execute() of any dialog returns this answer without showing anything;
  // an empty answer is a cancel. Answers are used in the order given.
  static void AnswerNext(QString answer);
  static std::size_t PendingAnswers();

 private:
  Kind kind_;
  QString filter_;
  QString default_suffix_;
  QString title_;
  QString initial_dir_;
  QString file_name_;

  static std::deque<QString> answers_;
};

}  // namespace quillmark::ui

#pragma once
// The main window's commands around its keyword list that read, write, copy or prune it: "Open"
// and "Save investigation file...", "Export Table...", "Export History...", "Save keywords
// list...", Ctrl+C on the list, "Filter"; and the top searches window, which the listing fills
// and from which a double-click researches a phrase.

#include <QObject>

#include "ui/file_commands.h"
#include "ui/filter_dialog.h"
#include "ui/top_searches_window.h"

namespace quillmark::ui {

class TForm1;

class ListCommands : public QObject {
  Q_OBJECT

 public:
  // Connects the window's menu entries and places the windows beside it. Must be destroyed
  // before `window`, whose lists the windows show.
  explicit ListCommands(TForm1& window);
  ~ListCommands() override;

  FileCommands& Files() { return files_; }
  TFilterForm& FilterForm() { return filter_form_; }
  TTOPForm& TOPForm() { return top_form_; }

  // "Filt&er": the filter dialog, modally. No Stop command: a run may go on underneath.
  void Filter();
  // Ctrl+C on the list: the selected rows in list order, after a line of the column titles, as
  // tab-separated text on the clipboard for pasting into a spreadsheet. No Stop command: it
  // only reads the list. Nothing selected copies nothing.
  void CopySelectedRows();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TForm1& window_;
  FileCommands files_;
  TFilterForm filter_form_;
  TTOPForm top_form_;
};

}  // namespace quillmark::ui

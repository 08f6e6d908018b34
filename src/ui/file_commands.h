#pragma once
// The main window's commands that read and write files: "Open investigation file...",
// "Save investigation file...", "Save keywords list...", "Export Table..." and "Export
// History...", with their five dialogs. A failure is shown in a message box naming the file and the
// reason; the list and any old file stay as they were.

#include <QString>
#include <functional>
#include <string>

#include "research/research_host.h"
#include "ui/file_dialog.h"

class QWidget;

namespace quillmark::ui {

class FileCommands {
 public:
  // `window` parents the dialogs and messages; `host` gives the keyword list; `stop_command` is
  // the window's Stop command. Both must outlive the commands.
  FileCommands(QWidget& window, ResearchHost& host, std::function<void()> stop_command);

  FileDialog& OpenDialog1() { return open_dialog_; }
  FileDialog& ResultsSaveDialog() { return results_save_dialog_; }
  FileDialog& KeywordsSaveDialog() { return keywords_save_dialog_; }
  FileDialog& TableExportDialog() { return table_export_dialog_; }
  FileDialog& HistoryExportDialog() { return history_export_dialog_; }

  // The name the save and export dialogs propose: the seed, set by each Start.
  void SetSaveDialogsFileName(const QString& name);

  // Where "Export Table..." starts: the folder it last wrote into, else the user's documents
  // folder, else the home folder.
  static QString ExportFolder();

  // Each performs the Stop command first, then asks for the file.
  void OpenInvestigationFile();  // appends the file's rows to the list
  void SaveInvestigationFile();  // writes every row, in list order
  void SaveKeywordsList();       // writes the keywords of the checked rows
  // Writes every row, all columns, in list order, as CSV in UTF-8; asks before replacing a file.
  void ExportTable();
  // "Export History...": the CSV text `csv` gives (in the program's texts), written as Export
  // Table writes (UTF-8, its folder, its question before replacing a file). No Stop command: it
  // reads the history only.
  void ExportHistory(const std::function<std::string()>& csv);

 private:
  enum class Replacing { kSilently, kAsked };

  // Runs `action` on the chosen file's path; a failure is shown as "Could not <verb> ...".
  template <typename Action>
  void WithChosenFile(FileDialog& dialog, const char* verb, Action&& action,
                      Replacing replacing = Replacing::kSilently, bool stop = true);
  // The export dialogs start next time in the folder written into now.
  void RememberExportFolder(const std::string& path);
  // The dialog's answer; with kAsked, a file that exists is replaced only when the user says so,
  // and the dialog comes back when not.
  QString ChooseFile(FileDialog& dialog, Replacing replacing);

  QWidget& window_;
  ResearchHost& host_;
  std::function<void()> stop_command_;
  FileDialog open_dialog_;
  FileDialog results_save_dialog_;
  FileDialog keywords_save_dialog_;
  FileDialog table_export_dialog_;
  FileDialog history_export_dialog_;
};

// "Could not save \"x.qmk\": No space left on device." from the store's message about `path`.
QString FileFailureText(const char* verb, const QString& file_name, const std::string& path,
                        const std::string& error);

}  // namespace quillmark::ui

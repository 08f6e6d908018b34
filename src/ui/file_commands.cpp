#include "ui/file_commands.h"

#include <sys/stat.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <cerrno>
#include <exception>
#include <utility>

#include "store/atomic_file.h"
#include "store/investigation_file.h"
#include "store/keyword_export.h"
#include "store/settings_key.h"
#include "store/store_error.h"
#include "store/table_export.h"
#include "ui/message_box.h"
#include "ui/text_convert.h"

namespace quillmark::ui {
namespace {

const QString kInvestigationFilter = QStringLiteral("Investigation files (*.qmk)");
const QString kTextFilter = QStringLiteral("text files (*.txt)");
const QString kCsvFilter = QStringLiteral("CSV files (*.csv)");

// Excel reads a CSV file without a byte-order mark in the system's ANSI code page, so every
// letter beyond ASCII would come out garbled; LibreOffice and Google Sheets take the mark as UTF-8
// and drop it.
constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

bool IsFolder(const QString& path) {
  return !path.isEmpty() && QFileInfo(path).isDir();
}

}  // namespace

FileCommands::FileCommands(QWidget& window, ResearchHost& host, std::function<void()> stop_command)
    : window_(window),
      host_(host),
      stop_command_(std::move(stop_command)),
      open_dialog_(FileDialog::Kind::kOpen, kInvestigationFilter, QStringLiteral("qmk")),
      results_save_dialog_(FileDialog::Kind::kSave, kInvestigationFilter, QStringLiteral("qmk")),
      keywords_save_dialog_(FileDialog::Kind::kSave, kTextFilter, QStringLiteral("txt")),
      table_export_dialog_(FileDialog::Kind::kSave, kCsvFilter, QStringLiteral("csv")),
      history_export_dialog_(FileDialog::Kind::kSave, kCsvFilter, QStringLiteral("csv")) {
  const QString program_folder =
      QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/'));
  for (FileDialog* dialog : {&open_dialog_, &results_save_dialog_, &keywords_save_dialog_})
    dialog->SetInitialDir(program_folder);
  // The export goes where a person keeps documents, never into the program's own folder.
  table_export_dialog_.SetTitle(QStringLiteral("Export Table"));
  table_export_dialog_.SetInitialDir(ExportFolder());
  history_export_dialog_.SetTitle(QStringLiteral("Export History"));
  history_export_dialog_.SetInitialDir(ExportFolder());
  history_export_dialog_.SetFileName(QStringLiteral("history.csv"));
}

QString FileCommands::ExportFolder() {
  if (const QString last = QFile::decodeName(QByteArray::fromStdString(store::LoadExportFolder()));
      IsFolder(last))
    return last;
  if (const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
      IsFolder(documents))
    return documents;
  return QDir::homePath();
}

void FileCommands::SetSaveDialogsFileName(const QString& name) {
  results_save_dialog_.SetFileName(name);
  keywords_save_dialog_.SetFileName(name);
  // A name, not a path: a "/" in the seed would send the file elsewhere.
  QString file_name = name;
  file_name.replace(QLatin1Char('/'), QLatin1Char('-'));
  table_export_dialog_.SetFileName(file_name.isEmpty() ? file_name
                                                       : file_name + QStringLiteral(".csv"));
  history_export_dialog_.SetFileName(file_name.isEmpty()
                                         ? QStringLiteral("history.csv")
                                         : file_name + QStringLiteral(" history.csv"));
}

QString FileCommands::ChooseFile(FileDialog& dialog, Replacing replacing) {
  for (;;) {
    const QString chosen = dialog.Execute(&window_);
    // A folder or a pipe is no file to replace: the write says what is wrong with it.
    if (chosen.isEmpty() || replacing == Replacing::kSilently || !QFileInfo(chosen).isFile())
      return chosen;
    if (AskYesNo(&window_, QStringLiteral("\"%1\" already exists.\nDo you want to replace it?")
                               .arg(QFileInfo(chosen).fileName())))
      return chosen;
  }
}

template <typename Action>
void FileCommands::WithChosenFile(FileDialog& dialog, const char* verb, Action&& action,
                                  Replacing replacing, bool stop) {
  if (stop && stop_command_) stop_command_();
  const QString chosen = ChooseFile(dialog, replacing);
  if (chosen.isEmpty()) return;
  const std::string path = QFile::encodeName(chosen).toStdString();
  try {
    action(path);
  } catch (const std::exception& e) {
    ShowWarning(&window_, FileFailureText(verb, chosen, path, e.what()));
  }
}

void FileCommands::OpenInvestigationFile() {
  WithChosenFile(open_dialog_, "open", [this](const std::string& path) {
    // Opening reads an absent file as no rows; a name typed into the dialog by mistake must
    // not pass for an empty investigation. Pipes, devices and folders the store refuses.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 && errno == ENOENT)
      throw StoreError::FromErrno("open", path, ENOENT);
    quillmark::OpenInvestigationFile(host_.Keywords(), path);
  });
}

void FileCommands::SaveInvestigationFile() {
  WithChosenFile(results_save_dialog_, "save", [this](const std::string& path) {
    // An empty list writes nothing and leaves an old file as it was; say so rather than let
    // the user believe the file now holds this (empty) investigation.
    if (!quillmark::SaveInvestigationFile(host_.Keywords(), path))
      ShowWarning(&window_, QStringLiteral("Nothing was saved: the list has no rows."));
  });
}

void FileCommands::SaveKeywordsList() {
  WithChosenFile(keywords_save_dialog_, "save", [this](const std::string& path) {
    quillmark::SaveKeywordsList(host_.Keywords(), path);
  });
}

void FileCommands::ExportTable() {
  // UTF-8, each character as the list shows it: spreadsheets read that, not our code page.
  WithChosenFile(
      table_export_dialog_, "export",
      [this](const std::string& path) {
        ExportKeywordTable(host_.Keywords(), path, [](const std::string& text) {
          return kUtf8ByteOrderMark + ToUtf8(text);
        });
        RememberExportFolder(path);
      },
      Replacing::kAsked);
}

void FileCommands::ExportHistory(const std::function<std::string()>& csv) {
  WithChosenFile(
      history_export_dialog_, "export",
      [this, &csv](const std::string& path) {
        ReplaceFileAtomically(path, {kUtf8ByteOrderMark, ToUtf8(csv())});
        RememberExportFolder(path);
      },
      Replacing::kAsked, false);
}

void FileCommands::RememberExportFolder(const std::string& path) {
  const QString folder =
      QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absolutePath();
  table_export_dialog_.SetInitialDir(folder);
  history_export_dialog_.SetInitialDir(folder);
  store::SaveExportFolder(QFile::encodeName(folder).toStdString());
}

QString FileFailureText(const char* verb, const QString& file_name, const std::string& path,
                        const std::string& error) {
  // The store says "cannot <action> <path>: <reason>"; the file is named once already.
  std::string reason = error;
  const std::string marker = " " + path + ": ";
  if (const auto at = error.find(marker); error.rfind("cannot ", 0) == 0 && at != std::string::npos)
    reason = error.substr(at + marker.size());
  QString text = ToQString(reason);
  if (!text.isEmpty()) text[0] = text[0].toUpper();
  if (!text.endsWith(QLatin1Char('.'))) text += QLatin1Char('.');
  return QStringLiteral("Could not %1 \"%2\": %3")
      .arg(QLatin1String(verb), QFileInfo(file_name).fileName(), text);
}

}  // namespace quillmark::ui

#include "ui/help_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include "ui/desktop_open.h"
#include "ui/message_box.h"

// Given by the build; without them only the program's own folder is searched.
#ifndef QUILLMARK_DATA_DIR
#define QUILLMARK_DATA_DIR ""
#endif
#ifndef QUILLMARK_DATA_DIR_FROM_BIN
#define QUILLMARK_DATA_DIR_FROM_BIN ""
#endif

namespace quillmark::ui {

QStringList HelpFileFolders() {
  const QString program_folder = QCoreApplication::applicationDirPath();
  QStringList folders{program_folder};
  // A copy installed under another prefix than the one it was built for (a staging folder, a
  // user's own ~/.local) keeps its data at the same place relative to the program.
  if (const QString relative = QString::fromUtf8(QUILLMARK_DATA_DIR_FROM_BIN); !relative.isEmpty())
    folders.append(QDir::cleanPath(program_folder + QLatin1Char('/') + relative));
  if (const QString installed = QString::fromUtf8(QUILLMARK_DATA_DIR);
      !installed.isEmpty() && !folders.contains(installed))
    folders.append(installed);
  return folders;
}

namespace {

QString FindFile(const QStringList& folders, const char* name) {
  for (const QString& folder : folders) {
    const QFileInfo file(QDir(folder), QString::fromLatin1(name));
    if (file.isFile() && file.isReadable()) return file.absoluteFilePath();
  }
  return {};
}

// The MIME type of compiled help, and the alias older desktop files declare.
constexpr const char* kCompiledHelpTypes[] = {"application/vnd.ms-htmlhelp", "application/x-chm"};

// Whether the desktop names a program for compiled help: most Linux desktops have none, and
// handed a help.chm they show nothing at all.
bool CompiledHelpViewerKnown() {
  for (const char* type : kCompiledHelpTypes)
    if (DesktopOpens(QString::fromLatin1(type))) return true;
  return false;
}

}  // namespace

QString FindHelpFile(const QStringList& folders) {
  return FindFile(folders, kHelpFileName);
}

QString FindHelpPages(const QStringList& folders) {
  return FindFile(folders, kHelpPagesStart);
}

void OpenHelpFile(QWidget* parent) {
  const QStringList folders = HelpFileFolders();
  const QString help_file = FindHelpFile(folders);
  const QString pages = FindHelpPages(folders);
  if (help_file.isEmpty() && pages.isEmpty()) {
    ShowWarning(parent, QStringLiteral("The help file %1 was not found in %2.")
                            .arg(QString::fromLatin1(kHelpFileName),
                                 QDir::toNativeSeparators(folders.join(QStringLiteral(" or ")))));
    return;
  }
  if (!help_file.isEmpty() && CompiledHelpViewerKnown() &&
      OpenWithDesktop(QUrl::fromLocalFile(help_file)))
    return;
  if (!pages.isEmpty() && OpenInBrowser(QUrl::fromLocalFile(pages))) return;
  // Say where the help is, so that it can be opened by hand.
  QStringList where;
  if (!pages.isEmpty()) where << QDir::toNativeSeparators(pages);
  if (!help_file.isEmpty()) where << QDir::toNativeSeparators(help_file);
  ShowWarning(parent, QStringLiteral("The help could not be opened: no web browser or viewer for "
                                     "compiled help could be started.\n\nThe help is in %1.")
                          .arg(where.join(QStringLiteral(" and in "))));
}

}  // namespace quillmark::ui

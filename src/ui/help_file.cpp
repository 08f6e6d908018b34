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

QString FindHelpFile(const QStringList& folders) {
  for (const QString& folder : folders) {
    const QFileInfo file(QDir(folder), QString::fromLatin1(kHelpFileName));
    if (file.isFile() && file.isReadable()) return file.absoluteFilePath();
  }
  return {};
}

void OpenHelpFile(QWidget* parent) {
  const QStringList folders = HelpFileFolders();
  const QString help_file = FindHelpFile(folders);
  if (help_file.isEmpty()) {
    ShowWarning(parent,
                QStringLiteral("The help file %1 was not found in %2.")
                    .arg(QString::fromLatin1(kHelpFileName), folders.join(QStringLiteral(" or "))));
    return;
  }
  OpenWithDesktop(QUrl::fromLocalFile(help_file));
}

}  // namespace quillmark::ui

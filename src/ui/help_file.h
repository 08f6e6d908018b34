#pragma once
// Where Help > Contents finds the help file. The file travels with the program: beside it in a
// build tree, in the data folder of the installation it belongs to, or in the data folder it was
// built for. The process's current folder is never searched: a program started from a terminal
// or a menu has any folder as its current one.

#include <QString>
#include <QStringList>

class QWidget;

namespace quillmark::ui {

inline constexpr char kHelpFileName[] = "help.chm";

// The folders searched, in order: the program's own folder, the data folder of the installation
// it runs from (found from the program's folder), and the data folder it was built for.
QStringList HelpFileFolders();

// The path of the help file in the first of `folders` that holds one as a regular file; empty
// when none does.
QString FindHelpFile(const QStringList& folders);

// Opens the help file with the desktop's "open" action, or says in a warning box over `parent`
// where it was looked for: handing the desktop a file that is not there shows nothing at all.
void OpenHelpFile(QWidget* parent);

}  // namespace quillmark::ui

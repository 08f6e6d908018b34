#pragma once
// Where Help > Contents finds the help, and how it shows it. The help travels with the program,
// compiled (help.chm) and as the same pages in HTML (help/welcome.html): beside it in a build
// tree, in the data folder of the installation it belongs to, or in the data folder it was built
// for. The process's current folder is never searched: a program started from a terminal or a
// menu has any folder as its current one.

#include <QString>
#include <QStringList>

class QWidget;

namespace quillmark::ui {

inline constexpr char kHelpFileName[] = "help.chm";
// The first of the HTML pages, below a help folder.
inline constexpr char kHelpPagesStart[] = "help/welcome.html";

// The folders searched, in order: the program's own folder, the data folder of the installation
// it runs from (found from the program's folder), and the data folder it was built for.
QStringList HelpFileFolders();

// The path of the help file in the first of `folders` that holds one as a regular file; empty
// when none does.
QString FindHelpFile(const QStringList& folders);

// The path of the first HTML page in the first of `folders` that holds one; empty when none does.
QString FindHelpPages(const QStringList& folders);

// Opens the help: the help file with the desktop's "open" action where the desktop has a viewer
// for it, else its HTML pages in the web browser. Where nothing could be opened, or the help is
// missing, a warning box over `parent` says where the help is or was looked for.
void OpenHelpFile(QWidget* parent);

}  // namespace quillmark::ui

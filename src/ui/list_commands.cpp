#include "ui/list_commands.h"

#include <QMenuBar>

#include "ui/main_window.h"
#include "ui_main_window.h"

namespace quillmark::ui {
namespace {

void SetUp(QAction& action, const char* name, const char* picture, const char* shortcut) {
  action.setObjectName(QString::fromLatin1(name));
  if (picture != nullptr) action.setIcon(QIcon(QString::fromLatin1(picture)));
  if (shortcut != nullptr) action.setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
}

}  // namespace

ListCommands::ListCommands(TForm1& window)
    : window_(window),
      files_(window, window),
      filter_form_(window.Keywords(), &window),
      top_form_(window.TopSearches(), &window),
      open1_(QStringLiteral("&Open investigation file..."), this),
      save1_(QStringLiteral("&Save investigation file..."), this),
      savetotextfile1_(QStringLiteral("Save keywords list..."), this),
      filter1_(QStringLiteral("Filt&er"), this),
      keywords1_(QStringLiteral("&Keywords"), window.Form().MainMenu1) {
  SetUp(open1_, "Open1", ":/pictures/menu3.png", "Ctrl+O");
  SetUp(save1_, "Save1", ":/pictures/menu2.png", "Ctrl+S");
  SetUp(savetotextfile1_, "Savetotextfile1", ":/pictures/menu0.png", "Ctrl+K");
  SetUp(filter1_, "Filter1", nullptr, nullptr);
  keywords1_.setObjectName(QStringLiteral("Keywords1"));
  connect(&open1_, &QAction::triggered, this, [this] { files_.Open1Click(); });
  connect(&save1_, &QAction::triggered, this, [this] { files_.Save1Click(); });
  connect(&savetotextfile1_, &QAction::triggered, this, [this] { files_.Savetotextfile1Click(); });
  connect(&filter1_, &QAction::triggered, this, &ListCommands::Filter1Click);

  // File: Open, Save, a separator, then the window's own entries.
  QMenu* file_menu = window.Form().File1;
  QAction* first = file_menu->actions().value(0);
  file_menu->insertActions(first, {&open1_, &save1_});
  file_menu->insertSeparator(first);

  // "&Keywords" and "Filt&er" follow "&File" on the menu bar.
  QMenuBar* bar = window.Form().MainMenu1;
  const QList<QAction*> entries = bar->actions();
  QAction* after_file = entries.value(entries.indexOf(file_menu->menuAction()) + 1);
  keywords1_.addAction(&savetotextfile1_);
  bar->insertMenu(after_file, &keywords1_);
  bar->insertAction(after_file, &filter1_);

  connect(&window, &TForm1::SaveDialogsFileNameSet, this,
          [this](const QString& name) { files_.SetSaveDialogsFileName(name); });
  window.SetTopSearchesWindow(&top_form_);
  // Straight to the research: no dialog, no busy cursor, no "Done!", no Stop first.
  top_form_.SetInvestigate([&window](const std::string& phrase) { window.ResearchPhrase(phrase); });
}

ListCommands::~ListCommands() {
  window_.SetTopSearchesWindow(nullptr);
}

void ListCommands::Filter1Click() {
  filter_form_.exec();
}

}  // namespace quillmark::ui

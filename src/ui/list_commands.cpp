#include "ui/list_commands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <algorithm>
#include <vector>

#include "store/table_export.h"
#include "ui/main_window.h"
#include "ui/text_convert.h"
#include "ui/window_history.h"
#include "ui_main_window.h"

namespace quillmark::ui {

ListCommands::ListCommands(TForm1& window)
    : window_(window),
      files_(window, window, [&window] { window.StopCommand(); }),
      filter_form_(window.Keywords(), &window),
      top_form_(window.TopSearches(), &window) {
  Ui::TForm1& form = window.Form();
  connect(form.Open1, &QAction::triggered, this, [this] { files_.OpenInvestigationFile(); });
  connect(form.Save1, &QAction::triggered, this, [this] { files_.SaveInvestigationFile(); });
  connect(form.ExportTable1, &QAction::triggered, this, [this] { files_.ExportTable(); });
  connect(form.ExportHistory1, &QAction::triggered, this,
          [this] { files_.ExportHistory([this] { return window_.History().ExportCsv(); }); });
  connect(form.Savetotextfile1, &QAction::triggered, this, [this] { files_.SaveKeywordsList(); });
  connect(form.Filter1, &QAction::triggered, this, &ListCommands::Filter);
  form.ListView1->installEventFilter(this);

  connect(&window, &TForm1::SaveDialogsFileNameSet, this,
          [this](const QString& name) { files_.SetSaveDialogsFileName(name); });
  window.SetTopSearchesWindow(&top_form_);
  // Straight to the research: no dialog, no busy cursor, no "Done!", no Stop first.
  top_form_.SetInvestigate([&window](const std::string& phrase) { window.ResearchPhrase(phrase); });
}

ListCommands::~ListCommands() {
  window_.SetTopSearchesWindow(nullptr);
}

void ListCommands::Filter() {
  filter_form_.exec();
}

void ListCommands::CopySelectedRows() {
  const QModelIndexList selected = window_.Form().ListView1->selectionModel()->selectedRows();
  if (selected.isEmpty()) return;
  // The view's rows are the list's rows; the selection comes in the order it was made.
  std::vector<std::size_t> positions;
  for (const QModelIndex& index : selected)
    positions.push_back(static_cast<std::size_t>(index.row()));
  std::sort(positions.begin(), positions.end());
  QGuiApplication::clipboard()->setText(ToQString(KeywordRowsTsv(window_.Keywords(), positions)));
}

bool ListCommands::eventFilter(QObject* watched, QEvent* event) {
  // The view would copy its current cell alone.
  if (watched == window_.Form().ListView1 && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
    CopySelectedRows();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace quillmark::ui

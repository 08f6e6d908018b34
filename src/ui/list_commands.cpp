#include "ui/list_commands.h"

#include "ui/main_window.h"
#include "ui_main_window.h"

namespace quillmark::ui {

ListCommands::ListCommands(TForm1& window)
    : window_(window),
      files_(window, window),
      filter_form_(window.Keywords(), &window),
      top_form_(window.TopSearches(), &window) {
  Ui::TForm1& form = window.Form();
  connect(form.Open1, &QAction::triggered, this, [this] { files_.OpenInvestigationFile(); });
  connect(form.Save1, &QAction::triggered, this, [this] { files_.SaveInvestigationFile(); });
  connect(form.Savetotextfile1, &QAction::triggered, this, [this] { files_.SaveKeywordsList(); });
  connect(form.Filter1, &QAction::triggered, this, &ListCommands::Filter);

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

}  // namespace quillmark::ui

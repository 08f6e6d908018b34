#pragma once
// The top searches window: today's most searched phrases, numbered, beside the main window.
// A double-click researches a phrase; "Print" prints the list.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "research/top_search_list.h"
#include "ui/top_search_list_model.h"

class QPrinter;

namespace Ui {
class TTOPForm;
}

namespace quillmark::ui {

class TTOPForm : public QWidget {
  Q_OBJECT

 public:
  // Shows `list`, which the top searches listing fills; the list must outlive the window.
  explicit TTOPForm(TopSearchList& list, QWidget* parent = nullptr);
  ~TTOPForm() override;

  // What a double-click does with the phrase of the selected row: the main window runs a seed
  // research with it. Exceptions from it are swallowed.
  void SetInvestigate(std::function<void(const std::string&)> investigate);

  // The Print command's two halves: Memo1 gets the heading and one numbered line per row,
  // then is printed onto `printer` as one job titled "Quillmark". Never throw.
  void FillMemo();
  void PrintMemo(QPrinter& printer);

 private:
  void ListView1DblClick();
  // "Print": fills Memo1 and prints it on the default printer; with none it prints nothing.
  void BitBtn1Click();

  std::unique_ptr<::Ui::TTOPForm> ui_;
  TopSearchList& list_;
  TopSearchListModel model_;
  std::function<void(const std::string&)> investigate_;
};

}  // namespace quillmark::ui

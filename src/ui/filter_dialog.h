#pragma once
// The filter dialog: deletes from the keyword list every phrase whose supply (the pages that
// compete for it) is above the number typed. Created once, so the number stays between uses.

#include <QDialog>
#include <memory>

#include "research/keyword_list.h"

namespace Ui {
class TFilterForm;
}

namespace quillmark::ui {

class TFilterForm : public QDialog {
  Q_OBJECT

 public:
  // Prunes `list`, which must outlive the dialog.
  explicit TFilterForm(KeywordList& list, QWidget* parent = nullptr);
  ~TFilterForm() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // "Go": filter, then close. "Cancel" and the close box close without a change. Either way
  // the dialog ends as cancelled; nobody looks at the result.
  void BitBtn1Click();
  void BitBtn2Click();

  std::unique_ptr<::Ui::TFilterForm> ui_;
  KeywordList& list_;
};

}  // namespace quillmark::ui

#include "ui/filter_dialog.h"

#include <algorithm>

#include "research/supply_filter.h"
#include "ui/centre_on_screen.h"
#include "ui/classic_font.h"
#include "ui_filter_dialog.h"

namespace quillmark::ui {

TFilterForm::TFilterForm(KeywordList& list, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<::Ui::TFilterForm>()), list_(list) {
  ui_->setupUi(this);
  UseClassicFont(*this);
  setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(size());
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TFilterForm::BitBtn1Click);
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &TFilterForm::BitBtn2Click);
}

TFilterForm::~TFilterForm() = default;

void TFilterForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
  ui_->SpinEdit1->setFocus(Qt::OtherFocusReason);
}

void TFilterForm::BitBtn1Click() {
  // The field raises a number below its range when it loses the focus; the range is held here
  // too, so that no way of pressing Go filters with 0 and empties the list.
  const TSpinEdit& field = *ui_->SpinEdit1;
  const int threshold = std::clamp(field.Value(), field.MinValue(), field.MaxValue());
  DeleteRowsAboveSupply(list_, threshold);
  reject();
}

void TFilterForm::BitBtn2Click() {
  reject();
}

}  // namespace quillmark::ui

#include "ui/investigate_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <algorithm>

#include "research/research_limits.h"
#include "session/start_command.h"
#include "ui/classic_font.h"
#include "ui/pictures.h"
#include "ui/text_convert.h"
#include "ui_investigate_dialog.h"

namespace quillmark::ui {
namespace {

// The default's entry of the pages list ("1" to "20"), chosen when no stored position fits.
constexpr int kDefaultDepthIndex = kDefaultMaxPages - kMinMaxPages;

// CheckBox1 sits in the blanks that open GroupBoxPos's caption. A face with narrower blanks
// than the design's would put the caption's first letters under it: move it left to fit.
void FitCheckBoxIntoCaption(QCheckBox& check, const QGroupBox& frame) {
  QStyleOptionGroupBox option;
  option.initFrom(&frame);
  option.text = frame.title();
  option.textAlignment = frame.alignment();
  option.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
  option.lineWidth = 1;
  const QRect label =
      frame.style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, &frame);
  const QString title = frame.title();
  qsizetype blanks = 0;
  while (blanks < title.size() && title[blanks] == QLatin1Char(' ')) ++blanks;
  const int text_start =
      frame.x() + label.left() + frame.fontMetrics().horizontalAdvance(title.left(blanks));
  const int room = text_start - 2 - check.width();
  if (check.x() > room) check.move(std::max(room, frame.x()), check.y());
}

}  // namespace

TStartForm::TStartForm(ResearchHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      ui_(std::make_unique<Ui::TStartForm>()),
      host_(host) {
  RegisterPictures();
  ui_->setupUi(this);
  UseClassicFont(*this);
  setFixedSize(size());
  // Labels take the width of their text, so a wider face than the design's clips nothing.
  for (QLabel* label : findChildren<QLabel*>()) label->adjustSize();
  FitCheckBoxIntoCaption(*ui_->CheckBox1, *ui_->GroupBoxPos);
  setModal(true);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TStartForm::BitBtn1Click);
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &TStartForm::BitBtn2Click);
  connect(ui_->RadioButton1, &QRadioButton::clicked, this, &TStartForm::RadioButton1Click);
  connect(ui_->RadioButton2, &QRadioButton::clicked, this, &TStartForm::RadioButton2Click);
  store::LoadInvestigateEntries(*this);
}

TStartForm::~TStartForm() = default;

std::string TStartForm::SeedText() const {
  return ToStdString(ui_->LabeledEdit1->text());
}

ResearchMode TStartForm::Mode() const {
  return ui_->RadioButton1->isChecked() ? ResearchMode::kSeed : ResearchMode::kTopSearches;
}

std::string TStartForm::TargetUrl() const {
  return ToStdString(ui_->HomepageEdit->text());
}

std::string TStartForm::MaxPagesText() const {
  return ToStdString(ui_->DepthCombo->currentText());
}

int TStartForm::MaxResults() const {
  return ui_->MaxResultsSpinEdit->Value();
}

bool TStartForm::FilterUnwanted() const {
  return ui_->CBFilter->isChecked();
}

std::vector<std::string> TStartForm::UnwantedTerms() const {
  std::vector<std::string> lines;
  for (const QString& line : ui_->MemoUnwantedTerms->toPlainText().split(QLatin1Char('\n')))
    lines.push_back(ToStdString(line));
  return lines;
}

void TStartForm::SetKeyterm(const std::string& text) {
  ui_->LabeledEdit1->setText(ToQString(text));
}

void TStartForm::SetHome(const std::string& text) {
  ui_->HomepageEdit->setText(ToQString(text));
}

void TStartForm::SetDepth(std::uint32_t index) {
  const bool fits = index < static_cast<std::uint32_t>(ui_->DepthCombo->count());
  ui_->DepthCombo->setCurrentIndex(fits ? static_cast<int>(index) : kDefaultDepthIndex);
}

void TStartForm::SetResults(std::uint32_t value) {
  // Beyond the int range the spin edit's own clamping has nothing to hold on to.
  ui_->MaxResultsSpinEdit->SetValue(static_cast<int>(std::min<std::uint32_t>(value, 1u << 30)));
}

std::uint32_t TStartForm::Depth() {
  return static_cast<std::uint32_t>(std::max(ui_->DepthCombo->currentIndex(), 0));
}

std::uint32_t TStartForm::Results() {
  return static_cast<std::uint32_t>(std::max(ui_->MaxResultsSpinEdit->Value(), 0));
}

void TStartForm::done(int result) {
  store::SaveInvestigateEntries(*this);
  QDialog::done(result);
}

void TStartForm::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Enter:
    case Qt::Key_Return:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void TStartForm::BitBtn1Click() {
  session::ConfirmInvestigate(host_, [this] { accept(); });
}

void TStartForm::BitBtn2Click() {
  reject();
}

void TStartForm::RadioButton1Click() {
  ui_->RadioButton2->setChecked(!ui_->RadioButton1->isChecked());
  ui_->GroupBox1->show();
  ui_->GroupBox2->hide();
}

void TStartForm::RadioButton2Click() {
  ui_->RadioButton1->setChecked(!ui_->RadioButton2->isChecked());
  ui_->GroupBox2->show();
  ui_->GroupBox1->hide();
}

}  // namespace quillmark::ui

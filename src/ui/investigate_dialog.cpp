#include "ui/investigate_dialog.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <QStyleOptionGroupBox>
#include <algorithm>
#include <cmath>

#include "research/research_limits.h"
#include "session/provider_calls.h"
#include "session/start_command.h"
#include "sources/price_table.h"
#include "ui/classic_font.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "ui/pictures.h"
#include "ui/text_convert.h"
#include "ui_investigate_dialog.h"

namespace quillmark::ui {
namespace {

// The default's entry of the pages list ("1" to "20"), chosen when no stored position fits.
constexpr int kDefaultDepthIndex = kDefaultMaxPages - kMinMaxPages;
// The name a typed or pasted list goes by, where a seed would stand.
constexpr const char* kTypedListName = "my phrases";

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
  // The lines said as the entries change keep the width the form gives them.
  for (QLabel* label : findChildren<QLabel*>()) {
    if (label != ui_->PhrasesCountLabel && label != ui_->EstimateLabel) label->adjustSize();
  }
  FitCheckBoxIntoCaption(*ui_->CheckBox1, *ui_->GroupBoxPos);
  setModal(true);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TStartForm::BitBtn1Click);
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &TStartForm::BitBtn2Click);
  connect(ui_->RadioButton1, &QRadioButton::clicked, this, &TStartForm::RadioButton1Click);
  connect(ui_->RadioButton2, &QRadioButton::clicked, this, &TStartForm::RadioButton2Click);
  connect(ui_->SeedRadio, &QRadioButton::toggled, this, &TStartForm::ShowWayIn);
  connect(ui_->LoadPhrasesButton, &QPushButton::clicked, this, &TStartForm::LoadPhrasesClick);
  connect(ui_->PhrasesMemo, &QPlainTextEdit::textChanged, this, [this] {
    list_name_.clear();
    ShowPhrasesCount();
  });
  for (QLineEdit* edit : {static_cast<QLineEdit*>(ui_->MaxResultsSpinEdit), ui_->HomepageEdit})
    connect(edit, &QLineEdit::textChanged, this, &TStartForm::ShowEstimate);
  connect(ui_->DepthCombo, &QComboBox::currentIndexChanged, this, &TStartForm::ShowEstimate);
  connect(ui_->EconomyCombo, &QComboBox::currentIndexChanged, this, &TStartForm::ShowEstimate);
  ui_->EconomyCombo->setCurrentIndex(static_cast<int>(store::LoadEconomy()));
  connect(ui_->RadioButton1, &QRadioButton::toggled, this, &TStartForm::ShowEstimate);
  store::LoadInvestigateEntries(*this);
  ui_->AskCostEdit->setValidator(new QRegularExpressionValidator(
      QRegularExpression(QStringLiteral("[0-9]{0,6}([.][0-9]{0,2})?")), ui_->AskCostEdit));
  const std::uint32_t cents = store::LoadCostQuestionCents();
  ui_->AskCostEdit->setText(
      cents == 0
          ? QString()
          : QStringLiteral("%1.%2").arg(cents / 100).arg(cents % 100, 2, 10, QLatin1Char('0')));
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

bool TStartForm::UsesPhrases() const {
  return ui_->PhrasesRadio->isChecked();
}

session::PhraseList TStartForm::Phrases() const {
  return session::ReadPhrases(session::TextLines(ToStdString(ui_->PhrasesMemo->toPlainText())));
}

void TStartForm::TakePhrases(session::RunRequest& request) const {
  if (request.mode != ResearchMode::kSeed || !UsesPhrases()) return;
  session::PhraseList list = Phrases();
  request.max_results = static_cast<int>(list.phrases.size());
  request.phrases = std::move(list.phrases);
  request.seed = list_name_.isEmpty() ? std::string(kTypedListName) : ToStdString(list_name_);
}

void TStartForm::TakeEconomy(session::RunRequest& request) const {
  if (!priced_ || request.mode != ResearchMode::kSeed) return;
  switch (ui_->EconomyCombo->currentIndex()) {
    case 1:
      request.economy = sources::Economy::kNormal;
      break;
    case 2:
      request.economy = sources::Economy::kHigh;
      break;
    default:
      request.economy = sources::Economy::kOff;
  }
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

double TStartForm::AskAboveCost() const {
  // The validator lets only digits and one point through, whatever the locale writes.
  return ui_->AskCostEdit->text().toDouble();
}

void TStartForm::SetPriced(bool priced) {
  priced_ = priced;
  // Only a provider has a queue.
  ui_->EconomyLabel->setEnabled(priced);
  ui_->EconomyCombo->setEnabled(priced);
  ShowEstimate();
}

session::RunRequest TStartForm::PricedRequest() const {
  session::RunRequest request{.mode = ResearchMode::kSeed,
                              .target_url = TargetUrl(),
                              .max_pages_text = MaxPagesText(),
                              .max_results = MaxResults()};
  TakePhrases(request);
  TakeEconomy(request);
  return request;
}

std::optional<session::WorstCase> TStartForm::WorstCase() const {
  if (!priced_ || Mode() != ResearchMode::kSeed || (UsesPhrases() && Phrases().phrases.empty()))
    return std::nullopt;
  // Read again each time: the runs since the dialog was last shown may have taught it prices.
  const sources::PriceTable prices;
  return session::ResearchWorstCase(PricedRequest(), prices);
}

void TStartForm::ShowEstimate() {
  const auto worst = WorstCase();
  ui_->EstimateLabel->setText(worst ? ToQString("This research: " + session::WorstCaseText(*worst))
                                    : QString());
}

bool TStartForm::CostAccepted() {
  const double ask_above = AskAboveCost();
  const auto worst = WorstCase();
  if (!worst || ask_above <= 0 || worst->money <= ask_above) return true;
  return AskYesNo(this, ToQString("This research may make " + session::WorstCaseText(*worst) +
                                  ", more than the " + session::MoneyUpText(ask_above) +
                                  " you asked to be asked about. Start it?"));
}

void TStartForm::done(int result) {
  store::SaveInvestigateEntries(*this);
  store::SaveCostQuestionCents(static_cast<std::uint32_t>(std::llround(AskAboveCost() * 100)));
  store::SaveEconomy(static_cast<std::uint32_t>(std::max(ui_->EconomyCombo->currentIndex(), 0)));
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
  if (Mode() == ResearchMode::kSeed && UsesPhrases()) {
    // A list that cannot be researched keeps the dialog open, the list in the window too.
    if (const std::string refusal = session::PhraseListRefusal(Phrases()); !refusal.empty()) {
      ShowWarning(this, ToQString("Your phrases cannot be researched: " + refusal + "."));
      return;
    }
  }
  // Asked before the list is emptied: a research declined at its price leaves the rows as they
  // are, and the dialog open to change it.
  if (!CostAccepted()) return;
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

namespace quillmark::ui {

void TStartForm::ShowWayIn() {
  const bool phrases = UsesPhrases();
  ui_->SeedPage->setVisible(!phrases);
  ui_->PhrasesPage->setVisible(phrases);
  ShowPhrasesCount();
}

void TStartForm::LoadPhrasesClick() {
  FileDialog dialog(FileDialog::Kind::kOpen,
                    QStringLiteral("Phrase lists (*.txt *.csv);;All files (*)"), QString());
  dialog.SetTitle(QStringLiteral("Load phrases"));
  const QString chosen = dialog.Execute(this);
  if (chosen.isEmpty()) return;
  std::vector<std::string> lines;
  try {
    lines = session::ReadPhraseFile(QFile::encodeName(chosen).toStdString());
  } catch (const std::exception& e) {
    ShowWarning(this, ToQString(std::string("Could not load the phrases: ") + e.what()));
    return;
  }
  QString text;
  for (const std::string& line : lines) text += ToQString(line) + QLatin1Char('\n');
  ui_->PhrasesMemo->setPlainText(text);
  list_name_ = QFileInfo(chosen).completeBaseName();
  ShowPhrasesCount();
}

void TStartForm::ShowPhrasesCount() {
  const session::PhraseList list = Phrases();
  std::string text = session::PhraseListText(list);
  if (list.TooMany()) text += "; at most " + std::to_string(kMaxListPhrases);
  ui_->PhrasesCountLabel->setText(ToQString(text));
  ui_->PhrasesCountLabel->setToolTip(ToQString(text));
  ShowEstimate();
}

}  // namespace quillmark::ui

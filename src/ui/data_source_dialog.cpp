#include "ui/data_source_dialog.h"

#include <QKeyEvent>
#include <QLocale>
#include <QMetaObject>
#include <QPalette>
#include <QShowEvent>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <string>
#include <utility>

#include "research/research_limits.h"
#include "session/network_session.h"
#include "session/provider_calls.h"
#include "sources/credentials.h"
#include "sources/markets.h"
#include "sources/price_table.h"
#include "sources/reply_cache.h"
#include "sources/source.h"
#include "ui/centre_on_screen.h"
#include "ui/classic_font.h"
#include "ui/help_file.h"
#include "ui/message_box.h"
#include "ui/source_words.h"
#include "ui/text_convert.h"
#include "ui_data_source_dialog.h"

namespace quillmark::ui {
namespace {

using sources::AccountInEnvironment;
using sources::AccountProblem;
using sources::SourceKind;

constexpr std::chrono::seconds kCheckTimeout{30};
constexpr int kReasonGap = 6;
// A longer reason scrolls: the dialog must still fit a small screen.
constexpr int kMostReasonLines = 8;
constexpr int kMostNoteLines = 3;
// Shown instead of a saved password, which never comes back into the window.
constexpr char kSavedPlaceholder[] = "saved";
constexpr char kEnvironmentPlaceholder[] = "from the environment";
constexpr char kEnvironmentNote[] =
    "Login and password come from the environment; the file is not used.";
constexpr char kWarningColour[] = "#c00000";

// The most phrases the next research asks for: the Investigate dialog's last entry.
int NextMaxResults() {
  struct Entries : store::InvestigateEntries {
    void SetKeyterm(const std::string&) override {}
    void SetHome(const std::string&) override {}
    void SetDepth(std::uint32_t) override {}
    void SetResults(std::uint32_t value) override { results = value; }
    std::string Keyterm() override { return {}; }
    std::string Home() override { return {}; }
    std::uint32_t Depth() override { return 0; }
    std::uint32_t Results() override { return results; }
    std::uint32_t results = kDefaultMaxResults;
  } entries;
  store::LoadInvestigateEntries(entries);
  return static_cast<int>(
      std::clamp<std::uint32_t>(entries.results, kMinMaxResults, kMaxMaxResults));
}

// The most a research of `max_results` phrases can cost, in USD: with a target searched to the
// deepest page a run may ask for, each call at the price the table knows for its shape.
double MostRunCost(int max_results) {
  session::RunRequest request;
  request.max_results = max_results;
  request.target_url = "example.com";
  request.max_pages_text = std::to_string(kMaxMaxPages);
  const sources::PriceTable prices;
  return session::ResearchWorstCase(request, prices).money;
}

// What a balance means for the next research; "" when it covers the worst case.
QString BalanceWarning(double balance) {
  if (balance < 0) {
    return QStringLiteral(
        "The balance is below zero: DataForSEO refuses calls until money is "
        "added to the account.");
  }
  const int phrases = NextMaxResults();
  const double most = MostRunCost(phrases);
  if (balance >= most) return {};
  return QStringLiteral(
             "The next research, of up to %1 phrases, may cost up to %2: more than "
             "the balance.")
      .arg(phrases)
      .arg(ToQString(session::MoneyText(most)));
}

// The height that shows all of `text`'s lines at `width`, at most `most_lines` of them: a
// longer text scrolls. The box has no frame, and may not be laid out yet.
int FittingHeight(QTextEdit& text, int width, int most_lines) {
  QTextDocument& document = *text.document();
  document.setTextWidth(width);
  const int most = most_lines * text.fontMetrics().lineSpacing() +
                   2 * static_cast<int>(document.documentMargin());
  return std::min(static_cast<int>(std::ceil(document.size().height())), most);
}

QString HtmlLines(const QString& text) {
  return text.toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

// Selects the entry of `data`. A value the list lacks gets an entry of its own, `own_text`, after
// the `listed` ones, so that the dialog shows what is in use and OK keeps it.
void SelectOrAdd(QComboBox& combo, int listed, const QVariant& data, const QString& own_text) {
  while (combo.count() > listed) combo.removeItem(combo.count() - 1);
  int index = combo.findData(data);
  if (index < 0) {
    combo.addItem(own_text, data);
    index = combo.count() - 1;
  }
  combo.setCurrentIndex(index);
}

}  // namespace

DataSourceDialog::DataSourceDialog(QWidget* parent, CommandLineChoice command_line)
    : QDialog(parent),
      ui_(std::make_unique<::Ui::DataSourceDialog>()),
      command_line_(std::move(command_line)) {
  ui_->setupUi(this);
  UseClassicFont(*this);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  height_without_reason_ = height();
  setFixedSize(size());
  for (const sources::Country& country : sources::Countries()) {
    ui_->CountryCombo->addItem(ToQString(country.name), country.LocationCode());
    ui_->TopCountryCombo->addItem(ToQString(country.name), ToQString(country.alpha2));
  }
  for (const sources::Language& language : sources::Languages())
    ui_->LanguageCombo->addItem(ToQString(language.name), ToQString(language.code));
  // Texts that read as labels, wrapped and scrolled as a text box is.
  for (QTextEdit* text : {ui_->ReasonText, ui_->AccountNote, ui_->CheckResult, ui_->MessageText}) {
    text->viewport()->setAutoFillBackground(false);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
  }
  for (QTextEdit* text : {ui_->ReasonText, ui_->MessageText}) {
    QPalette red = text->palette();
    red.setColor(QPalette::Text, QColor(QLatin1String(kWarningColour)));
    text->setPalette(red);
  }
  ui_->ReasonText->hide();
  // Enter in the password field asks the provider about the account rather than saving it.
  ui_->PasswordEdit->installEventFilter(this);

  for (QRadioButton* radio : {ui_->StandInRadio, ui_->DataForSeoRadio, ui_->EndpointsRadio})
    connect(radio, &QRadioButton::toggled, this, &DataSourceDialog::EnableForKind);
  connect(ui_->OkButton, &QPushButton::clicked, this, &DataSourceDialog::OkClick);
  connect(ui_->CancelButton, &QPushButton::clicked, this, &DataSourceDialog::reject);
  connect(ui_->CheckButton, &QPushButton::clicked, this, &DataSourceDialog::CheckClick);
  connect(ui_->ClearCacheButton, &QPushButton::clicked, this, &DataSourceDialog::ClearCacheClick);
  connect(ui_->HelpButton, &QPushButton::clicked, this, [this] { OpenHelpFile(this); });
}

DataSourceDialog::~DataSourceDialog() {
  StopChecking();
}

void DataSourceDialog::SetReason(const QString& reason) {
  QTextEdit& text = *ui_->ReasonText;
  text.setPlainText(reason);
  text.setVisible(!reason.isEmpty());
  // The reason takes the lines it needs above the choices, which move down by as much.
  const int height = reason.isEmpty() ? 0 : FittingHeight(text, text.width(), kMostReasonLines);
  const int shift = height == 0 ? 0 : height + kReasonGap;
  text.resize(text.width(), height);
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child != &text) child->move(child->x(), child->y() + shift - reason_shift_);
  }
  setFixedSize(width(), height_without_reason_ + shift);
  reason_shift_ = shift;
}

void DataSourceDialog::showEvent(QShowEvent* event) {
  // Shown by the program, not restored by the window system: what was typed stays then.
  if (!event->spontaneous()) Load();
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

bool DataSourceDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->PasswordEdit && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      CheckClick();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void DataSourceDialog::done(int result) {
  // Closing gives up a check on its way: the dialog must not wait for the provider.
  StopChecking();
  QDialog::done(result);
}

void DataSourceDialog::Load() {
  loaded_ = ChoiceInUse(command_line_);
  const auto name = sources::ParseSourceName(loaded_.source);
  loaded_kind_ = name == SourceKind::kDataForSeo || name == SourceKind::kEndpoints
                     ? *name
                     : SourceKind::kStandIn;
  ui_->StandInRadio->setChecked(loaded_kind_ == SourceKind::kStandIn);
  ui_->DataForSeoRadio->setChecked(loaded_kind_ == SourceKind::kDataForSeo);
  ui_->EndpointsRadio->setChecked(loaded_kind_ == SourceKind::kEndpoints);
  LoadAccount();

  // 0 and "" stand for the default market.
  const int location =
      loaded_.location != 0 ? static_cast<int>(loaded_.location) : sources::kDefaultLocationCode;
  SelectOrAdd(*ui_->CountryCombo, static_cast<int>(sources::Countries().size()), location,
              LocationText(location));
  const std::string language =
      loaded_.language.empty() ? std::string(sources::kDefaultLanguageCode) : loaded_.language;
  const sources::Language* listed_language = sources::FindLanguage(language);
  SelectOrAdd(*ui_->LanguageCombo, static_cast<int>(sources::Languages().size()),
              ToQString(listed_language != nullptr ? std::string(listed_language->code) : language),
              LanguageText(language));
  const std::string country =
      loaded_.country.empty() ? std::string(sources::kDefaultCountryCode) : loaded_.country;
  const sources::Country* listed_country = sources::FindCountry(country);
  SelectOrAdd(*ui_->TopCountryCombo, static_cast<int>(sources::Countries().size()),
              ToQString(listed_country != nullptr && country.size() == 2
                            ? std::string(listed_country->alpha2)
                            : country),
              TopCountryText(country));

  ui_->SuggestHostEdit->setText(ToQString(loaded_.suggest_host));
  ui_->SearchHostEdit->setText(ToQString(loaded_.search_host));
  ui_->TopHostEdit->setText(ToQString(loaded_.top_host));
  ui_->CheckResult->clear();
  ui_->MessageText->clear();
  ShowCacheSize();
  EnableForKind();
}

void DataSourceDialog::LoadAccount() {
  environment_ = sources::EnvironmentAccount();
  // An account typed here would be saved and never used while the environment gives one.
  const bool from_environment = environment_ != AccountInEnvironment::kNone;
  ui_->LoginEdit->setReadOnly(from_environment);
  ui_->PasswordEdit->setReadOnly(from_environment);
  ui_->LoginEdit->clear();
  ui_->PasswordEdit->clear();
  ui_->PasswordEdit->setPlaceholderText(QString());
  QString note;
  try {
    ui_->LoginEdit->setText(ToQString(sources::LoadDataForSeoCredentials().login));
    const bool all = environment_ == AccountInEnvironment::kAll;
    ui_->PasswordEdit->setPlaceholderText(
        QString::fromLatin1(all ? kEnvironmentPlaceholder : kSavedPlaceholder));
    if (all) note = QString::fromLatin1(kEnvironmentNote);
  } catch (const sources::CredentialsError& e) {
    note = AccountProblemText(e);
  } catch (const std::exception& e) {
    note = ToQString(e.what());
  }
  // Said once: a reason at start-up may already say it.
  if (ui_->ReasonText->toPlainText().contains(note)) note.clear();
  ShowAccountNote(note);
}

void DataSourceDialog::ShowAccountNote(const QString& note) {
  // The check's result below takes the room the note leaves.
  QTextEdit& text = *ui_->AccountNote;
  text.setPlainText(note);
  text.setVisible(!note.isEmpty());
  if (!note.isEmpty())
    text.setFixedHeight(FittingHeight(text, ui_->AccountTexts->width(), kMostNoteLines));
}

SourceKind DataSourceDialog::ChosenKind() const {
  if (ui_->DataForSeoRadio->isChecked()) return SourceKind::kDataForSeo;
  if (ui_->EndpointsRadio->isChecked()) return SourceKind::kEndpoints;
  return SourceKind::kStandIn;
}

void DataSourceDialog::EnableForKind() {
  const SourceKind kind = ChosenKind();
  ui_->AccountGroup->setEnabled(kind == SourceKind::kDataForSeo);
  ui_->MarketGroup->setEnabled(kind == SourceKind::kDataForSeo);
  ui_->EndpointsGroup->setEnabled(kind == SourceKind::kEndpoints);
}

// The account OK keeps: a typed password replaces the saved one; a login typed alone keeps the
// saved password. "" when the account is stored (or the environment's is used), else what is
// missing.
QString DataSourceDialog::SaveAccount() {
  if (environment_ != AccountInEnvironment::kNone) return {};
  const std::string login = ToStdString(ui_->LoginEdit->text().trimmed());
  const std::string password = ToStdString(ui_->PasswordEdit->text());
  if (login.empty()) return QStringLiteral("Type your DataForSEO API login.");
  try {
    if (password.empty()) {
      sources::Credentials saved;
      try {
        saved = sources::LoadCredentialsFile();
      } catch (const sources::CredentialsError&) {
        return QStringLiteral("Type your DataForSEO API password.");
      }
      if (saved.login == login) return {};
      sources::SaveDataForSeoCredentials({login, saved.password});
    } else {
      sources::SaveDataForSeoCredentials({login, password});
    }
  } catch (const std::exception& e) {
    return ToQString(e.what());
  }
  ui_->PasswordEdit->clear();
  ui_->PasswordEdit->setPlaceholderText(QString::fromLatin1(kSavedPlaceholder));
  ShowAccountNote({});
  return {};
}

QString DataSourceDialog::Save() {
  const SourceKind kind = ChosenKind();
  store::SourceChoice choice = loaded_;
  choice.suggest_host = ToStdString(ui_->SuggestHostEdit->text().trimmed());
  choice.search_host = ToStdString(ui_->SearchHostEdit->text().trimmed());
  choice.top_host = ToStdString(ui_->TopHostEdit->text().trimmed());
  if (kind == SourceKind::kEndpoints) {
    for (const std::string* host : {&choice.suggest_host, &choice.search_host, &choice.top_host}) {
      if (!session::IsEndpointText(*host)) {
        return QStringLiteral("Type each of your endpoints as host or host:port (\"%1\" is not).")
            .arg(ToQString(*host));
      }
    }
  }
  if (kind == SourceKind::kDataForSeo) {
    const QString failure = SaveAccount();
    if (!failure.isEmpty()) return failure;
  }
  // The names stay as they were when the kind did not change and they can be used: a
  // top-searches source chosen on the command line is kept, a bad saved one is not.
  if (kind != loaded_kind_ || !BadSettingText(loaded_, true, true).isEmpty()) {
    choice.source = sources::SourceNameText(kind);
    choice.top_source =
        sources::SourceNameText(kind == SourceKind::kDataForSeo ? SourceKind::kTrends : kind);
  }
  choice.location = static_cast<std::uint32_t>(ui_->CountryCombo->currentData().toInt());
  choice.language = ToStdString(ui_->LanguageCombo->currentData().toString());
  choice.country = ToStdString(ui_->TopCountryCombo->currentData().toString());
  store::SaveSourceChoice(choice);
  return {};
}

void DataSourceDialog::OkClick() {
  const QString failure = Save();
  ui_->MessageText->setPlainText(failure);
  if (failure.isEmpty()) accept();
}

void DataSourceDialog::CheckClick() {
  if (Checking()) return;
  sources::Credentials account{ToStdString(ui_->LoginEdit->text().trimmed()),
                               ToStdString(ui_->PasswordEdit->text())};
  if (account.password.empty()) {
    try {
      const sources::Credentials saved = sources::LoadDataForSeoCredentials();
      if (account.login.empty()) account.login = saved.login;
      account.password = saved.password;
    } catch (const sources::CredentialsError& e) {
      ui_->CheckResult->setPlainText(e.Problem() == AccountProblem::kPartInEnvironment
                                         ? AccountProblemText(e)
                                         : QStringLiteral("Type your DataForSEO API password, "
                                                          "then press Check."));
      return;
    } catch (const std::exception& e) {
      ui_->CheckResult->setPlainText(ToQString(e.what()));
      return;
    }
  }
  if (account.login.empty()) {
    ui_->CheckResult->setPlainText(QStringLiteral("Type your DataForSEO API login."));
    return;
  }
  const std::uint64_t number = ++check_number_;
  auto cancelled = std::make_shared<std::atomic<bool>>(false);
  check_cancelled_ = cancelled;
  ui_->CheckResult->setPlainText(QStringLiteral("Asking DataForSEO..."));
  ui_->CheckButton->setEnabled(false);
  // The thread is joined before the dialog goes, so the queued call finds it alive or is dropped
  // with it.
  checking_ = std::thread([this, account = std::move(account), number, cancelled] {
    sources::AccountCheck outcome;
    try {
      outcome = sources::CheckDataForSeoAccount(account, kCheckTimeout,
                                                [cancelled] { return cancelled->load(); });
    } catch (const std::exception& e) {
      outcome.outcome = sources::AccountCheck::kFailed;
      outcome.failure = e.what();
    }
    QMetaObject::invokeMethod(
        this, [this, number, outcome] { ShowCheck(number, outcome); }, Qt::QueuedConnection);
  });
}

void DataSourceDialog::ShowCheck(std::uint64_t check, const sources::AccountCheck& outcome) {
  if (check != check_number_ || !checking_.joinable()) return;
  checking_.join();
  ui_->CheckButton->setEnabled(true);
  QTextEdit& result = *ui_->CheckResult;
  switch (outcome.outcome) {
    case sources::AccountCheck::kOk: {
      const std::optional<double>& balance = outcome.account.balance;
      const QString said =
          QStringLiteral("Logged in as %1. Balance: %2; %3.")
              .arg(ToQString(outcome.account.login),
                   balance ? ToQString(session::MoneyText(*balance)) : QStringLiteral("not given"),
                   ToQString(session::SpentThisMonthText(session::MoneySpentThisMonth())));
      const QString warning = balance ? BalanceWarning(*balance) : QString();
      if (warning.isEmpty()) {
        result.setPlainText(said);
      } else {
        result.setHtml(HtmlLines(said) +
                       QStringLiteral("<br><span style=\"color:%1\">%2</span>")
                           .arg(QLatin1String(kWarningColour), HtmlLines(warning)));
      }
      break;
    }
    case sources::AccountCheck::kRefused:
      result.setPlainText(QStringLiteral("DataForSEO refused the login: ") +
                          ToQString(outcome.failure) +
                          QStringLiteral("\nType the API login and password again and press "
                                         "Check."));
      break;
    case sources::AccountCheck::kFailed:
      result.setPlainText(QStringLiteral("No answer from DataForSEO: ") +
                          ToQString(outcome.failure) +
                          QStringLiteral("\nPress Check again in a while."));
      break;
    case sources::AccountCheck::kCancelled:
      result.clear();
      break;
  }
}

void DataSourceDialog::StopChecking() {
  if (!checking_.joinable()) return;
  check_cancelled_->store(true);
  ++check_number_;
  checking_.join();
  ui_->CheckButton->setEnabled(true);
  ui_->CheckResult->clear();
}

void DataSourceDialog::ShowCacheSize() {
  std::uintmax_t bytes = 0;
  try {
    bytes = sources::ReplyCacheBytes();
  } catch (const std::exception&) {
    // An unreadable cache shows as empty; clearing it says what is wrong.
  }
  ui_->CacheLabel->setText(bytes == 0
                               ? QStringLiteral("The cache of provider replies is empty.")
                               : QStringLiteral("Provider replies in the cache: %1.")
                                     .arg(QLocale().formattedDataSize(static_cast<qint64>(bytes))));
  ui_->ClearCacheButton->setEnabled(bytes > 0);
}

void DataSourceDialog::ClearCacheClick() {
  try {
    const auto bytes = static_cast<qint64>(sources::ReplyCacheBytes());
    if (bytes > 0 &&
        !AskYesNo(this, QStringLiteral("Remove the %1 of provider replies kept in the cache?\n"
                                       "A research that needs them again asks the provider "
                                       "again, and pays again.")
                            .arg(QLocale().formattedDataSize(bytes)))) {
      return;
    }
    sources::ClearReplyCache();
    ui_->MessageText->clear();
  } catch (const std::exception& e) {
    ui_->MessageText->setPlainText(ToQString(e.what()));
  }
  ShowCacheSize();
}

}  // namespace quillmark::ui

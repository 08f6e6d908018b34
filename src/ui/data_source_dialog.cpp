#include "ui/data_source_dialog.h"

#include <QLocale>
#include <QMetaObject>
#include <QShowEvent>
#include <chrono>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <utility>

#include "session/network_session.h"
#include "session/provider_calls.h"
#include "sources/credentials.h"
#include "sources/markets.h"
#include "sources/reply_cache.h"
#include "sources/source.h"
#include "ui/centre_on_screen.h"
#include "ui/classic_font.h"
#include "ui/help_file.h"
#include "ui/text_convert.h"
#include "ui_data_source_dialog.h"

namespace quillmark::ui {
namespace {

using sources::SourceKind;

constexpr std::chrono::seconds kCheckTimeout{30};
constexpr int kReasonGap = 6;
// Shown instead of a saved password, which never comes back into the window.
constexpr char kSavedPlaceholder[] = "saved";

bool CredentialsFileExists() {
  std::error_code error;
  return std::filesystem::exists(sources::CredentialsFilePath(), error);
}

void SelectData(QComboBox& combo, const QVariant& data, const QVariant& otherwise) {
  int index = combo.findData(data);
  if (index < 0) index = combo.findData(otherwise);
  combo.setCurrentIndex(index);
}

}  // namespace

DataSourceDialog::DataSourceDialog(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<::Ui::DataSourceDialog>()) {
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
  ui_->ReasonLabel->hide();

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
  QLabel& label = *ui_->ReasonLabel;
  label.setText(reason);
  label.setVisible(!reason.isEmpty());
  // The reason takes the lines it needs above the choices, which move down by as much.
  const int height = reason.isEmpty() ? 0 : label.heightForWidth(label.width());
  const int shift = height == 0 ? 0 : height + kReasonGap;
  label.resize(label.width(), height);
  for (QWidget* child : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
    if (child != &label) child->move(child->x(), child->y() + shift - reason_shift_);
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

void DataSourceDialog::done(int result) {
  // Closing gives up a check on its way: the dialog must not wait for the provider.
  StopChecking();
  QDialog::done(result);
}

void DataSourceDialog::Load() {
  loaded_ = store::LoadSourceChoice();
  const auto name = sources::ParseSourceName(loaded_.source);
  loaded_kind_ = name == SourceKind::kDataForSeo || name == SourceKind::kEndpoints
                     ? *name
                     : SourceKind::kStandIn;
  ui_->StandInRadio->setChecked(loaded_kind_ == SourceKind::kStandIn);
  ui_->DataForSeoRadio->setChecked(loaded_kind_ == SourceKind::kDataForSeo);
  ui_->EndpointsRadio->setChecked(loaded_kind_ == SourceKind::kEndpoints);

  ui_->LoginEdit->clear();
  try {
    ui_->LoginEdit->setText(ToQString(sources::LoadDataForSeoCredentials().login));
  } catch (const std::exception&) {
    // No usable account yet: the user types one.
  }
  ui_->PasswordEdit->clear();
  ui_->PasswordEdit->setPlaceholderText(
      CredentialsFileExists() ? QString::fromLatin1(kSavedPlaceholder) : QString());

  SelectData(
      *ui_->CountryCombo,
      loaded_.location != 0 ? static_cast<int>(loaded_.location) : sources::kDefaultLocationCode,
      sources::kDefaultLocationCode);
  SelectData(*ui_->LanguageCombo, ToQString(loaded_.language),
             ToQString(sources::kDefaultLanguageCode));
  SelectData(*ui_->TopCountryCombo, ToQString(loaded_.country).toUpper(),
             ToQString(sources::kDefaultCountryCode));
  ui_->SuggestHostEdit->setText(ToQString(loaded_.suggest_host));
  ui_->SearchHostEdit->setText(ToQString(loaded_.search_host));
  ui_->TopHostEdit->setText(ToQString(loaded_.top_host));
  ui_->CheckResult->clear();
  ui_->MessageLabel->clear();
  ShowCacheSize();
  EnableForKind();
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

namespace {

// The account OK keeps: a typed password replaces the saved one; a login typed alone keeps the
// saved password. "" when the account is stored, else what is missing.
QString SaveAccount(const std::string& login, const std::string& password) {
  if (login.empty()) return QStringLiteral("Type your DataForSEO API login.");
  try {
    if (!password.empty()) {
      sources::SaveDataForSeoCredentials({login, password});
      return {};
    }
    const bool from_environment = std::getenv("QUILLMARK_DATAFORSEO_PASSWORD") != nullptr;
    if (!CredentialsFileExists() && !from_environment)
      return QStringLiteral("Type your DataForSEO API password.");
    const sources::Credentials saved = sources::LoadDataForSeoCredentials();
    if (saved.login == login) return {};
    // A password from the environment stays there: it is never written to a file unasked.
    if (from_environment) return QStringLiteral("Type the password of this login.");
    sources::SaveDataForSeoCredentials({login, saved.password});
  } catch (const std::exception& e) {
    return ToQString(e.what());
  }
  return {};
}

}  // namespace

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
    const QString failure = SaveAccount(ToStdString(ui_->LoginEdit->text().trimmed()),
                                        ToStdString(ui_->PasswordEdit->text()));
    if (!failure.isEmpty()) return failure;
    ui_->PasswordEdit->clear();
    ui_->PasswordEdit->setPlaceholderText(QString::fromLatin1(kSavedPlaceholder));
  }
  // The names stay as they were when the kind did not change: a top-searches source chosen on
  // the command line is kept.
  if (kind != loaded_kind_) {
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
  ui_->MessageLabel->setText(failure);
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
    } catch (const std::exception& e) {
      ui_->CheckResult->setText(ToQString(e.what()));
      return;
    }
  }
  if (account.login.empty()) {
    ui_->CheckResult->setText(QStringLiteral("Type your DataForSEO API login."));
    return;
  }
  const std::uint64_t number = ++check_number_;
  auto cancelled = std::make_shared<std::atomic<bool>>(false);
  check_cancelled_ = cancelled;
  ui_->CheckResult->setText(QStringLiteral("Asking DataForSEO..."));
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
  switch (outcome.outcome) {
    case sources::AccountCheck::kOk:
      ui_->CheckResult->setText(
          QStringLiteral("Logged in as %1. Balance: %2; %3.")
              .arg(ToQString(outcome.account.login),
                   outcome.account.balance ? ToQString(session::MoneyText(*outcome.account.balance))
                                           : QStringLiteral("not given"),
                   ToQString(session::SpentThisMonthText(session::MoneySpentThisMonth()))));
      break;
    case sources::AccountCheck::kRefused:
      ui_->CheckResult->setText(QStringLiteral("DataForSEO refused the login: ") +
                                ToQString(outcome.failure));
      break;
    case sources::AccountCheck::kFailed:
      ui_->CheckResult->setText(QStringLiteral("No answer from DataForSEO: ") +
                                ToQString(outcome.failure));
      break;
    case sources::AccountCheck::kCancelled:
      ui_->CheckResult->clear();
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
}

void DataSourceDialog::ClearCacheClick() {
  try {
    sources::ClearReplyCache();
    ui_->MessageLabel->clear();
  } catch (const std::exception& e) {
    ui_->MessageLabel->setText(ToQString(e.what()));
  }
  ShowCacheSize();
}

}  // namespace quillmark::ui

// The Data Source dialog and what the window says about its data: the choices' round trip
// through the settings and the credentials file, where the account comes from, the market in
// use, the account check, the cache, the status bar's source and cost, a choice taking over at
// the next Start, and a remembered source that cannot be used.

#include <sys/stat.h>
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QTextEdit>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <gmock/gmock.h>

#include "session/provider_calls.h"
#include "sources/credentials.h"
#include "sources/reply_cache.h"
#include "sources/support/fake_provider.h"
#include "store/settings_key.h"
#include "ui/data_source_dialog.h"
#include "ui/message_box.h"
#include "ui/window_sources.h"
#include "ui_data_source_dialog.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

using ::testing::HasSubstr;

constexpr char kPassword[] = "s3cret-Pa55";
constexpr const char* kVariables[] = {"QUILLMARK_CACHE_DIR", "QUILLMARK_DATAFORSEO_LOGIN",
                                      "QUILLMARK_DATAFORSEO_PASSWORD", "QUILLMARK_DATAFORSEO_URL",
                                      "QUILLMARK_TRENDS_URL"};

class DataSourceTest : public WindowTest {
 protected:
  DataSourceTest() {
    for (const char* name : kVariables) ::unsetenv(name);
    ::setenv("QUILLMARK_CACHE_DIR", config_.File("cache").c_str(), 1);
  }
  ~DataSourceTest() override {
    CloseWindows();
    sessions_.reset();
    for (const char* name : kVariables) ::unsetenv(name);
  }

  // The windows as start-up makes them, on the source the settings remember.
  void MakeSessionWindows() {
    session::SessionOptions opened;
    auto first = ui::OpenWindowSession({}, {}, false, {}, &opened);
    ASSERT_NE(first, nullptr);
    sessions_ = std::make_unique<ui::ChosenSession>(std::move(first), opened,
                                                    session::SessionOptions{}, ui::GivenOptions{});
    MakeWindowsOn([this] { return sessions_->ForNextRun(); });
    window_->SetDataSource(sessions_.get());
  }

  // Fills the dialog in for DataForSEO in Germany.
  static void ChooseDataForSeo(ui::DataSourceDialog& dialog, const QString& login,
                               const QString& password) {
    Ui::DataSourceDialog& form = dialog.Form();
    form.DataForSeoRadio->setChecked(true);
    form.LoginEdit->setText(login);
    form.PasswordEdit->setText(password);
    form.CountryCombo->setCurrentText(QStringLiteral("Germany"));
    form.LanguageCombo->setCurrentText(QStringLiteral("German"));
    form.TopCountryCombo->setCurrentText(QStringLiteral("Germany"));
  }

  // File > "Data Source...", filled in by `fill` and confirmed.
  void ChooseInTheMenu(std::function<void(ui::DataSourceDialog&)> fill) {
    WhenTrue([] { return QApplication::activeModalWidget() != nullptr; },
             [fill] {
               auto* dialog =
                   qobject_cast<ui::DataSourceDialog*>(QApplication::activeModalWidget());
               fill(*dialog);
               dialog->Form().OkButton->click();
             });
    window_->Form().DataSource1->trigger();
  }

  // Whether a label, tooltip or unmasked field under `root` shows the password.
  static bool ShowsPassword(const QWidget& root) {
    QStringList texts;
    for (const QLabel* label : root.findChildren<QLabel*>())
      texts << label->text() << label->toolTip();
    for (const QLineEdit* edit : root.findChildren<QLineEdit*>()) {
      texts << edit->placeholderText();
      if (edit->echoMode() == QLineEdit::Normal) texts << edit->text();
    }
    return texts.join(QStringLiteral("\n")).contains(QString::fromLatin1(kPassword));
  }

  std::unique_ptr<ui::ChosenSession> sessions_;
};

TEST_F(DataSourceTest, TheChoicesSurviveInTheSettingsAndTheAccountInItsOwnFile) {
  {
    ui::DataSourceDialog dialog;
    dialog.show();
    EXPECT_TRUE(dialog.Form().StandInRadio->isChecked());  // a first start
    EXPECT_EQ(dialog.Form().CountryCombo->currentText(), QStringLiteral("United States"));
    ChooseDataForSeo(dialog, QStringLiteral(" shop@example.com "), QString::fromLatin1(kPassword));
    dialog.Form().OkButton->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(ShowsPassword(dialog));
  }
  EXPECT_EQ(store::LoadSourceChoice(), (store::SourceChoice{.source = "dataforseo",
                                                            .top_source = "trends",
                                                            .location = 2276,
                                                            .language = "de",
                                                            .country = "DE"}));
  EXPECT_EQ(sources::LoadDataForSeoCredentials().password, kPassword);
  EXPECT_THAT(config_.Read("registry.reg"), ::testing::Not(HasSubstr(kPassword)));

  // Shown again: the login, the market, never the password; a new login keeps the saved one.
  ui::DataSourceDialog dialog;
  dialog.show();
  EXPECT_TRUE(dialog.Form().DataForSeoRadio->isChecked());
  EXPECT_EQ(dialog.Form().LoginEdit->text(), QStringLiteral("shop@example.com"));
  EXPECT_EQ(dialog.Form().PasswordEdit->text(), QString());
  EXPECT_EQ(dialog.Form().LanguageCombo->currentText(), QStringLiteral("German"));
  dialog.Form().LoginEdit->setText(QStringLiteral("office@example.com"));
  dialog.Form().OkButton->click();
  const sources::Credentials saved = sources::LoadDataForSeoCredentials();
  EXPECT_EQ(saved.login, "office@example.com");
  EXPECT_EQ(saved.password, kPassword);
}

TEST_F(DataSourceTest, OkKeepsTheDialogOpenForWhatCannotBeSaved) {
  const struct {
    const char* name;
    std::function<void(Ui::DataSourceDialog&)> fill;
    const char* said;
  } cases[] = {
      {"no login", [](Ui::DataSourceDialog& form) { form.DataForSeoRadio->setChecked(true); },
       "Type your DataForSEO API login."},
      {"no password saved or typed",
       [](Ui::DataSourceDialog& form) {
         form.DataForSeoRadio->setChecked(true);
         form.LoginEdit->setText(QStringLiteral("shop@example.com"));
       },
       "Type your DataForSEO API password."},
      {"a host with a space",
       [](Ui::DataSourceDialog& form) {
         form.EndpointsRadio->setChecked(true);
         form.SuggestHostEdit->setText(QStringLiteral("suggest.example"));
         form.SearchHostEdit->setText(QStringLiteral("search example:8080"));
         form.TopHostEdit->setText(QStringLiteral("top.example"));
       },
       "Type each of your endpoints as host or host:port (\"search example:8080\" is not)."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ui::DataSourceDialog dialog;
    dialog.show();
    c.fill(dialog.Form());
    dialog.Form().OkButton->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Form().MessageText->toPlainText(), QString::fromUtf8(c.said));
    EXPECT_EQ(store::LoadSourceChoice(), store::SourceChoice{});
    EXPECT_FALSE(std::filesystem::exists(sources::CredentialsFilePath()));
  }
}

// Enter in the password field asks, as Check does, and leaves the dialog open.
TEST_F(DataSourceTest, CheckShowsTheBalanceOrTheProvidersWordsAndNeverHoldsTheDialog) {
  const struct {
    const char* name;
    ProviderReply reply;
    const char* shown;  // "" for a check given up by Cancel
  } cases[] = {
      {"an account",
       {.body = fixtures::UserData("shop@example.com", "12.34")},
       "Logged in as shop@example.com. Balance: $12.3400."},
      // The next research is of 10 phrases: at most 21 calls.
      {"a balance short of the next research",
       {.body = fixtures::UserData("shop@example.com", "0.10")},
       "Logged in as shop@example.com. Balance: $0.1000.\nThe next research, of up to 10 "
       "phrases, may cost up to $0.4000: more than the balance."},
      {"an account in debt",
       {.body = fixtures::UserData("shop@example.com", "-1.5")},
       "Logged in as shop@example.com. Balance: -$1.5000.\nThe balance is below zero: DataForSEO "
       "refuses calls until money is added to the account."},
      {"a refused login",
       {.status = 401, .body = fixtures::Envelope(40100, "You are not authorized.", "null")},
       "DataForSEO refused the login: You are not authorized. (40100)\nType the API login and "
       "password again and press Check."},
      {"a provider that does not answer",
       {.body = fixtures::UserData("x", "1"), .delay = std::chrono::seconds(20)},
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FakeProvider provider([&c](const ProviderRequest&) { return c.reply; });
    ::setenv("QUILLMARK_DATAFORSEO_URL", provider.Url().c_str(), 1);
    ui::DataSourceDialog dialog;
    dialog.show();
    ChooseDataForSeo(dialog, QStringLiteral("shop@example.com"), QString::fromLatin1(kPassword));
    QTest::keyClick(dialog.Form().PasswordEdit, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    if (*c.shown == '\0') {
      const auto before = std::chrono::steady_clock::now();
      dialog.Form().CancelButton->click();
      EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
      EXPECT_FALSE(dialog.Checking());
      continue;
    }
    ASSERT_TRUE(QTest::qWaitFor([&dialog] { return !dialog.Checking(); }, 10000));
    EXPECT_EQ(dialog.Form().CheckResult->toPlainText(), QString::fromUtf8(c.shown));
    EXPECT_FALSE(ShowsPassword(dialog));
    EXPECT_EQ(store::LoadSourceChoice(), store::SourceChoice{});
  }
}

// What the account's fields show says where the account comes from: "saved" only for a file
// that can be used, the environment's account read-only, and otherwise what to do.
TEST_F(DataSourceTest, TheAccountFieldsSayWhereTheAccountComesFrom) {
  const struct {
    const char* name;
    const char* login;     // QUILLMARK_DATAFORSEO_LOGIN, or nullptr
    const char* password;  // QUILLMARK_DATAFORSEO_PASSWORD, or nullptr
    int file_mode;         // 0: no credentials file
    bool read_only;
    const char* placeholder;
    const char* note_start;
  } cases[] = {
      {"nothing yet", nullptr, nullptr, 0, false, "",
       "Type your DataForSEO API login and password and press OK."},
      {"a usable file", nullptr, nullptr, 0600, false, "saved", ""},
      {"a file others may read", nullptr, nullptr, 0644, false, "",
       "Other users of this computer may read the saved DataForSEO account"},
      {"the environment's account", "env@example.com", kPassword, 0600, true,
       "from the environment",
       "Login and password come from the environment; the file is not used."},
      {"half an account in the environment", "env@example.com", nullptr, 0600, true, "",
       "Quillmark was started with only a part of a DataForSEO account"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(sources::CredentialsFilePath());
    if (c.file_mode != 0) {
      sources::SaveDataForSeoCredentials({"file@example.com", "file-Pa55"});
      ::chmod(sources::CredentialsFilePath().c_str(), static_cast<mode_t>(c.file_mode));
    }
    for (const auto& [name, value] : {std::pair{"QUILLMARK_DATAFORSEO_LOGIN", c.login},
                                      std::pair{"QUILLMARK_DATAFORSEO_PASSWORD", c.password}}) {
      if (value != nullptr)
        ::setenv(name, value, 1);
      else
        ::unsetenv(name);
    }
    ui::DataSourceDialog dialog;
    dialog.show();
    Ui::DataSourceDialog& form = dialog.Form();
    EXPECT_EQ(form.LoginEdit->isReadOnly(), c.read_only);
    EXPECT_EQ(form.PasswordEdit->isReadOnly(), c.read_only);
    EXPECT_EQ(form.PasswordEdit->placeholderText(), QString::fromUtf8(c.placeholder));
    EXPECT_TRUE(form.AccountNote->toPlainText().startsWith(QString::fromUtf8(c.note_start)))
        << form.AccountNote->toPlainText().toStdString();
    EXPECT_FALSE(form.AccountNote->toPlainText().contains(QStringLiteral("QUILLMARK_")));
    EXPECT_FALSE(form.AccountNote->toPlainText().contains(QStringLiteral("chmod")));
    if (!c.read_only) continue;
    // OK keeps the choice and leaves the file as it was: the environment's account is used.
    form.DataForSeoRadio->setChecked(true);
    form.OkButton->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(sources::LoadCredentialsFile().login, "file@example.com");
  }
}

// A market the lists lack, from the settings or the command line, shows as its own entry and
// OK keeps it; one the lists hold is chosen in them.
TEST_F(DataSourceTest, TheDialogsMarketEntryFromOddSettings) {
  const struct {
    const char* name;
    store::SourceChoice stored;
    int given_location;  // --location, or 0
    const char* shown;   // the country, the language and the top searches' country
    store::SourceChoice after_ok;
  } cases[] = {
      {"a first start",
       {},
       0,
       "United States/English/United States",
       {.location = 2840, .language = "en", .country = "US"}},
      {"codes the lists lack",
       {.location = 1003854, .language = "xx", .country = "ZZ"},
       0,
       "location 1003854/language xx/country ZZ",
       {.location = 1003854, .language = "xx", .country = "ZZ"}},
      {"codes in another case",
       {.location = 2276, .language = "DE", .country = "de"},
       0,
       "Germany/German/Germany",
       {.location = 2276, .language = "de", .country = "DE"}},
      {"a location on the command line",
       {.location = 2276, .language = "de", .country = "DE"},
       1003854,
       "location 1003854/English/United States",
       {.location = 1003854, .language = "en", .country = "US"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    store::SaveSourceChoice(c.stored);
    session::SessionOptions command_line;
    if (c.given_location != 0) command_line.location_code = c.given_location;
    ui::DataSourceDialog dialog(nullptr, {command_line, {.market = c.given_location != 0}});
    for (int shown = 0; shown < 2; ++shown) {  // shown again, an entry is not added twice
      dialog.show();
      const Ui::DataSourceDialog& form = dialog.Form();
      EXPECT_EQ(QStringList({form.CountryCombo->currentText(), form.LanguageCombo->currentText(),
                             form.TopCountryCombo->currentText()})
                    .join(QLatin1Char('/')),
                QString::fromUtf8(c.shown));
      EXPECT_LE(dialog.Form().CountryCombo->count(),
                static_cast<int>(sources::Countries().size()) + 1);
      dialog.hide();
    }
    dialog.show();
    dialog.Form().OkButton->click();
    EXPECT_EQ(store::LoadSourceChoice(), c.after_ok);
  }
}

// Clearing the cache asks first, naming its size; No leaves it.
TEST_F(DataSourceTest, ClearCacheAsksFirst) {
  for (const bool yes : {false, true}) {
    SCOPED_TRACE(yes);
    sources::ReplyCache(std::chrono::hours(1)).Store({"GET", "http://x/a", ""}, "reply");
    const std::uintmax_t bytes = sources::ReplyCacheBytes();
    ui::DataSourceDialog dialog;
    dialog.show();
    ui::RecordedMessages messages;
    messages.Answer(yes);
    dialog.Form().ClearCacheButton->click();
    ASSERT_EQ(messages.Texts().size(), 1);
    EXPECT_TRUE(messages.Texts()[0].startsWith(
        QStringLiteral("Remove the %1 of provider replies")
            .arg(QLocale().formattedDataSize(static_cast<qint64>(bytes)))));
    EXPECT_EQ(sources::ReplyCacheBytes(), yes ? 0 : bytes);
    EXPECT_EQ(dialog.Form().ClearCacheButton->isEnabled(), !yes);
  }
}

// The label says where the numbers come from; after a provider run the calls and their cost.
TEST_F(DataSourceTest, TheStatusBarSaysTheSourceAndAProviderRunsCost) {
  ASSERT_NO_FATAL_FAILURE(MakeSessionWindows());
  Investigate("garden sheds", 2);
  Start();
  EXPECT_EQ(window_->RunCallsLabel().text(), QString());

  // Chosen in the dialog, DataForSEO in Germany takes over at the next Start.
  FakeProvider provider([](const ProviderRequest& request) -> ProviderReply {
    if (request.target.find("keywords_for_keywords") != std::string::npos)
      return {.body = fixtures::KeywordIdeas()};
    return {.body = fixtures::OrganicResults(1230000, "other.example")};
  });
  ::setenv("QUILLMARK_DATAFORSEO_URL", provider.Url().c_str(), 1);
  ChooseInTheMenu([](ui::DataSourceDialog& dialog) {
    ChooseDataForSeo(dialog, QStringLiteral("shop@example.com"), QString::fromLatin1(kPassword));
  });
  // The label tells of the data in the list; its tooltip of the choice at once.
  EXPECT_EQ(window_->DataSourceLabel().text(), QStringLiteral("Generated data"));
  EXPECT_TRUE(window_->DataSourceLabel().toolTip().endsWith(
      QStringLiteral("\nDataForSEO from the next Start, in Germany/German.")));

  QString before_first_page;
  WhenTrue([&provider] { return !provider.Requests().empty(); },
           [&] { before_first_page = window_->RunCallsLabel().text(); });
  Investigate("garden sheds", 2);
  Start();
  EXPECT_EQ(before_first_page, QStringLiteral("up to 5 provider calls"));
  EXPECT_EQ(window_->DataSourceLabel().text(), QStringLiteral("DataForSEO, Germany/German"));
  EXPECT_FALSE(window_->DataSourceLabel().toolTip().contains(QStringLiteral("next Start")));
  EXPECT_EQ(window_->StatusText(), QStringLiteral("Done!"));
  const std::vector<ProviderRequest> requests = provider.Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_THAT(requests[0].body, HasSubstr("\"location_code\":2276"));
  const auto calls = static_cast<std::int64_t>(requests.size());
  EXPECT_EQ(ui::ToStdString(window_->RunCallsLabel().text()),
            session::CallsText({.made = calls, .cost = 0.075 * static_cast<double>(calls)}));
  EXPECT_FALSE(ShowsPassword(*window_));

  // A new password for the same choice is the one the next Start uses.
  ChooseInTheMenu([](ui::DataSourceDialog& dialog) {
    dialog.Form().PasswordEdit->setText(QStringLiteral("n3w-Pa55"));
  });
  Investigate("wooden sheds", 2);
  Start();
  EXPECT_EQ(provider.Requests().back().authorization,
            "Basic " + QByteArrayLiteral("shop@example.com:n3w-Pa55").toBase64().toStdString());
}

// The reason for the dialog at start may run to several lines: none may be cut off or hide a
// choice, a very long one scrolls, and taking it away gives the room back.
TEST_F(DataSourceTest, AReasonTakesTheLinesItNeedsAboveTheChoices) {
  ui::DataSourceDialog dialog;
  QTextEdit& reason = *dialog.Form().ReasonText;
  const QWidget& choices = *dialog.Form().SourceGroup;
  const int plain_height = dialog.height();
  const int plain_top = choices.y();
  for (const int words : {30, 30, 2000}) {  // setting it twice must not move twice
    SCOPED_TRACE(words);
    QStringList text;
    for (int i = 0; i < words; ++i) text << QStringLiteral("word%1").arg(i);
    dialog.SetReason(text.join(QLatin1Char(' ')));
    dialog.show();
    QCoreApplication::processEvents();
    const bool scrolls = reason.verticalScrollBar()->maximum() > 0;
    EXPECT_EQ(scrolls, words > 30);
    EXPECT_LT(dialog.height(), 800);
    EXPECT_LE(reason.geometry().bottom(), choices.y());
    EXPECT_EQ(dialog.height() - plain_height, choices.y() - plain_top);
  }
  dialog.SetReason(QString());
  EXPECT_EQ(dialog.height(), plain_height);
  EXPECT_EQ(choices.y(), plain_top);
}

// A remembered source that cannot be used is chosen anew in the dialog, which says why in the
// window's words; one the command line gave keeps its message box.
TEST_F(DataSourceTest, AnUnusableRememberedSourceAsksForAnotherChoice) {
  const store::SourceChoice no_account{.source = "dataforseo", .top_source = "trends"};
  const std::function<void(Ui::DataSourceDialog&)> cancel;
  const struct {
    const char* name;
    store::SourceChoice stored;
    bool given;
    std::function<void(Ui::DataSourceDialog&)> answer;  // before OK; none for Cancel
    const char* reason;
    bool opens;
    store::SourceChoice stored_after;
  } cases[] = {
      {"no account, cancelled", no_account, false, cancel,
       "Quillmark cannot use DataForSEO, the chosen data source, without its account. Type your "
       "DataForSEO API login and password and press OK.\nCancel uses the generated data for "
       "this start.",
       true, no_account},
      {"no account, the stand-in chosen",
       no_account,
       false,
       [](Ui::DataSourceDialog& form) { form.StandInRadio->setChecked(true); },
       nullptr,
       true,
       {.source = "stand-in",
        .top_source = "stand-in",
        .location = 2840,
        .language = "en",
        .country = "US"}},
      // OK as the dialog shows it replaces the bad name: it is not asked again.
      {"a bad saved source",
       {.source = "bogus"},
       false,
       [](Ui::DataSourceDialog&) {},
       "The saved data source 'bogus' is unknown; generated data is used.\nTo use another, "
       "choose it below and press OK.",
       true,
       {.source = "stand-in",
        .top_source = "stand-in",
        .location = 2840,
        .language = "en",
        .country = "US"}},
      {"on the command line", no_account, true, cancel, nullptr, false, no_account},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    store::SaveSourceChoice(c.stored);
    QStringList reasons;
    ui::RecordedMessages messages;
    session::SessionOptions network;
    if (c.given) network.source = "dataforseo";
    const auto session = ui::OpenWindowSession(network, {.source = c.given, .top_source = c.given},
                                               true, [&](const QString& reason) {
                                                 reasons << reason;
                                                 ui::DataSourceDialog dialog;
                                                 dialog.SetReason(reason);
                                                 dialog.show();
                                                 if (!c.answer) return false;
                                                 c.answer(dialog.Form());
                                                 dialog.Form().OkButton->click();
                                                 return dialog.result() == QDialog::Accepted;
                                               });
    ASSERT_EQ(session != nullptr, c.opens);
    EXPECT_EQ(messages.Texts().size(), c.opens ? 0 : 1);
    EXPECT_EQ(store::LoadSourceChoice(), c.stored_after);
    if (!c.opens) continue;
    ASSERT_EQ(reasons.size(), 1);
    if (c.reason != nullptr) {
      EXPECT_EQ(ui::ToStdString(reasons[0]), c.reason);
    }
    EXPECT_TRUE(session->ResearchIsGenerated());
  }
}

}  // namespace
}  // namespace quillmark::testing

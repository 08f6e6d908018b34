// The Data Source dialog and what the window says about its data: the choices' round trip
// through the settings and the credentials file, the account check, the status bar's source and
// cost, a choice taking over at the next Start, and a remembered source that cannot be used.

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <gmock/gmock.h>

#include "session/provider_calls.h"
#include "sources/credentials.h"
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
using ::testing::StartsWith;

constexpr char kPassword[] = "s3cret-Pa55";
constexpr const char* kVariables[] = {"QUILLMARK_CACHE_DIR",           "QUILLMARK_DATAFORSEO_LOGIN",
                                      "QUILLMARK_DATAFORSEO_PASSWORD", "QUILLMARK_DATAFORSEO_URL",
                                      "QUILLMARK_TRENDS_URL",          "QUILLMARK_DATA_DIR"};

class DataSourceTest : public WindowTest {
 protected:
  DataSourceTest() {
    for (const char* name : kVariables) ::unsetenv(name);
    ::setenv("QUILLMARK_CACHE_DIR", config_.File("cache").c_str(), 1);
    ::setenv("QUILLMARK_DATA_DIR", config_.File("data").c_str(), 1);
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
      {"another login than the environment's",
       [](Ui::DataSourceDialog& form) {
         ::setenv("QUILLMARK_DATAFORSEO_LOGIN", "shop@example.com", 1);
         ::setenv("QUILLMARK_DATAFORSEO_PASSWORD", kPassword, 1);
         form.DataForSeoRadio->setChecked(true);
         form.LoginEdit->setText(QStringLiteral("office@example.com"));
       },
       "Type the password of this login."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ui::DataSourceDialog dialog;
    dialog.show();
    c.fill(dialog.Form());
    dialog.Form().OkButton->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.Form().MessageLabel->text(), QString::fromUtf8(c.said));
    EXPECT_EQ(store::LoadSourceChoice(), store::SourceChoice{});
    EXPECT_FALSE(std::filesystem::exists(sources::CredentialsFilePath()));
  }
}

TEST_F(DataSourceTest, CheckShowsTheBalanceOrTheProvidersWordsAndNeverHoldsTheDialog) {
  const struct {
    const char* name;
    ProviderReply reply;
    const char* shown;  // "" for a check given up by Cancel
  } cases[] = {
      {"an account",
       {.body = fixtures::UserData("shop@example.com", "12.34")},
       "Logged in as shop@example.com. Balance: $12.3400; $0.0000 spent this month (the runs in "
       "the history)."},
      {"a refused login",
       {.status = 401, .body = fixtures::Envelope(40100, "You are not authorized.", "null")},
       "DataForSEO refused the login: You are not authorized. (40100)"},
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
    dialog.Form().CheckButton->click();
    if (*c.shown == '\0') {
      const auto before = std::chrono::steady_clock::now();
      dialog.Form().CancelButton->click();
      EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
      EXPECT_FALSE(dialog.Checking());
      continue;
    }
    ASSERT_TRUE(QTest::qWaitFor([&dialog] { return !dialog.Checking(); }, 10000));
    EXPECT_EQ(dialog.Form().CheckResult->text(), QString::fromUtf8(c.shown));
    EXPECT_FALSE(ShowsPassword(dialog));
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
  EXPECT_EQ(window_->DataSourceLabel().text(), QStringLiteral("Generated data"));

  QString before_first_page;
  WhenTrue([&provider] { return !provider.Requests().empty(); },
           [&] { before_first_page = window_->RunCallsLabel().text(); });
  Investigate("garden sheds", 2);
  Start();
  EXPECT_EQ(before_first_page, QStringLiteral("up to 3 provider calls, at most $0.08"));
  EXPECT_EQ(window_->DataSourceLabel().text(), QStringLiteral("DataForSEO, Germany/German"));
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
// choice, and taking it away gives the room back.
TEST_F(DataSourceTest, AReasonTakesTheLinesItNeedsAboveTheChoices) {
  ui::DataSourceDialog dialog;
  const QLabel& reason = *dialog.Form().ReasonLabel;
  const QWidget& choices = *dialog.Form().SourceGroup;
  const int plain_height = dialog.height();
  const int plain_top = choices.y();
  for (int repeat = 0; repeat < 2; ++repeat) {  // setting it twice must not move twice
    dialog.SetReason(QStringLiteral("Quillmark cannot use its data source: %1")
                         .arg(QString(300, QLatin1Char('x'))));
    EXPECT_GE(reason.height(), reason.heightForWidth(reason.width()));
    EXPECT_LE(reason.geometry().bottom(), choices.y());
    EXPECT_EQ(dialog.height() - plain_height, choices.y() - plain_top);
  }
  dialog.SetReason(QString());
  EXPECT_EQ(dialog.height(), plain_height);
  EXPECT_EQ(choices.y(), plain_top);
}

// A remembered source that cannot be used is chosen anew in the dialog; one the command line
// gave keeps its message box.
TEST_F(DataSourceTest, AnUnusableRememberedSourceAsksForAnotherChoice) {
  const store::SourceChoice unusable{.source = "dataforseo", .top_source = "trends"};
  const struct {
    const char* name;
    bool given;
    std::optional<store::SourceChoice> chosen;  // what the user saves in the dialog, if anything
    bool opens;
    bool generated;
  } cases[] = {
      {"cancelled", false, std::nullopt, true, true},
      {"chose the stand-in", false, store::SourceChoice{.source = "stand-in"}, true, true},
      {"on the command line", true, std::nullopt, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    store::SaveSourceChoice(unusable);
    QStringList reasons;
    ui::RecordedMessages messages;
    session::SessionOptions network;
    if (c.given) network.source = "dataforseo";
    const auto session = ui::OpenWindowSession(network, {.source = c.given, .top_source = c.given},
                                               true, [&](const QString& reason) {
                                                 reasons << reason;
                                                 if (c.chosen) store::SaveSourceChoice(*c.chosen);
                                                 return c.chosen.has_value();
                                               });
    ASSERT_EQ(session != nullptr, c.opens);
    EXPECT_EQ(messages.Texts().size(), c.opens ? 0 : 1);
    if (!c.opens) continue;
    ASSERT_EQ(reasons.size(), 1);
    EXPECT_THAT(ui::ToStdString(reasons[0]), StartsWith("Quillmark cannot use its data source: "));
    EXPECT_EQ(session->ResearchIsGenerated(), c.generated);
    EXPECT_EQ(store::LoadSourceChoice(), c.chosen.value_or(unusable));
  }
}

}  // namespace
}  // namespace quillmark::testing

// Where the window's pages come from: the remembered and given sources, a source that cannot be
// used, the run's depth told to the source, and a provider's failure in the list.

#include <QHeaderView>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <thread>

#include <gmock/gmock.h>

#include "net/support/scripted_server.h"
#include "sources/support/fake_provider.h"
#include "store/settings_key.h"
#include "ui/message_box.h"
#include "ui/window_sources.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

class WindowSourcesTest : public WindowTest {
 protected:
  // The windows on a DataForSEO session that asks `provider`.
  void MakeProviderWindows(const FakeProvider& provider) {
    const std::vector<std::pair<const char*, std::string>> variables = {
        {"QUILLMARK_DATAFORSEO_URL", provider.Url()},
        {"QUILLMARK_DATAFORSEO_LOGIN", "login"},
        {"QUILLMARK_DATAFORSEO_PASSWORD", "secret"},
        {"QUILLMARK_CACHE_DIR", config_.File("cache")}};
    for (const auto& [name, value] : variables) ::setenv(name, value.c_str(), 1);
    session::SessionOptions network;
    network.source = "dataforseo";
    std::shared_ptr<const session::PageSession> opened =
        ui::OpenWindowSession(network, {.source = true}, false);
    for (const auto& variable : variables) ::unsetenv(variable.first);
    ASSERT_NE(opened, nullptr);
    MakeWindowsOn([opened] { return opened; });
  }
  void TearDown() override { CloseWindows(); }
};

TEST_F(WindowSourcesTest, TheCommandLineOverridesTheSettingsAndIsRemembered) {
  struct Case {
    store::SourceChoice stored;
    const char* given;  // --source, or nullptr
    bool remember;
    bool opens;
    store::SourceChoice stored_after;
    const char* said = nullptr;  // the start of the message shown, if any
  } cases[] = {
      {{"", ""}, nullptr, true, true, {"", ""}},
      // A bad setting is said as the setting it is, and the generated data stands in for it.
      {{"no-such-source", ""},
       nullptr,
       true,
       true,
       {"no-such-source", ""},
       "The saved data source 'no-such-source' is unknown; generated data is used."},
      {{"stand-in", "dataforseo"},
       nullptr,
       true,
       true,
       {"stand-in", "dataforseo"},
       "The saved top-searches source 'dataforseo' lists no top searches; generated top "
       "searches are used."},
      {{"no-such-source", ""}, "stand-in", true, true, {"stand-in", ""}},
      {{"stand-in", "trends"}, "stand-in", true, true, {"stand-in", "trends"}},
      {{"no-such-source", ""}, "stand-in", false, true, {"no-such-source", ""}},
      // Credentials are looked for in the environment and the (empty) configuration folder.
      {{"dataforseo", ""},
       nullptr,
       true,
       false,
       {"dataforseo", ""},
       "Quillmark cannot use its data source: "},
  };
  ::unsetenv("QUILLMARK_DATAFORSEO_LOGIN");
  ::unsetenv("QUILLMARK_DATAFORSEO_PASSWORD");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.source + "/" + (c.given ? c.given : "-"));
    store::SaveSourceChoice(c.stored);
    session::SessionOptions network;
    if (c.given) network.source = c.given;
    ui::RecordedMessages messages;
    const auto session = ui::OpenWindowSession(network, {.source = c.given != nullptr}, c.remember);
    EXPECT_EQ(session != nullptr, c.opens);
    ASSERT_EQ(messages.Texts().size(), c.said != nullptr ? 1u : 0u);
    if (c.said != nullptr) {
      EXPECT_TRUE(messages.Texts()[0].startsWith(QString::fromUtf8(c.said)));
    }
    EXPECT_EQ(store::LoadSourceChoice(), c.stored_after);
  }
}

// Start and the top searches window's double-click both tell the source the depth and target
// before the first page.
TEST_F(WindowSourcesTest, EachResearchTellsItsPagesAndTargetBeforeItsFirstFetch) {
  std::vector<std::pair<std::int64_t, std::string>> told;
  std::mutex told_mutex;
  MakeWindows(
      [&](const std::string& url, sources::ProviderRun& run, const Cancellation& cancelled) {
        if (url.find("/suggestion/") != std::string::npos) {
          const std::lock_guard lock(told_mutex);
          told.emplace_back(run.Parameters().max_pages, run.Parameters().target);
        }
        return FetchPage(url, {.timeout = std::chrono::seconds(30), .cancelled = cancelled});
      },
      Demo());
  AnswerDialog([](ui::TStartForm& dialog) {
    dialog.Form().LabeledEdit1->setText(QStringLiteral("blue widgets"));
    dialog.Form().HomepageEdit->setText(QStringLiteral("example.com"));
    dialog.Form().DepthCombo->setCurrentIndex(6);
    dialog.Form().MaxResultsSpinEdit->SetValue(2);
    dialog.Form().BitBtn1->click();
  });
  Start();
  window_->ResearchPhrase("garden sheds");
  EXPECT_EQ(told, (decltype(told){{7, "example.com"}, {7, "example.com"}}));
}

// A provider that refuses the result calls leaves the rows its keyword ideas gave, with every
// cell that rests on those calls tinted and saying the provider's words.
TEST_F(WindowSourcesTest, AProviderFailureIsTintedAsAFetchFailureIs) {
  FakeProvider provider([](const ProviderRequest& request) -> ProviderReply {
    if (request.target.find("keywords_for_keywords") != std::string::npos)
      return {.body = fixtures::KeywordIdeas()};
    return {.status = 402, .body = fixtures::Envelope(40200, "Payment Required.", "null")};
  });
  ASSERT_NO_FATAL_FAILURE(MakeProviderWindows(provider));
  Investigate("garden sheds", 2, "mysite.example");
  ui::RecordedMessages messages;
  Start();

  // The refusal is said once, after the run.
  ASSERT_EQ(messages.Texts().size(), 1u);
  EXPECT_THAT(ui::ToStdString(messages.Texts()[0]),
              ::testing::StartsWith("DataForSEO refused the account: Payment Required."));
  ASSERT_EQ(Cell(0, 1), "14800");  // the keyword ideas came
  const QModelIndex supply = window_->Model().index(0, 2);
  EXPECT_TRUE(window_->Model().data(supply, Qt::BackgroundRole).isValid());
  EXPECT_THAT(ui::ToStdString(window_->Model().data(supply, Qt::ToolTipRole).toString()),
              ::testing::AllOf(::testing::StartsWith("page not fetched: "),
                               ::testing::HasSubstr("Payment Required.")));
  EXPECT_TRUE(window_->Model().data(window_->Model().index(0, 4), Qt::BackgroundRole).isValid());
}

// A phrase whose volume the provider does not know shows "?" as its demand, tinted and said, and
// a click on a header that rests on the demand puts it after every measured row.
TEST_F(WindowSourcesTest, AnUnknownDemandIsTintedAndSortsLast) {
  FakeProvider provider([](const ProviderRequest& request) -> ProviderReply {
    if (request.target.find("keywords_for_keywords") != std::string::npos)
      return {.body = fixtures::KeywordIdeas()};
    return {.body = fixtures::OrganicResults(1230000, "other.example")};
  });
  ASSERT_NO_FATAL_FAILURE(MakeProviderWindows(provider));
  Investigate("garden sheds", 4, "mysite.example");
  Start();
  ASSERT_EQ(window_->Model().rowCount(), 4);

  // The list's own tests sort every column; here the header's clicks reach that order.
  QHeaderView* header = window_->Form().ListView1->header();
  for (const auto& [column, row] : {std::pair{0, 1}, std::pair{1, 3}}) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 4, 4));
    ASSERT_EQ(Cell(row, 0), "garden sheds uk") << column;
  }
  const QModelIndex demand = window_->Model().index(3, 1);
  EXPECT_EQ(Cell(3, 1), "?");
  EXPECT_TRUE(window_->Model().data(demand, Qt::BackgroundRole).isValid());
  EXPECT_TRUE(window_->Model()
                  .data(demand, Qt::ToolTipRole)
                  .toString()
                  .startsWith(QStringLiteral("demand unknown: ")));
}

// Exit while a silent search engine holds the run's supply page, with the session start-up
// makes: the run ends, and the session that ends after the windows leaves no fetch worker behind.
TEST_F(WindowSourcesTest, ExitDuringAHeldFetchLeavesNoFetchRunning) {
  const auto threads = [] {
    const std::filesystem::directory_iterator tasks("/proc/self/task");
    return std::distance(begin(tasks), end(tasks));
  };
  const Endpoints demo = Demo();
  std::ptrdiff_t threads_after_first = 0;
  for (int attempt = 0; attempt < 10; ++attempt) {
    SCOPED_TRACE(attempt);
    ScriptedServer silent(Script().Hold());
    session::SessionOptions network;
    network.suggest_host = network.top_host = demo.suggest_host;
    network.search_host = "127.0.0.1:" + std::to_string(silent.port());
    std::shared_ptr<const session::PageSession> session = ui::OpenWindowSession(network, {}, false);
    ASSERT_NE(session, nullptr);
    MakeWindowsOn([&session] { return session; });
    Investigate("garden sheds", 10);
    WhenTrue([&silent] { return silent.Connections() == 1; },
             [this] { window_->Form().Exit1->trigger(); });
    Start();
    EXPECT_FALSE(window_->isVisible());
    EXPECT_LE(window_->Keywords().Count(), 1u);
    CloseWindows();
    session.reset();
    if (attempt == 0) threads_after_first = threads();
    // A thread just joined may still be listed for a moment while the system lets it go.
    for (int wait = 0; wait < 100 && threads() > threads_after_first; ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(threads(), threads_after_first);
  }
}

}  // namespace
}  // namespace quillmark::testing

// Takes the pictures of the README into a folder: the main window after a research against the
// stand-in service, the Investigate, filter and About windows, the top searches beside the main
// window, cells whose lookups failed, the tip of the day, the way to real data (the Data Source
// dialog and the status bar before and after, against a fake provider on this machine), and a
// second research of a seed with its rank changes and the Keyword History pane.
// tools/screenshots.sh runs it under Xvfb; the pictures that show windows side by side grab the
// screen, so it needs a real window system (xcb), not Qt's offscreen one.
//
//   screenshots FOLDER

#include <QApplication>
#include <QDir>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QTreeView>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <string>

#include "demo/demo_service.h"
#include "net/fetch_page.h"
#include "net/support/closed_port.h"
#include "session/network_session.h"
#include "sources/support/fake_provider.h"
#include "ui/about_window.h"
#include "ui/data_source_dialog.h"
#include "ui/investigate_dialog.h"
#include "ui/keyword_history_pane.h"
#include "ui/keyword_list_model.h"
#include "ui/list_commands.h"
#include "ui/main_window.h"
#include "ui/text_convert.h"
#include "ui/tips.h"
#include "ui/when_true.h"
#include "ui/window_history.h"
#include "ui/window_sources.h"
#include "ui_data_source_dialog.h"
#include "ui_investigate_dialog.h"
#include "ui_main_window.h"
#include "ui_tip_of_the_day.h"

namespace quillmark::screenshots {
namespace {

// Long enough for the window system to draw what was just shown.
constexpr int kSettleMs = 300;

// Starts `service` and points every endpoint at it.
Endpoints EndpointsOf(demo::DemoService& service) {
  service.Start();
  const std::string host = "127.0.0.1:" + std::to_string(service.Port());
  return {host, host, host};
}

// The main window and the Investigate dialog as start-up makes them, with a settings folder (and
// a history) of their own so that no picture shows what an earlier one entered.
class Windows {
 public:
  explicit Windows(const Endpoints& endpoints) : outer_settings_(qgetenv("QUILLMARK_CONFIG_DIR")) {
    qputenv("QUILLMARK_CONFIG_DIR", settings_.path().toLocal8Bit());
    session::SessionOptions options;
    options.suggest_host = endpoints.suggest_host;
    options.search_host = endpoints.search_host;
    options.top_host = endpoints.top_host;
    options.timeout_seconds = 30;
    std::shared_ptr<const session::PageSession> session = std::make_shared<session::NetworkSession>(
        options, session::EndpointNeeds{.suggest = true, .search = true, .top = true});
    MakeWindows([session] { return session; });
  }
  // Each run fetches through the session `session_for_run` gives.
  explicit Windows(ui::SessionForRun session_for_run)
      : outer_settings_(qgetenv("QUILLMARK_CONFIG_DIR")) {
    qputenv("QUILLMARK_CONFIG_DIR", settings_.path().toLocal8Bit());
    MakeWindows(std::move(session_for_run));
  }
  // As a fresh start makes them: on the source the (empty) settings remember, with the status
  // bar's word on it.
  Windows() : outer_settings_(qgetenv("QUILLMARK_CONFIG_DIR")) {
    qputenv("QUILLMARK_CONFIG_DIR", settings_.path().toLocal8Bit());
    session::SessionOptions opened;
    sessions_ =
        std::make_unique<ui::ChosenSession>(ui::OpenWindowSession({}, {}, false, {}, &opened),
                                            opened, session::SessionOptions{}, ui::GivenOptions{});
    MakeWindows([this] { return sessions_->ForNextRun(); });
    window_->SetDataSource(sessions_.get());
  }
  void MakeWindows(ui::SessionForRun session_for_run) {
    // Nor the history of an earlier picture's runs.
    qputenv("QUILLMARK_DATA_DIR", settings_.path().toLocal8Bit());
    window_ = std::make_unique<ui::TForm1>(std::move(session_for_run));
    dialog_ = std::make_unique<ui::TStartForm>(*window_, window_.get());
    window_->SetInvestigateDialog(dialog_.get());
    // The tip of the day shows only where a picture asks for it.
    TipsTimer().stop();
    window_->show();
  }
  ~Windows() {
    dialog_.reset();
    window_.reset();
    qputenv("QUILLMARK_CONFIG_DIR", outer_settings_);
  }
  Windows(const Windows&) = delete;
  Windows& operator=(const Windows&) = delete;

  ui::TForm1& window() { return *window_; }
  ui::TStartForm& dialog() { return *dialog_; }
  QTimer& TipsTimer() { return *window_->findChild<QTimer*>(QStringLiteral("TipsTimer")); }

  // Runs `action` once, from the event loop, as soon as `condition` holds: also while a modal
  // dialog or a research pumps the events.
  void WhenTrue(std::function<bool()> condition, std::function<void()> action) {
    testing::WhenTrue(window_.get(), std::move(condition), std::move(action));
  }
  // Answers the next Investigate dialog with `answer` once it shows.
  void AnswerDialog(std::function<void(ui::TStartForm&)> answer) {
    WhenTrue([this] { return dialog_->isVisible(); }, [this, answer] { answer(*dialog_); });
  }
  // Fills the dialog's seed mode and presses Investigate.
  void Investigate(const std::string& seed, int results, const std::string& target) {
    AnswerDialog([seed, results, target](ui::TStartForm& dialog) {
      dialog.Form().LabeledEdit1->setText(ui::ToQString(seed));
      dialog.Form().HomepageEdit->setText(ui::ToQString(target));
      dialog.Form().MaxResultsSpinEdit->SetValue(results);
      dialog.Form().BitBtn1->click();
    });
  }
  // Presses Start; returns when the Start command has ended.
  void Start() { window_->Form().BitBtn2->click(); }

 private:
  QByteArray outer_settings_;
  QTemporaryDir settings_;
  std::unique_ptr<ui::ChosenSession> sessions_;
  std::unique_ptr<ui::TForm1> window_;
  std::unique_ptr<ui::TStartForm> dialog_;
};

class Pictures {
 public:
  explicit Pictures(QDir folder) : folder_(std::move(folder)) {}
  bool AllSaved() const { return all_saved_; }

  void MainWindowAfterADemoResearchAndTheInvestigateDialog() {
    demo::DemoService service;
    Windows windows(EndpointsOf(service));
    ui::ListCommands commands(windows.window());
    windows.AnswerDialog([](ui::TStartForm& dialog) {
      dialog.Form().LabeledEdit1->setText(QStringLiteral("blue widgets"));
      dialog.Form().HomepageEdit->setText(QStringLiteral("example.com"));
      dialog.Form().DepthCombo->setCurrentIndex(4);
      dialog.Form().MaxResultsSpinEdit->SetValue(15);
      dialog.Form().BitBtn1->click();
    });
    windows.Start();
    ui::TForm1& window = windows.window();
    window.Keywords().SetChecked(1, true);
    window.Keywords().SetChecked(4, true);
    window.Form().ListView1->selectionModel()->select(
        window.Model().index(2, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::qWait(200);
    Save(window.grab(), "main-window.png");
    windows.dialog().show();
    QTest::qWait(200);
    Save(windows.dialog().grab(), "investigate-dialog.png");
    windows.dialog().hide();
  }

  void FilterDialogAndTopSearchesBesideTheMainWindow() {
    demo::DemoService service;
    Windows windows(EndpointsOf(service));
    ui::ListCommands commands(windows.window());
    windows.AnswerDialog([](ui::TStartForm& dialog) {
      dialog.Form().RadioButton2->click();
      dialog.Form().MaxResultsSpinEdit->SetValue(20);
      dialog.Form().BitBtn1->click();
    });
    windows.Start();
    ui::TTOPForm& top = commands.TOPForm();
    QTest::qWait(kSettleMs);
    // Both windows as they stand on the screen, side by side.
    SaveScreen(windows.window().frameGeometry().united(top.frameGeometry()),
               "top-searches-window.png");
    top.hide();

    ui::TFilterForm& filter = commands.FilterForm();
    filter.show();
    QTest::qWait(kSettleMs);
    Save(filter.grab(), "filter-dialog.png");
    filter.hide();
  }

  // The tinted cells of lookups that failed, with one tooltip showing.
  void FailedLookupsAreTinted() {
    const testing::ClosedPort search_engine_down;
    demo::DemoService service;
    Endpoints endpoints = EndpointsOf(service);
    endpoints.search_host = search_engine_down.Host();
    Windows windows(endpoints);
    ui::ListCommands commands(windows.window());
    windows.Investigate("blue widgets", 6, "example.com");
    windows.Start();
    ui::TForm1& window = windows.window();
    QTreeView& view = *window.Form().ListView1;
    const QModelIndex cell = window.Model().index(1, 2);
    QToolTip::showText(view.viewport()->mapToGlobal(view.visualRect(cell).center()),
                       window.Model().data(cell, Qt::ToolTipRole).toString(), view.viewport());
    QTest::qWait(kSettleMs);
    SaveScreen(window.frameGeometry(), "failed-lookups.png");
  }

  // The way to real data from a fresh start: the status bar saying the numbers are made up,
  // the Data Source dialog with DataForSEO checked, and a research in Germany with its cost.
  void RealData() {
    testing::FakeProvider provider([](const testing::ProviderRequest& request) {
      namespace fixtures = testing::fixtures;
      if (request.target.find("user_data") != std::string::npos)
        return testing::ProviderReply{.body = fixtures::UserData("shop@example.com", "48.92")};
      if (request.target.find("keywords_for_keywords") != std::string::npos)
        return testing::ProviderReply{.body = fixtures::KeywordIdeas()};
      return testing::ProviderReply{.body = fixtures::OrganicResults(1230000, "example.com")};
    });
    const QTemporaryDir cache;
    qputenv("QUILLMARK_DATAFORSEO_URL", ui::ToQString(provider.Url()).toLocal8Bit());
    qputenv("QUILLMARK_CACHE_DIR", cache.path().toLocal8Bit());
    Windows windows;
    ui::TForm1& window = windows.window();
    if (!QTest::qWaitForWindowExposed(&window)) Fail("the main window never showed");
    QToolTip::showText(window.DataSourceLabel().mapToGlobal(QPoint(4, 4)),
                       window.DataSourceLabel().toolTip(), &window.DataSourceLabel());
    QTest::qWait(kSettleMs);
    SaveScreen(WithTooltip(window.frameGeometry()), "generated-data.png");
    QToolTip::hideText();

    windows.WhenTrue(
        [] { return qobject_cast<ui::DataSourceDialog*>(QApplication::activeModalWidget()); },
        [this] {
          auto& dialog = *qobject_cast<ui::DataSourceDialog*>(QApplication::activeModalWidget());
          Ui::DataSourceDialog& form = dialog.Form();
          form.DataForSeoRadio->setChecked(true);
          form.LoginEdit->setText(QStringLiteral("shop@example.com"));
          form.PasswordEdit->setText(QStringLiteral("password-from-the-dashboard"));
          form.CountryCombo->setCurrentText(QStringLiteral("Germany"));
          form.LanguageCombo->setCurrentText(QStringLiteral("German"));
          form.TopCountryCombo->setCurrentText(QStringLiteral("Germany"));
          form.CheckButton->click();
          if (!QTest::qWaitFor([&dialog] { return !dialog.Checking(); }))
            Fail("the account check never ended");
          QTest::qWait(kSettleMs);
          SaveScreen(dialog.frameGeometry(), "data-source-dialog.png");
          form.OkButton->click();
        });
    window.Form().DataSource1->trigger();
    windows.Investigate("garden sheds", 4, "example.com");
    windows.Start();
    QTest::qWait(kSettleMs);
    SaveScreen(window.frameGeometry(), "real-data.png");
    qunsetenv("QUILLMARK_DATAFORSEO_URL");
    qunsetenv("QUILLMARK_CACHE_DIR");
  }

  // Two researches of a seed against the stand-in, its ranks moved by a "day" between them: the
  // change markers with one's tooltip, then the Keyword History pane of a phrase.
  void KeywordHistory() {
    const auto stand_in = [](const char* day) {
      qputenv("QUILLMARK_DEMO_DAY", day);
      session::SessionOptions options;
      options.source = "stand-in";
      return std::make_shared<const session::NetworkSession>(
          options, session::EndpointNeeds{.suggest = true, .search = true});
    };
    std::vector<std::shared_ptr<const session::NetworkSession>> days = {stand_in("0"),
                                                                        stand_in("3")};
    qunsetenv("QUILLMARK_DEMO_DAY");
    std::size_t next = 0;
    Windows windows([&days, &next] { return days[std::min(next++, days.size() - 1)]; });
    ui::TForm1& window = windows.window();
    for (int run = 0; run < 2; ++run) {
      windows.Investigate("blue widgets", 12, "example.com");
      windows.Start();
    }
    QTreeView& view = *window.Form().ListView1;
    // A rank that moved by some places: its tooltip has a rank to name, its line two points.
    int marked = -1;
    for (int row = 0; row < window.Model().rowCount() && marked < 0; ++row) {
      const QModelIndex rank = window.Model().index(row, ui::KeywordListModel::kRank);
      const QString marker =
          window.Model().data(rank, ui::KeywordListModel::kChangeRole).toString();
      if (marker.size() > 1 && marker.back().isDigit()) marked = row;
    }
    if (marked < 0) return Fail("no rank moved between the two researches");
    const QModelIndex cell = window.Model().index(marked, ui::KeywordListModel::kRank);
    QToolTip::showText(view.viewport()->mapToGlobal(view.visualRect(cell).center()),
                       window.Model().data(cell, Qt::ToolTipRole).toString(), view.viewport());
    QTest::qWait(kSettleMs);
    SaveScreen(WithTooltip(window.frameGeometry()), "change-markers.png");
    QToolTip::hideText();

    // The window grows by the pane: from the screen's top it stays whole on it.
    window.move(0, 0);
    window.History().ShowPaneFor(marked);
    QTest::qWait(kSettleMs);
    SaveScreen(window.frameGeometry(), "keyword-history.png");
  }

  // The About window as it stands on the screen, title bar included.
  void AboutWindow() {
    ui::TInfoForm about;
    about.show();
    if (!QTest::qWaitForWindowExposed(&about)) Fail("the About window never showed");
    QTest::qWait(kSettleMs);
    SaveScreen(about.frameGeometry(), "about-window.png");
  }

  // The tip of the day as the start-up timer shows it, with one of the longer tips.
  void TipOfTheDay() {
    Windows windows(Endpoints{});
    ui::Tfrm_TipOfTheDay& form = windows.window().TipDialog().Form();
    windows.WhenTrue([&form] { return form.isVisible(); },
                     [this, &form] {
                       form.Form().lbl_Tip->setText(ui::QuillmarkTips().at(9));
                       QTest::qWait(kSettleMs);
                       Save(form.grab(), "tip-of-the-day.png");
                       form.Form().btn_Close->click();
                     });
    windows.TipsTimer().start(1);
    if (!QTest::qWaitFor([&windows] { return !windows.TipsTimer().isActive(); })) {
      Fail("the tip of the day never showed");
    }
  }

 private:
  // The area with the tooltip showing, wherever it stands out of it.
  static QRect WithTooltip(QRect area) {
    for (const QWidget* shown : QApplication::topLevelWidgets()) {
      if (shown->inherits("QTipLabel") && shown->isVisible()) area |= shown->frameGeometry();
    }
    return area;
  }
  void Save(const QPixmap& picture, const char* name) {
    const QString file = folder_.filePath(QString::fromLatin1(name));
    if (!picture.save(file)) Fail("cannot write " + file.toStdString());
  }
  void SaveScreen(const QRect& area, const char* name) {
    Save(QGuiApplication::primaryScreen()->grabWindow(0).copy(area), name);
  }
  void Fail(const std::string& what) {
    std::cerr << "screenshots: " << what << '\n';
    all_saved_ = false;
  }

  QDir folder_;
  bool all_saved_ = true;
};

}  // namespace
}  // namespace quillmark::screenshots

int main(int argc, char** argv) {
  // A peer that closes while we send must surface as an error, never end the program.
  std::signal(SIGPIPE, SIG_IGN);
  QApplication app(argc, argv);
  // The pictures' runs are kept in a history of their own, never the user's.
  const QTemporaryDir history;
  qputenv("QUILLMARK_DATA_DIR", history.path().toLocal8Bit());
  if (argc != 2) {
    std::cerr << "usage: screenshots FOLDER\n";
    return 2;
  }
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.exists()) {
    std::cerr << "screenshots: no folder " << argv[1] << '\n';
    return 2;
  }
  quillmark::screenshots::Pictures pictures(folder);
  pictures.MainWindowAfterADemoResearchAndTheInvestigateDialog();
  pictures.FilterDialogAndTopSearchesBesideTheMainWindow();
  pictures.FailedLookupsAreTinted();
  pictures.AboutWindow();
  pictures.TipOfTheDay();
  pictures.RealData();
  pictures.KeywordHistory();
  return pictures.AllSaved() ? EXIT_SUCCESS : EXIT_FAILURE;
}

#pragma once
// The main window and the Investigate dialog as start-up makes them, with a private settings
// folder, against the stand-in service or any endpoints a test gives, and helpers that answer
// the modal dialog and act in the middle of a run.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QGuiApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "demo/demo_service.h"
#include "net/fetch_page.h"
#include "session/research_run.h"
#include "session/support/fake_session.h"
#include "support/temp_dir.h"
#include "ui/investigate_dialog.h"
#include "ui/keyword_list_model.h"
#include "ui/main_window.h"
#include "ui/text_convert.h"
#include "ui_investigate_dialog.h"
#include "ui_main_window.h"
#include "when_true.h"

namespace quillmark::testing {

class WindowTest : public ::testing::Test {
 protected:
  // Each test keeps its settings, and its runs' history, in a folder of its own.
  WindowTest() : outer_data_(getenv("QUILLMARK_DATA_DIR") ? getenv("QUILLMARK_DATA_DIR") : "") {
    setenv("QUILLMARK_CONFIG_DIR", config_.path().c_str(), 1);
    setenv("QUILLMARK_DATA_DIR", config_.path().c_str(), 1);
  }
  ~WindowTest() override {
    CloseWindows();
    unsetenv("QUILLMARK_CONFIG_DIR");
    if (outer_data_.empty()) {
      unsetenv("QUILLMARK_DATA_DIR");
    } else {
      setenv("QUILLMARK_DATA_DIR", outer_data_.c_str(), 1);
    }
  }

  // Starts the stand-in service and points every endpoint at it.
  Endpoints Demo(int latency_ms = 0) {
    demo::DemoOptions options;
    options.latency_ms = latency_ms;
    demo_ = std::make_unique<demo::DemoService>(options);
    demo_->Start();
    const std::string host = "127.0.0.1:" + std::to_string(demo_->Port());
    return {host, host, host};
  }

  // The windows of start-up, in its order; the main window is shown. Its runs fetch from
  // `endpoints`, each page within `fetch_limit`.
  void MakeWindows(const Endpoints& endpoints,
                   std::chrono::milliseconds fetch_limit = std::chrono::seconds(30)) {
    MakeWindows(
        [fetch_limit](const std::string& url, sources::ProviderRun&,
                      const Cancellation& cancelled) {
          return FetchPage(url, {.timeout = fetch_limit, .cancelled = cancelled});
        },
        endpoints);
  }
  // Its runs fetch through `fetch`, on as many workers as a research may keep busy.
  void MakeWindows(FakeSession::PageFetch fetch, const Endpoints& endpoints) {
    session_ = std::make_shared<FakeSession>(std::move(fetch), endpoints, kMaxParallelFetches);
    MakeWindowsOn([session = session_] { return session; });
  }
  void MakeWindowsOn(ui::SessionForRun session_for_run) {
    window_ = std::make_unique<ui::TForm1>(std::move(session_for_run));
    dialog_ = std::make_unique<ui::TStartForm>(*window_, window_.get());
    window_->SetInvestigateDialog(dialog_.get());
    tester_ = std::make_unique<QAbstractItemModelTester>(
        &window_->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    // A tip popping up in the middle of a long test would wait for a click; the tests that
    // want it restart the timer with a short wait.
    TipsTimer().stop();
    window_->show();
  }
  QTimer& TipsTimer() { return *window_->findChild<QTimer*>(QStringLiteral("TipsTimer")); }
  void CloseWindows() {
    tester_.reset();
    dialog_.reset();
    window_.reset();
    session_.reset();
  }

  // Answers the next Investigate dialog with `answer` once it shows.
  void AnswerDialog(std::function<void(ui::TStartForm&)> answer) {
    WhenTrue([this] { return dialog_->isVisible(); }, [this, answer] { answer(*dialog_); });
  }
  // Fills the dialog's seed mode and presses Investigate.
  void Investigate(const std::string& seed, int results, const std::string& target = "") {
    AnswerDialog([seed, results, target](ui::TStartForm& dialog) {
      dialog.Form().LabeledEdit1->setText(ui::ToQString(seed));
      dialog.Form().HomepageEdit->setText(ui::ToQString(target));
      dialog.Form().MaxResultsSpinEdit->SetValue(results);
      dialog.Form().BitBtn1->click();
    });
  }
  // Runs `action` once, from the event loop, as soon as `condition` holds: in the middle of a
  // run, since the run pumps events.
  void WhenTrue(std::function<bool()> condition, std::function<void()> action) {
    testing::WhenTrue(window_.get(), std::move(condition), std::move(action));
  }
  void WhenRows(std::size_t rows, std::function<void()> action) {
    WhenTrue([this, rows] { return window_->Keywords().Count() >= rows; }, std::move(action));
  }
  // Presses Start; returns when the Start command has ended.
  void Start() { window_->Form().BitBtn2->click(); }
  // A run held in hand, as a run in progress is, to see what stops it.
  struct RunInProgress {
    explicit RunInProgress(WindowTest& test)
        : run(test.session_, *test.window_, {}), holding(test.window_->InHand(), run) {}
    session::ResearchRun run;
    session::RunInHand::Holding holding;
  };

  // The row's caption and sub-items, as the view shows them.
  std::string Cell(int row, int column) {
    const QModelIndex index = window_->Model().index(row, column);
    return ui::ToStdString(window_->Model().data(index).toString());
  }

  std::string outer_data_;
  TempDir config_{"quillmark-ui"};
  std::unique_ptr<demo::DemoService> demo_;
  std::shared_ptr<FakeSession> session_;
  std::unique_ptr<ui::TForm1> window_;
  std::unique_ptr<ui::TStartForm> dialog_;
  std::unique_ptr<QAbstractItemModelTester> tester_;
};

}  // namespace quillmark::testing

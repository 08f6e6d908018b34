// The window's speed, under Xvfb (QT_QPA_PLATFORM=xcb, see tools/window_speed.sh): start to
// first paint beside a bare window of the same size, a sort of 100,000 rows through the view,
// and the longest gap between repaints while a server holds one fetch, or eight, for 10 seconds.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeView>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "net/fetch_page.h"
#include "net/support/scripted_server.h"
#include "session/support/fake_session.h"
#include "store/settings_key.h"
#include "ui/investigate_dialog.h"
#include "ui/main_window.h"
#include "ui_main_window.h"

namespace {

using quillmark::ui::TForm1;
using quillmark::ui::TStartForm;

// Records when any widget of the application first paints after Arm().
class FirstPaint : public QObject {
 public:
  FirstPaint() { qApp->installEventFilter(this); }
  ~FirstPaint() override { qApp->removeEventFilter(this); }
  void Arm() { painted_ = false; }
  bool Painted() const { return painted_; }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted_ = true;
    return false;
  }

 private:
  bool painted_ = false;
};

// A main window as start-up makes it, its runs fetching from `endpoints`; a suggestion page
// given comes at once instead.
struct MainWindow {
  explicit MainWindow(const quillmark::Endpoints& endpoints, std::string suggestions = {})
      : session(std::make_shared<quillmark::testing::FakeSession>(
            [suggestions](const std::string& url, quillmark::sources::ProviderRun&,
                          const quillmark::Cancellation& cancelled) {
              if (!suggestions.empty() && url.find("/suggestion/") != std::string::npos)
                return quillmark::FetchResult{suggestions};
              return quillmark::FetchPage(url, {.cancelled = cancelled});
            },
            endpoints)),
        window([session = session] { return session; }) {}
  std::shared_ptr<quillmark::testing::FakeSession> session;
  TForm1 window;
};

std::unique_ptr<MainWindow> MakeMainWindow() {
  return std::make_unique<MainWindow>(
      quillmark::Endpoints{"127.0.0.1:9", "127.0.0.1:9", "127.0.0.1:9"});
}

template <typename Make>
void TimeToFirstPaint(benchmark::State& state, Make make) {
  FirstPaint paint;
  for (auto _ : state) {
    paint.Arm();
    QElapsedTimer clock;
    clock.start();
    auto windows = make();
    while (!paint.Painted()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
  }
}

void BM_FirstPaintBareWindow(benchmark::State& state) {
  TimeToFirstPaint(state, [] {
    auto window = std::make_unique<QWidget>();
    window->resize(502, 412);
    window->show();
    return window;
  });
}
BENCHMARK(BM_FirstPaintBareWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FirstPaintMainWindow(benchmark::State& state) {
  struct Windows {
    std::unique_ptr<MainWindow> main = MakeMainWindow();
    std::unique_ptr<TStartForm> dialog = std::make_unique<TStartForm>(main->window, &main->window);
  };
  TimeToFirstPaint(state, [] {
    auto windows = std::make_unique<Windows>();
    windows->main->window.SetInvestigateDialog(windows->dialog.get());
    windows->main->window.show();
    return windows;
  });
}
BENCHMARK(BM_FirstPaintMainWindow)->UseManualTime()->Unit(benchmark::kMillisecond);

// A header click on 100,000 rows: the sort and the view's repaint.
void BM_SortThroughView(benchmark::State& state) {
  auto main = MakeMainWindow();
  TForm1& window = main->window;
  quillmark::KeywordList& list = window.Keywords();
  std::vector<quillmark::KeywordRowPtr> rows;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 100000; ++i) {
    seed = seed * 1664525u + 1013904223u;
    auto row = std::make_shared<quillmark::KeywordRow>();
    rows.push_back(row);
  }
  list.AppendRows(rows);
  for (std::size_t i = 0; i < list.Count(); ++i) {
    seed = seed * 1664525u + 1013904223u;
    auto& row = *list.Row(i);
    list.SetCaption(row, "phrase " + std::to_string(seed % 99991));
    for (int column = 1; column <= 6; ++column)
      list.AppendSubItem(row, std::to_string((seed >> column) % 100000));
  }
  window.show();
  FirstPaint paint;
  int column = 0;
  for (auto _ : state) {
    column = column % 6 + 1;
    paint.Arm();
    QElapsedTimer clock;
    clock.start();
    window.ListView1ColumnClick(column);
    while (!paint.Painted()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
  }
}
BENCHMARK(BM_SortThroughView)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(12);

// The window asks for a repaint every 10 ms while a silent server holds the fetches of a research
// of a top search's phrase for 10 seconds; the counter is the longest time between two paints.
// With `suggestions` the research's suggestion page comes at once and its rows' pages are held.
void RepaintGapWhileHeld(benchmark::State& state, const std::string& suggestions = {}) {
  using quillmark::testing::Script;
  using quillmark::testing::ScriptedServer;
  for (auto _ : state) {
    ScriptedServer server(Script().Hold());
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    MainWindow main({host, host, host}, suggestions);
    TForm1& window = main.window;
    window.show();
    qint64 last = -1;
    qint64 longest = 0;
    int paints = 0;
    QElapsedTimer clock;
    struct Paints : QObject {
      std::function<void()> on_paint;
      bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) on_paint();
        return false;
      }
    } filter;
    filter.on_paint = [&] {
      const qint64 now = clock.elapsed();
      if (last >= 0) longest = std::max(longest, now - last);
      last = now;
      ++paints;
    };
    window.Form().ListView1->viewport()->installEventFilter(&filter);
    QTimer repaint;
    QObject::connect(&repaint, &QTimer::timeout,
                     [&] { window.Form().ListView1->viewport()->update(); });
    QTimer::singleShot(10000, [&] { window.StopBtnClick(); });
    clock.start();
    repaint.start(10);
    window.ResearchPhrase("held phrase");
    state.counters["longest_gap_ms"] = static_cast<double>(longest);
    state.counters["paints"] = paints;
    state.counters["held_s"] = static_cast<double>(clock.elapsed()) / 1000.0;
  }
}

// One fetch held: the suggestion page.
void BM_RepaintGapWhileFetchHeld(benchmark::State& state) {
  RepaintGapWhileHeld(state);
}
BENCHMARK(BM_RepaintGapWhileFetchHeld)->Iterations(1)->Unit(benchmark::kSecond);

// Eight fetches held: a research reading the rows ahead of its first one.
void BM_RepaintGapWhileEightFetchesHeld(benchmark::State& state) {
  std::string page = " done ";
  for (int i = 0; i < 20; ++i)
    page += "<td>&nbsp;10</td><td><a href=q?a&amp;b>phrase " + std::to_string(i) + "</a></td>";
  RepaintGapWhileHeld(state, page);
}
BENCHMARK(BM_RepaintGapWhileEightFetchesHeld)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  // The settings the windows read and write, and the history of their runs, go to a folder of
  // their own.
  char folder[] = "/tmp/quillmark-bench-XXXXXX";
  if (::mkdtemp(folder) != nullptr) {
    ::setenv("QUILLMARK_CONFIG_DIR", folder, 1);
    ::setenv("QUILLMARK_DATA_DIR", folder, 1);
  }
  // A tip of the day would wait for a click in the middle of the ten-second hold.
  quillmark::store::SaveTipsFlag(false);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

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
#include "research/stop_request.h"
#include "session/research_desk.h"
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

// Nothing is fetched in these benchmarks; the pool outlives every window made here.
quillmark::session::FetchPool& NoFetches() {
  static quillmark::session::FetchPool pool(1);
  return pool;
}

// The session's fetch as start-up hands it to the desk.
quillmark::FetchResult Fetch(const std::string& url,
                             const quillmark::session::CancelTest& cancelled) {
  return quillmark::FetchPage(url, {.cancelled = cancelled});
}

// A main window and the desk it shows, as start-up makes them.
struct MainWindow {
  MainWindow(quillmark::session::FetchPool& pool, const quillmark::Endpoints& endpoints)
      : desk(Fetch, endpoints), window(pool, desk) {}
  quillmark::session::ResearchDesk desk;
  TForm1 window;
};

std::unique_ptr<MainWindow> MakeMainWindow() {
  return std::make_unique<MainWindow>(
      NoFetches(), quillmark::Endpoints{"127.0.0.1:9", "127.0.0.1:9", "127.0.0.1:9"});
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

// The window asks for a repaint every 10 ms while a silent server holds the run's fetches for
// 10 seconds; the counter is the longest time between two paints. `hold` starts the fetches.
void RepaintGapWhileHeld(benchmark::State& state, const std::function<void(MainWindow&)>& hold) {
  using quillmark::testing::Script;
  using quillmark::testing::ScriptedServer;
  for (auto _ : state) {
    ScriptedServer server(Script().Hold());
    const std::string host = "127.0.0.1:" + std::to_string(server.port());
    quillmark::session::FetchPool pool(8);
    MainWindow main(pool, {host, host, host});
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
    quillmark::ClearStopRequest();
    clock.start();
    repaint.start(10);
    hold(main);
    state.counters["longest_gap_ms"] = static_cast<double>(longest);
    state.counters["paints"] = paints;
    state.counters["held_s"] = static_cast<double>(clock.elapsed()) / 1000.0;
  }
}

// One fetch held: a supply lookup of its own.
void BM_RepaintGapWhileFetchHeld(benchmark::State& state) {
  RepaintGapWhileHeld(
      state, [](MainWindow& main) { main.desk.GetResearcher().LookupSupply("held phrase"); });
}
BENCHMARK(BM_RepaintGapWhileFetchHeld)->Iterations(1)->Unit(benchmark::kSecond);

// Eight fetches held: a research reading the rows ahead of its first one.
void BM_RepaintGapWhileEightFetchesHeld(benchmark::State& state) {
  std::string page = " done ";
  for (int i = 0; i < 20; ++i)
    page += "<td>&nbsp;10</td><td><a href=q?a&amp;b>phrase " + std::to_string(i) + "</a></td>";
  RepaintGapWhileHeld(
      state, [&page](MainWindow& main) { main.desk.GetResearcher().ParseSuggestionPage(page); });
}
BENCHMARK(BM_RepaintGapWhileEightFetchesHeld)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

int main(int argc, char** argv) {
  // The settings the windows read and write go to a folder of their own.
  char folder[] = "/tmp/quillmark-bench-XXXXXX";
  if (::mkdtemp(folder) != nullptr) ::setenv("QUILLMARK_CONFIG_DIR", folder, 1);
  // A tip of the day would wait for a click in the middle of the ten-second hold.
  quillmark::store::SaveTipsFlag(false);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

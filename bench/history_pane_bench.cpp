// The Keyword History pane's speed (under 16 ms): a phrase with 1,000 past runs in a history of
// 1,000,000 rows, read from the file and drawn whole, charts and table, into an image as a
// repaint of the window would.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QImage>
#include <QPainter>

#include "big_history.h"
#include "ui/keyword_history_pane.h"

namespace {

using quillmark::history::bench::BigHistory;

void BM_PaneShowsAPhrase(benchmark::State& state) {
  quillmark::history::HistoryStore& store = BigHistory::Get().Store();
  quillmark::ui::KeywordHistoryPane pane;
  pane.resize(502, 270);
  QImage picture(pane.size(), QImage::Format_ARGB32_Premultiplied);
  const quillmark::ui::PaneSubject subject{quillmark::history::bench::kPhrase,
                                           quillmark::history::bench::kUs, "dataforseo",
                                           "www.example.com"};
  for (auto _ : state) {
    pane.ShowPhrase(store, subject);
    pane.render(&picture);
  }
  state.counters["runs"] = pane.Runs().rowCount();
}
BENCHMARK(BM_PaneShowsAPhrase)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

// The history in the window: the change markers of a second research beside the cells' own texts,
// the Keyword History pane (drawn offscreen for an empty, a one-run and a many-run phrase), the
// menu entries, and the export.

#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTreeView>
#include <atomic>
#include <string>

#include "demo/demo_pages.h"
#include "history/history_fixture.h"
#include "pages/page_request.h"
#include "ui/file_dialog.h"
#include "ui/history_chart.h"
#include "ui/keyword_history_pane.h"
#include "ui/list_commands.h"
#include "ui/message_box.h"
#include "ui/window_history.h"
#include "ui_keyword_history_pane.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

// The stand-in's pages, its ranks as on `day`.
FakeSession::PageFetch DemoOnDay(const std::atomic<int>& day) {
  return FakeSession::Plain([&day](const std::string& url) {
    const pages::PageRequest request = pages::ReadPageUrl(url);
    switch (request.kind) {
      case pages::PageKind::kSuggestion:
        return FetchResult{demo::DemoSuggestionPage(request.phrase)};
      case pages::PageKind::kSupply:
        return FetchResult{demo::DemoSearchPage(request.phrase, 0, day)};
      case pages::PageKind::kRank:
        return FetchResult{
            demo::DemoSearchPage(request.phrase, static_cast<int>(request.offset), day)};
      default:
        return FetchResult{.body = {}, .status = FetchStatus::kFailed, .reason = "no such page"};
    }
  });
}

// The fake session as the stand-in: its figures are generated, so its runs get months.
class StandInSession final : public session::PageSession {
 public:
  explicit StandInSession(std::shared_ptr<FakeSession> pages) : pages_(std::move(pages)) {}
  const Endpoints& GetEndpoints() const override { return pages_->GetEndpoints(); }
  FetchResult Fetch(const std::string& url, sources::ProviderRun& run,
                    const Cancellation& cancelled) const override {
    return pages_->Fetch(url, run, cancelled);
  }
  session::FetchPool& Pool() const override { return pages_->Pool(); }
  session::RunOrigin ResearchOrigin() const override {
    return {.source = "stand-in", .market = history::testing::kUs, .generated = true};
  }

 private:
  std::shared_ptr<FakeSession> pages_;
};

class KeywordHistoryTest : public WindowTest {
 protected:
  void Research(const std::string& target) {
    Investigate("blue widgets", 10, target);
    Start();
    ASSERT_EQ(window_->Keywords().Count(), 10u);
  }
  QVariant Data(int row, int column, int role) {
    return window_->Model().data(window_->Model().index(row, column), role);
  }
  ui::KeywordHistoryPane& Pane() { return window_->History().Pane(); }
  std::size_t RunsKept() {
    return history::OpenHistory(config_.File("history.sqlite3")).store.Runs().size();
  }

  std::atomic<int> day_{0};
};

TEST_F(KeywordHistoryTest, ASecondResearchMarksTheRanksThatMovedBesideTheirText) {
  MakeWindows(DemoOnDay(day_), TestEndpoints());
  Research("example.com");
  std::vector<std::string> first_ranks;
  for (int row = 0; row < 10; ++row) {
    first_ranks.push_back(Cell(row, ui::KeywordListModel::kRank));
    // A seed's first research: nothing to compare with, no phrase is "new".
    EXPECT_FALSE(
        Data(row, ui::KeywordListModel::kRank, ui::KeywordListModel::kChangeRole).isValid());
  }
  ASSERT_EQ(RunsKept(), 1u);

  day_ = 3;
  Research("example.com");
  int marked = 0;
  for (int row = 0; row < 10; ++row) {
    SCOPED_TRACE(Cell(row, 0));
    const std::string rank = Cell(row, ui::KeywordListModel::kRank);
    const QString marker =
        Data(row, ui::KeywordListModel::kRank, ui::KeywordListModel::kChangeRole).toString();
    // The stand-in lists the same phrases in the same order each day.
    if (rank == first_ranks[static_cast<std::size_t>(row)]) {
      EXPECT_TRUE(marker.isEmpty()) << marker.toStdString();
    } else {
      ++marked;
      EXPECT_TRUE(marker.startsWith(QChar(0x25B2)) || marker.startsWith(QChar(0x25BC)))
          << marker.toStdString();
      EXPECT_TRUE(Data(row, ui::KeywordListModel::kRank, Qt::ToolTipRole)
                      .toString()
                      .contains(QStringLiteral("Previous rank: ")));
    }
    // The cell's own text is the list's, whatever the marker.
    EXPECT_EQ(ui::ToStdString(Data(row, ui::KeywordListModel::kRank, Qt::DisplayRole).toString()),
              rank);
  }
  EXPECT_GT(marked, 0);
  EXPECT_EQ(RunsKept(), 2u);

  // Another target: no rank of this seed's is compared with one of example.com.
  Research("example.org");
  for (int row = 0; row < 10; ++row)
    EXPECT_FALSE(
        Data(row, ui::KeywordListModel::kRank, ui::KeywordListModel::kChangeRole).isValid());
}

TEST_F(KeywordHistoryTest, ThePaneOpensOnADoubleClickAndTheMenusWork) {
  session_ = std::make_shared<FakeSession>(DemoOnDay(day_), TestEndpoints());
  const auto stand_in = std::make_shared<const StandInSession>(session_);
  MakeWindowsOn([stand_in] { return stand_in; });
  const int height = window_->height();
  Research("example.com");
  day_ = 5;
  Research("example.com");

  // A double-click on a Rank cell shows the pane for that row; the window grows by it.
  QTreeView& list = *window_->Form().ListView1;
  const QModelIndex cell = window_->Model().index(2, ui::KeywordListModel::kRank);
  // A double-click is a click, then its second press.
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(cell).center());
  QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(cell).center());
  ASSERT_TRUE(Pane().isVisible());
  EXPECT_TRUE(window_->Form().KeywordHistory1->isChecked());
  EXPECT_GT(window_->height(), height);
  EXPECT_TRUE(Pane().Form().PhraseLabel->text().contains(ui::ToQString(Cell(2, 0))));
  EXPECT_EQ(Pane().Runs().rowCount(), 2);
  EXPECT_EQ(Pane().Chart().Data().months.size(), 12u);
  // Selecting another row shows its story.
  list.setCurrentIndex(window_->Model().index(4, 0));
  EXPECT_TRUE(Pane().Form().PhraseLabel->text().contains(ui::ToQString(Cell(4, 0))));
  window_->Form().KeywordHistory1->trigger();
  EXPECT_FALSE(Pane().isVisible());
  EXPECT_EQ(window_->height(), height);

  // File > Export History: the selected rows' phrases only.
  list.selectionModel()->select(window_->Model().index(4, 0),
                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  const std::string file = config_.File("history.csv");
  ui::FileDialog::AnswerNext(QString::fromStdString(file));
  ui::ListCommands commands(*window_);
  window_->Form().ExportHistory1->trigger();
  const std::string csv = ReadBytes(file);
  EXPECT_EQ(csv.rfind("\xEF\xBB\xBF"
                      "Entry,Date,Source,",
                      0),
            0u);
  std::size_t runs = 0;
  for (std::size_t at = csv.find("\nrun,"); at != std::string::npos;
       at = csv.find("\nrun,", at + 1))
    ++runs;
  EXPECT_EQ(runs, 2u);
  EXPECT_NE(csv.find("," + Cell(4, 0) + ","), std::string::npos);

  // Keep History off: the next run is neither kept nor marked.
  window_->Form().KeepHistory1->trigger();
  EXPECT_FALSE(ui::WindowHistory::Keeping());
  day_ = 6;
  Research("example.com");
  EXPECT_EQ(RunsKept(), 2u);
  for (int row = 0; row < 10; ++row)
    EXPECT_FALSE(
        Data(row, ui::KeywordListModel::kRank, ui::KeywordListModel::kChangeRole).isValid());
  window_->Form().KeepHistory1->trigger();
  EXPECT_TRUE(ui::WindowHistory::Keeping());
  // The window goes with its pane shown.
  window_->Form().KeywordHistory1->trigger();
  ASSERT_TRUE(Pane().isVisible());
}

// The pane alone over a history the store wrote, light and dark: no runs, one, and many with
// ranks not found and generated months. QUILLMARK_PANE_PICTURES names a folder to look at them in.
TEST(KeywordHistoryPane, DrawsAnEmptyAOneRunAndAManyRunPhrase) {
  TempDir dir("quillmark-pane");
  history::HistoryStore store = history::OpenHistory(dir.File("history.sqlite3")).store;
  store.RecordRun(history::testing::MakeRun("one run", 1, 1'750'000'000));
  for (int run = 0; run < 40; ++run) {
    history::RunRecord record =
        history::testing::MakeRun("many runs", 1, 1'740'000'000 + run * 86'400);
    // Climbing, with a few runs where the site was not within the pages.
    const int rank = 40 - run;
    record.rows[0].texts[3] = run % 9 == 4 ? "-" : std::to_string(rank);
    record.rows[0].lookups.rank = run % 9 == 4 ? RankLookup::kNotFound : RankLookup::kFound;
    if (run == 0) {
      record.months = {{"many runs", {}, true}};
      for (int month = 1; month <= 12; ++month)
        record.months[0].months.push_back({2025, month, 1000 + 600 * ((month + 5) % 12)});
    }
    store.RecordRun(record);
  }
  const QString pictures = qEnvironmentVariable("QUILLMARK_PANE_PICTURES");

  const struct {
    const char* phrase;
    int runs;
    std::size_t ranks;
    std::size_t months;
  } cases[] = {{"no runs", 0, 0, 0}, {"one run", 1, 1, 0}, {"many runs", 40, 40, 12}};
  QPalette dark;
  dark.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x1E));
  dark.setColor(QPalette::Window, QColor(0x2D, 0x2D, 0x2D));
  dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
  dark.setColor(QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0));
  dark.setColor(QPalette::Highlight, QColor(0x3D, 0x8E, 0xE8));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.phrase);
    ui::KeywordHistoryPane pane;
    pane.resize(502, 280);
    pane.ShowPhrase(store, {c.phrase, history::testing::kUs, "stand-in", "example.com"});
    EXPECT_EQ(pane.Runs().rowCount(), c.runs);
    EXPECT_EQ(pane.Chart().Data().ranks.size(), c.ranks);
    EXPECT_EQ(pane.Chart().Data().months.size(), c.months);
    for (const bool dark_theme : {false, true}) {
      if (dark_theme) pane.setPalette(dark);
      const QImage picture = pane.grab().toImage();
      // Something is drawn on the chart besides its background.
      const QImage chart = pane.Chart().grab().toImage();
      const QRgb background = chart.pixel(1, 1);
      bool drawn = false;
      for (int y = 0; y < chart.height() && !drawn; y += 2)
        for (int x = 0; x < chart.width() && !drawn; x += 2)
          drawn = chart.pixel(x, y) != background;
      EXPECT_TRUE(drawn);
      if (!pictures.isEmpty()) {
        picture.save(QDir(pictures).filePath(
            QStringLiteral("pane-%1%2.png")
                .arg(QString::fromLatin1(c.phrase).replace(QLatin1Char(' '), QLatin1Char('-')),
                     dark_theme ? QStringLiteral("-dark") : QString())));
      }
    }
    // At 200%, drawn straight into an image of twice the pixels.
    QImage doubled(QSize(480, 160) * 2, QImage::Format_ARGB32);
    doubled.setDevicePixelRatio(2);
    doubled.fill(Qt::white);
    QPainter painter(&doubled);
    ui::PaintHistoryChart(painter, QRect(0, 0, 480, 160), pane.Chart().Data(), QPalette());
    painter.end();
    if (!pictures.isEmpty())
      doubled.save(QDir(pictures).filePath(QStringLiteral("chart-200-%1.png").arg(c.runs)));
  }
}

}  // namespace
}  // namespace quillmark::testing

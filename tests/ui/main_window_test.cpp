// The main window driven through its real buttons, menus and header, against the stand-in
// service or a scripted server.

#include <QHeaderView>
#include <QProgressBar>
#include <QTreeView>
#include <atomic>
#include <string>
#include <vector>

#include "net/support/closed_port.h"
#include "net/support/scripted_server.h"
#include "research/column_compare.h"
#include "ui/message_box.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, InvestigateFillsEveryColumnOfEveryRow) {
  MakeWindows(Demo());
  Investigate("blue widgets", 5, "example.com");
  Start();

  ASSERT_EQ(window_->Model().rowCount(), 5);
  for (int row = 0; row < 5; ++row) {
    EXPECT_FALSE(Cell(row, 0).empty()) << row;
    for (int column = 1; column <= 6; ++column) EXPECT_FALSE(Cell(row, column).empty()) << row;
    EXPECT_EQ(window_->Model().data(window_->Model().index(row, 0), Qt::CheckStateRole),
              Qt::Unchecked);
  }
  EXPECT_EQ(window_->StatusText(), QStringLiteral("Done!"));
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_FALSE(window_->Progress().isVisible());
  EXPECT_EQ(window_->SaveDialogsFileName(), QStringLiteral("blue widgets"));
}

TEST_F(MainWindowTest, CancelAndTheCloseBoxStartNothing) {
  const std::vector<std::pair<const char*, std::function<void(ui::TStartForm&)>>> ways = {
      {"Cancel", [](ui::TStartForm& dialog) { dialog.Form().BitBtn2->click(); }},
      {"close box", [](ui::TStartForm& dialog) { dialog.close(); }},
  };
  MakeWindows(Demo());
  window_->Keywords().Append();
  window_->SetStatusText("before");
  for (const auto& [name, answer] : ways) {
    AnswerDialog(answer);
    Start();
    EXPECT_FALSE(dialog_->isVisible()) << name;
    EXPECT_EQ(window_->Keywords().Count(), 1u) << name;
    EXPECT_EQ(window_->StatusText(), QStringLiteral("before")) << name;
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << name;
  }
}

TEST_F(MainWindowTest, StopAndEscapeEndARunAfterItsRow) {
  MakeWindows(Demo(20));
  const std::vector<std::pair<const char*, std::function<void()>>> ways = {
      {"Stop button", [this] { window_->Form().StopBtn->click(); }},
      {"Escape held", [this] { QTest::keyPress(window_.get(), Qt::Key_Escape); }},
  };
  for (const auto& [name, stop] : ways) {
    Investigate("garden sheds", 20);
    WhenRows(1, [this, stop = stop] {
      EXPECT_TRUE(window_->Progress().isVisible());
      stop();
    });
    Start();
    QTest::keyRelease(window_.get(), Qt::Key_Escape);

    const int rows = window_->Model().rowCount();
    EXPECT_GE(rows, 1) << name;
    EXPECT_LE(rows, 2) << name;
    for (int row = 0; row < rows; ++row) EXPECT_FALSE(Cell(row, 6).empty()) << name;
    EXPECT_EQ(window_->StatusText(), QStringLiteral("stopped after %1 of 20 rows").arg(rows))
        << name;
  }
}

// A newer run, or a cleared list, ends the older run at its next step without a further
// write: the list holds only what came after.
TEST_F(MainWindowTest, StartOrClearDuringARunLeaveTheOlderRunNoRows) {
  MakeWindows(Demo(10));
  Investigate("blue widgets", 20);
  WhenRows(2, [this] {
    Investigate("red gadgets", 3);
    Start();
  });
  Start();
  ASSERT_EQ(window_->Model().rowCount(), 3);
  for (int row = 0; row < 3; ++row) EXPECT_NE(Cell(row, 0).find("gadget"), std::string::npos);

  Investigate("blue widgets", 20);
  WhenRows(2, [this] { window_->Form().Clearkeywordsdata1->trigger(); });
  Start();
  EXPECT_EQ(window_->Model().rowCount(), 0);
  EXPECT_EQ(window_->StatusText(), QStringLiteral("Done!"));
}

TEST_F(MainWindowTest, EveryColumnSortsInItsOwnOrderTwice) {
  MakeWindows(Demo());
  KeywordList& list = window_->Keywords();
  const std::vector<std::vector<std::string>> rows = {
      {"Apple", "90", "12", "0.5", "3", "37.5%", "40"},
      {"app", "5", "0", "3000000", "-", "100%", "7"},
      {"berry", "700", "5000", "1", "1", "0%", "900"},
      {"cherry", "12", "300", "25", "12", "12.25%", "0"},
  };
  for (const auto& texts : rows) {
    const KeywordRowPtr row = list.Append();
    list.SetCaption(*row, texts[0]);
    for (std::size_t i = 1; i < texts.size(); ++i) list.AppendSubItem(*row, texts[i]);
  }
  QHeaderView* header = window_->Form().ListView1->header();
  for (int column = 0; column < ui::KeywordListModel::ColumnCount; ++column) {
    std::vector<std::string> first;
    for (int click = 0; click < 2; ++click) {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(column) + 4, 4));
      std::vector<std::string> order;
      for (int row = 0; row < 4; ++row) order.push_back(Cell(row, 0));
      for (std::size_t i = 1; i < list.Count(); ++i)
        EXPECT_LE(CompareRows(*list.Row(i - 1), *list.Row(i), column), 0) << column;
      if (click == 0) first = order;
      EXPECT_EQ(order, first) << "column " << column << " turned round on the second click";
    }
  }
}

TEST_F(MainWindowTest, SelectionCommandsSetClearAndInvertTheCheckBoxes) {
  struct Case {
    const char* command;
    std::vector<bool> after;
  };
  const std::vector<Case> cases = {
      {"SelectAll1", {true, true, true}},
      {"SelectNone1", {false, false, false}},
      {"InvertSelection1", {false, true, false}},
  };
  MakeWindows(Demo());
  KeywordList& list = window_->Keywords();
  for (const Case& c : cases) {
    list.Clear();
    for (bool checked : {true, false, true}) list.SetChecked(*list.Append(), checked);
    window_->findChild<QAction*>(QString::fromLatin1(c.command))->trigger();
    for (int row = 0; row < 3; ++row) {
      const auto state = window_->Model().data(window_->Model().index(row, 0), Qt::CheckStateRole);
      EXPECT_EQ(state, c.after[row] ? Qt::Checked : Qt::Unchecked) << c.command << " " << row;
    }
  }
  EXPECT_EQ(window_->PopupMenu1().actions().size(), 4);
}

// A server that never answers holds the first fetch; the window keeps painting meanwhile, and
// Stop ends the run at once. The fetch's time limit is far beyond the test's, so a Stop that
// waited for the fetch fails the test by its time limit.
TEST_F(MainWindowTest, WindowPaintsAndStopsWhileAFetchIsHeld) {
  ScriptedServer server(Script().Hold());
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
  MakeWindows({host, host, host}, std::chrono::minutes(30));

  std::atomic<int> paints = 0;
  struct PaintCounter : QObject {
    std::atomic<int>& count;
    explicit PaintCounter(std::atomic<int>& c) : count(c) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) ++count;
      return false;
    }
  } counter(paints);
  window_->Form().ListView1->viewport()->installEventFilter(&counter);
  QTimer repaint;
  QObject::connect(&repaint, &QTimer::timeout,
                   [this] { window_->Form().ListView1->viewport()->update(); });
  repaint.start(5);

  Investigate("held", 10);
  WhenTrue([&] { return server.Connections() == 1 && paints >= 10; },
           [this] { window_->Form().StopBtn->click(); });
  Start();
  EXPECT_GE(paints, 10);
  EXPECT_EQ(window_->StatusText(), QStringLiteral("stopped after 0 of 10 rows"));
  EXPECT_EQ(window_->Model().rowCount(), 0);
}

// With the search engine down, the rows still come from the suggestion page, but every cell
// that rests on a search page is tinted and says why; the demand and keyword cells are not.
TEST_F(MainWindowTest, CellsOfLookupsThatFailedAreTintedAndSayWhy) {
  const ClosedPort closed;
  Endpoints endpoints = Demo();
  endpoints.search_host = closed.Host();
  MakeWindows(endpoints);
  Investigate("blue widgets", 2, "example.com");
  Start();

  ASSERT_EQ(window_->Model().rowCount(), 2);
  const auto note = [this](int column, int role) {
    return window_->Model().data(window_->Model().index(0, column), role);
  };
  for (int column : {0, 1, 7}) {
    EXPECT_FALSE(note(column, Qt::BackgroundRole).isValid()) << column;
    EXPECT_FALSE(note(column, Qt::ToolTipRole).isValid()) << column;
  }
  for (int column : {2, 3, 4, 5, 6}) EXPECT_TRUE(note(column, Qt::BackgroundRole).isValid());
  EXPECT_EQ(note(2, Qt::ToolTipRole).toString(),
            QStringLiteral("page not fetched: Socket Error # 10061 Connection refused."));
  EXPECT_TRUE(
      note(4, Qt::ToolTipRole).toString().startsWith(QStringLiteral("rank not fetched on")));
  EXPECT_EQ(Cell(0, 2), "?");
}

// A suggestion or top searches page that never arrived is said, not left as an empty list.
TEST_F(MainWindowTest, APageThatWasNotFetchedIsSaid) {
  const ClosedPort closed;
  const std::string host = closed.Host();
  MakeWindows({host, host, host});
  ui::RecordedMessages messages;
  Investigate("blue widgets", 5);
  Start();
  AnswerDialog([](ui::TStartForm& dialog) {
    dialog.Form().RadioButton2->click();
    dialog.Form().BitBtn1->click();
  });
  Start();
  EXPECT_EQ(messages.Texts(),
            QStringList({QStringLiteral("Could not fetch the suggestion page: Socket Error # "
                                        "10061 Connection refused."),
                         QStringLiteral("Could not fetch the top searches page: Socket Error # "
                                        "10061 Connection refused.")}));
  EXPECT_EQ(window_->StatusText(), QStringLiteral("Done!"));
}

}  // namespace
}  // namespace quillmark::testing

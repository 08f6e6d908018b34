#include "ui/list_commands.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "research/support/fake_host.h"
#include "session/support/fake_session.h"
#include "support/temp_dir.h"
#include "ui/investigate_dialog.h"
#include "ui/main_window.h"
#include "ui_main_window.h"

namespace quillmark::ui {
namespace {

using Texts = std::vector<std::string>;

std::string TopPage(const Texts& phrases) {
  std::string page = "<table>";
  for (const auto& phrase : phrases) page += "<td><a href=/s>" + phrase + "</a></td>";
  return page + "</table>";
}

template <typename T>
T& Find(const QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) throw std::runtime_error(std::string("no ") + name);
  return *child;
}

// Runs `answer` once `dialog` is showing: the command may pump messages before it opens it.
void WhenShown(QWidget& dialog, std::function<void()> answer) {
  auto* poll = new QTimer(&dialog);
  QObject::connect(poll, &QTimer::timeout, &dialog, [poll, &dialog, answer] {
    if (!dialog.isVisible()) return;
    poll->deleteLater();
    poll->stop();
    answer();
  });
  poll->start(5);
}

Texts MenuTexts(const QWidget& menu) {
  Texts texts;
  for (const QAction* action : menu.actions()) texts.push_back(action->text().toStdString());
  return texts;
}

class ListCommandsTest : public ::testing::Test {
 protected:
  ListCommandsTest() {
    window.SetInvestigateDialog(&investigate);
    window.show();
  }

  // Start, answering the Investigate dialog with the top searches option.
  void StartTopSearches() {
    WhenShown(investigate, [this] {
      Find<QRadioButton>(investigate, "RadioButton2").click();
      Find<QPushButton>(investigate, "BitBtn1").click();
    });
    window.BitBtn2Click();
  }

  Texts TopRows() {
    Texts rows;
    for (const auto& row : window.TopSearches().Rows())
      rows.push_back(row.caption + " " + row.keyword);
    return rows;
  }

  QTreeView& TopView() { return Find<QTreeView>(commands.TOPForm(), "ListView1"); }

  testing::TempDir config;
  bool config_set = ::setenv("QUILLMARK_CONFIG_DIR", config.path().c_str(), 1) == 0;
  testing::FakeWeb web;
  // Ends before the pages its workers serve.
  std::shared_ptr<testing::FakeSession> session =
      std::make_shared<testing::FakeSession>(testing::FakeSession::Plain(
          [fetch = web.Fetcher()](const std::string& url) { return fetch(url); }));
  TForm1 window{[session = session] { return session; }};
  TStartForm investigate{window, &window};
  ListCommands commands{window};
  // No start-up tip may wait for a click in the middle of a test.
  bool tips_stopped = (Find<QTimer>(window, "TipsTimer").stop(), true);
};

TEST_F(ListCommandsTest, MenusHoldTheNewEntries) {
  EXPECT_EQ(MenuTexts(Find<QMenu>(window, "File1")),
            (Texts{"&Open investigation file...", "&Save investigation file...", "&Export Table...",
                   "Export &History...", "", "&Data Source...", "&Keep History", "",
                   "Clear keywords data", "", "E&xit"}));
  EXPECT_EQ(MenuTexts(Find<QMenu>(window, "View1")), (Texts{"Keyword &History"}));
  EXPECT_EQ(MenuTexts(Find<QMenuBar>(window, "MainMenu1")),
            (Texts{"&File", "&Keywords", "Filt&er", "&View", "&Help"}));
}

TEST_F(ListCommandsTest, StartListsTopSearchesBesideTheMainWindowAndProposesTheSeed) {
  web.pages["http://top.test/top"] = TopPage({"Weather", "local news", "ice cream"});
  Find<QLineEdit>(investigate, "LabeledEdit1").setText(QStringLiteral("boots"));
  window.move(40, 30);
  StartTopSearches();
  EXPECT_EQ(TopRows(), (Texts{"1 weather", "2 local news", "3 ice cream"}));
  EXPECT_TRUE(commands.TOPForm().isVisible());
  EXPECT_EQ(commands.TOPForm().frameGeometry().topLeft(),
            window.frameGeometry().topRight() + QPoint(1, 0));
  EXPECT_EQ(commands.Files().ResultsSaveDialog().FileName(), QStringLiteral("boots"));
  EXPECT_EQ(commands.Files().KeywordsSaveDialog().FileName(), QStringLiteral("boots"));
  EXPECT_EQ(commands.Files().TableExportDialog().FileName(), QStringLiteral("boots.csv"));
}

TEST_F(ListCommandsTest, EscapeEndsTheListing) {
  web.pages["http://top.test/top"] = TopPage({"a", "b", "c", "d"});
  QObject::connect(TopView().model(), &QAbstractItemModel::rowsInserted, &window,
                   [this](const QModelIndex&, int, int last) {
                     if (last == 1)
                       QCoreApplication::postEvent(
                           &commands.TOPForm(),
                           new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
                   });
  StartTopSearches();
  EXPECT_EQ(TopRows(), (Texts{"1 a", "2 b"}));
}

TEST_F(ListCommandsTest, DoubleClickResearchesThePhraseAndNothingElse) {
  web.pages[testing::SuggestUrlFor("ice%20cream")] =
      " done <tr><td>&nbsp;120</td><td><a href=/q?k=1&amp;x=2>ice cream cones</a></td></tr>";
  web.fallback = "no results here";
  Find<QLineEdit>(investigate, "LabeledEdit1").setText(QStringLiteral("boots"));
  window.Keywords().Append();
  window.TopSearches().Append("1", "weather");
  window.TopSearches().Append("2", "ice cream");
  QTreeView& view = TopView();
  view.setCurrentIndex(view.model()->index(1, 1));
  emit view.doubleClicked(view.model()->index(1, 1));

  ASSERT_EQ(window.Keywords().Count(), 1u);
  EXPECT_EQ(window.Keywords().Row(0)->Caption(), "ice cream cones");
  EXPECT_EQ(investigate.SeedText(), "boots");
  EXPECT_TRUE(commands.Files().ResultsSaveDialog().FileName().isEmpty());
  EXPECT_NE(window.StatusText(), QStringLiteral("Done!"));
  EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(ListCommandsTest, FilterEntryShowsTheDialogModally) {
  for (const char* supply : {"500", "50"}) {
    KeywordRow& row = *window.Keywords().Append();
    window.Keywords().AppendSubItem(row, "1");
    window.Keywords().AppendSubItem(row, supply);
  }
  WhenShown(commands.FilterForm(), [this] {
    EXPECT_TRUE(commands.FilterForm().isModal());
    Find<QLineEdit>(commands.FilterForm(), "SpinEdit1").setText(QStringLiteral("100"));
    Find<QPushButton>(commands.FilterForm(), "BitBtn1").click();
  });
  session::ResearchRun in_progress(session, window, {});
  const session::RunInHand::Holding holding(window.InHand(), in_progress);
  Find<QAction>(window, "Filter1").trigger();
  ASSERT_EQ(window.Keywords().Count(), 1u);
  EXPECT_EQ(*window.Keywords().Row(0)->SubItem(1), "50");
  EXPECT_FALSE(in_progress.Stopped());
}

// A phrase from outside that a spreadsheet would evaluate is pasted as text.
TEST_F(ListCommandsTest, CtrlCCopiesTheSelectedRowsInListOrderWithTheTitles) {
  KeywordList& list = window.Keywords();
  for (const char* caption :
       {"first", "red\tshoes\r\nnow", "=HYPERLINK(\"http://x.example\",\"y\")"}) {
    KeywordRow& row = *list.Append();
    list.SetCaption(row, caption);
    list.AppendSubItem(row, "7");
  }
  QTreeView& view = *window.Form().ListView1;
  QClipboard& clipboard = *QGuiApplication::clipboard();
  clipboard.setText(QStringLiteral("before"));
  QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard.text(), QStringLiteral("before"));  // nothing selected

  // Selected from the bottom up; copied in list order.
  for (int row : {2, 1})
    view.selectionModel()->select(view.model()->index(row, 0),
                                  QItemSelectionModel::Select | QItemSelectionModel::Rows);
  QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard.text().toStdString(),
            "Keyword\tDemand\tSupply\tCost-per-Prospect\tRank #\tProfitability\t"
            "Estimated prospects #\tKeyword Effectiveness\n"
            "red shoes  now\t7\t\t\t\t\t\t\n"
            "'=HYPERLINK(\"http://x.example\",\"y\")\t7\t\t\t\t\t\t\n");
}

}  // namespace
}  // namespace quillmark::ui

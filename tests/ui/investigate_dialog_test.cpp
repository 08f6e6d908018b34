// The Investigate dialog's own behaviour: its keys, its two options and what it hands the run.

#include <QKeyEvent>
#include <cstdint>

#include "demo/demo_pages.h"
#include "net/fetch_page.h"
#include "pages/page_request.h"
#include "research/unwanted_terms.h"
#include "ui/file_dialog.h"
#include "ui/message_box.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

using InvestigateDialogTest = WindowTest;

TEST_F(InvestigateDialogTest, EnterAndEscapePressNeitherButton) {
  MakeWindows(Demo());
  for (QPushButton* button : {dialog_->Form().BitBtn1, dialog_->Form().BitBtn2}) {
    EXPECT_FALSE(button->autoDefault()) << button->objectName().toStdString();
    EXPECT_FALSE(button->isDefault()) << button->objectName().toStdString();
  }
  dialog_->show();
  for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
    QTest::keyClick(dialog_->Form().LabeledEdit1, key);
    EXPECT_TRUE(dialog_->isVisible()) << key;
  }
  dialog_->close();
}

TEST_F(InvestigateDialogTest, OptionsSwitchTheirFramesAndKeepTheEntries) {
  MakeWindows(Demo());
  dialog_->show();
  Ui::TStartForm& form = dialog_->Form();
  form.LabeledEdit1->setText(QStringLiteral("seed"));
  QTest::mouseClick(form.RadioButton2, Qt::LeftButton);
  EXPECT_FALSE(form.RadioButton1->isChecked());
  EXPECT_TRUE(form.GroupBox2->isVisible());
  EXPECT_FALSE(form.GroupBox1->isVisible());
  EXPECT_FALSE(form.MemoUnwantedTerms->isVisible());
  EXPECT_EQ(dialog_->Mode(), ResearchMode::kTopSearches);

  QTest::mouseClick(form.RadioButton1, Qt::LeftButton);
  EXPECT_TRUE(form.GroupBox1->isVisible());
  EXPECT_FALSE(form.GroupBox2->isVisible());
  EXPECT_EQ(dialog_->Mode(), ResearchMode::kSeed);
  EXPECT_EQ(dialog_->SeedText(), "seed");
  EXPECT_EQ(dialog_->UnwantedTerms(), DefaultUnwantedTerms());
  dialog_->close();
}

// Positions outside the list of 1 to 20 pages select "3" instead of no entry at all.
TEST_F(InvestigateDialogTest, StoredDepthOutsideTheListSelectsThree) {
  const std::vector<std::pair<std::uint32_t, std::string>> cases = {
      {0, "1"}, {6, "7"}, {19, "20"}, {20, "3"}, {0xFFFFFFFFu, "3"}};
  MakeWindows(Demo());
  for (const auto& [depth, shown] : cases) {
    dialog_->SetDepth(depth);
    EXPECT_EQ(dialog_->MaxPagesText(), shown) << depth;
  }
}

// "My phrases": the box counts the list as the run takes it, a file's first column loads into
// it, a list too long keeps the dialog open, and the rows come in the list's order.
TEST_F(InvestigateDialogTest, MyPhrasesAreCountedLoadedAndResearchedInTheirOrder) {
  MakeWindows(
      [](const std::string& url, sources::ProviderRun& run, const Cancellation& cancelled) {
        if (pages::ReadPageUrl(url).kind == pages::PageKind::kPhraseList)
          return FetchResult{.body = demo::DemoListPage(run.Parameters().phrases)};
        return FetchPage(url, {.timeout = std::chrono::seconds(30), .cancelled = cancelled});
      },
      Demo());
  Ui::TStartForm& form = dialog_->Form();
  dialog_->show();
  form.PhrasesRadio->click();
  EXPECT_TRUE(form.PhrasesMemo->isVisible());
  EXPECT_FALSE(form.LabeledEdit1->isVisible());

  ui::RecordedMessages messages;
  QString long_list;
  for (int i = 0; i <= 1000; ++i) long_list += QStringLiteral("p%1\n").arg(i);
  form.PhrasesMemo->setPlainText(long_list);
  form.BitBtn1->click();
  EXPECT_TRUE(dialog_->isVisible());
  ASSERT_EQ(messages.Texts().size(), 1);
  EXPECT_TRUE(messages.Texts()[0].contains(QStringLiteral("1001 phrases: at most 1000")));

  WriteBytes(config_.path() / "sheds.csv", "Keyword,Demand\r\nShed Plans,1\r\nblue widgets,2\r\n");
  ui::FileDialog::AnswerNext(QString::fromStdString((config_.path() / "sheds.csv").string()));
  form.LoadPhrasesButton->click();
  form.PhrasesMemo->appendPlainText(QStringLiteral("SHED PLANS"));
  EXPECT_EQ(form.PhrasesCountLabel->text(), QStringLiteral("2 phrases; 1 duplicate skipped"));
  // A provider's research says its worst case: one search-volume call, a supply call a phrase.
  dialog_->SetPriced(true);
  EXPECT_EQ(form.EstimateLabel->text(),
            QStringLiteral("This research: up to 3 provider calls, at most $0.08"));
  // Above the user's bound it asks before the list is emptied: No keeps the dialog and the rows.
  window_->Keywords().Append();
  form.AskCostEdit->setText(QStringLiteral("0.05"));
  messages.Answer(false);
  form.BitBtn1->click();
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_EQ(window_->Keywords().Count(), 1u);
  EXPECT_TRUE(
      messages.Texts().back().contains(QStringLiteral("at most $0.08, more than the $0.05")));
  form.AskCostEdit->setText(QString());
  dialog_->SetPriced(false);
  EXPECT_TRUE(form.EstimateLabel->text().isEmpty());
  session::RunRequest request;
  dialog_->TakePhrases(request);
  EXPECT_EQ(request.phrases, (std::vector<std::string>{"Shed Plans", "blue widgets"}));
  EXPECT_EQ(request.max_results, 2);
  EXPECT_EQ(request.seed, "my phrases");  // edited since it was loaded
  dialog_->close();

  AnswerDialog([](ui::TStartForm& dialog) { dialog.Form().BitBtn1->click(); });
  Start();
  ASSERT_EQ(window_->Keywords().Count(), 2u);
  EXPECT_EQ(Cell(0, 0), "shed plans");
  EXPECT_EQ(Cell(1, 0), "blue widgets");
  EXPECT_NE(Cell(0, 1), "?");
}

}  // namespace
}  // namespace quillmark::testing

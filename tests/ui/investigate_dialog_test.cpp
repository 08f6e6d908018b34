// The Investigate dialog's own behaviour: its keys, its two options and what it hands the run.

#include <QKeyEvent>
#include <cstdint>

#include "research/unwanted_terms.h"
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

}  // namespace
}  // namespace quillmark::testing

#include "ui/filter_dialog.h"

#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "controls/spin_edit.h"

namespace quillmark::ui {
namespace {

class FilterDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { Fill(); }

  void Fill() {
    list.Clear();
    for (const char* supply : {"250000", "100000", "99999", "?", "2", "1"}) {
      KeywordRow& row = *list.Append();
      list.SetCaption(row, supply);
      list.AppendSubItem(row, "10");
      list.AppendSubItem(row, supply);
    }
  }

  // Opens the dialog, types `text` into the number field and clicks `button`.
  void Run(const QString& text, const char* button) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    field()->setText(text);
    QTest::mouseClick(dialog.findChild<QPushButton*>(QString::fromLatin1(button)), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
  }

  TSpinEdit* field() { return dialog.findChild<TSpinEdit*>(QStringLiteral("SpinEdit1")); }

  std::vector<std::string> Left() const {
    std::vector<std::string> left;
    for (const auto& row : list.Rows()) left.push_back(row->Caption());
    return left;
  }

  KeywordList list;
  TFilterForm dialog{list};
};

TEST_F(FilterDialogTest, GoDeletesThePhrasesAboveTheNumberTyped) {
  const struct {
    QString text;
    std::vector<std::string> left;
  } cases[] = {
      // Nothing readable counts as the lowest threshold, and so does a number below it.
      {QString(), {"?", "1"}},
      {QStringLiteral("0"), {"?", "1"}},
  };
  for (const auto& c : cases) {
    Fill();
    Run(c.text, "BitBtn1");
    EXPECT_EQ(Left(), c.left) << c.text.toStdString();
  }
}

TEST_F(FilterDialogTest, CancelAndTheCloseBoxChangeNothingButKeepTheNumber) {
  Run(QStringLiteral("5"), "BitBtn2");
  dialog.show();
  dialog.close();
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(list.Count(), 6u);
  dialog.show();
  EXPECT_EQ(field()->text(), QStringLiteral("5"));
}

}  // namespace
}  // namespace quillmark::ui

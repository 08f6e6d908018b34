#include "ui/top_searches_window.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QDate>
#include <QLocale>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTextEdit>
#include <QTreeView>
#include <stdexcept>

#include "support/temp_dir.h"

namespace quillmark::ui {
namespace {

class TopSearchesWindowTest : public ::testing::Test {
 protected:
  QTreeView* view() { return form.findChild<QTreeView*>(QStringLiteral("ListView1")); }
  QString Memo() { return form.findChild<QTextEdit*>(QStringLiteral("Memo1"))->toPlainText(); }
  QString Cell(int row, int column) {
    return view()->model()->index(row, column).data().toString();
  }

  TopSearchList list;
  TTOPForm form{list};
};

TEST_F(TopSearchesWindowTest, ShowsTheListAsItFillsAndEmpties) {
  QAbstractItemModelTester tester(view()->model(),
                                  QAbstractItemModelTester::FailureReportingMode::Fatal);
  EXPECT_EQ(view()->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Rank"));
  EXPECT_EQ(view()->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Keyword"));
  list.Append("1", "weather");
  list.Append("2", "caf\xc3\xa9 near me");
  ASSERT_EQ(view()->model()->rowCount(), 2);
  EXPECT_EQ(Cell(1, 0), QStringLiteral("2"));
  EXPECT_EQ(Cell(1, 1), QStringLiteral("caf\u00e9 near me"));
  list.Clear();
  EXPECT_EQ(view()->model()->rowCount(), 0);
}

TEST_F(TopSearchesWindowTest, DoubleClickHandsTheSelectedPhraseOver) {
  list.Append("1", "weather");
  list.Append("2", "");
  std::vector<std::string> researched;
  form.SetInvestigate([&](const std::string& phrase) {
    researched.push_back(phrase);
    throw std::runtime_error("a failing research ends silently");
  });
  const auto double_click = [&](int row) {
    if (row >= 0) view()->setCurrentIndex(view()->model()->index(row, 1));
    emit view()->doubleClicked(view()->model()->index(std::max(row, 0), 1));
  };
  double_click(-1);  // nothing selected
  double_click(1);   // an empty phrase
  double_click(0);
  EXPECT_EQ(researched, std::vector<std::string>{"weather"});
}

// The printout's text, as a reader of the PDF sees it, without the page number below it.
std::string PrintToPdf(TTOPForm& form, const std::string& pdf) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf));
  form.FillMemo();
  form.PrintMemo(printer);
  QProcess pdftotext;
  pdftotext.start(QStringLiteral("pdftotext"),
                  {QStringLiteral("-layout"), QString::fromStdString(pdf), QStringLiteral("-")});
  pdftotext.waitForFinished();
  EXPECT_EQ(printer.docName(), QStringLiteral("Quillmark"));
  const std::string text = pdftotext.readAllStandardOutput().toStdString();
  return text.substr(0, text.find("\n\n"));
}

TEST_F(TopSearchesWindowTest, PrintsTheHeadingAndOneNumberedLinePerRow) {
  testing::TempDir dir;
  const std::string heading =
      "Quillmark - Top Searches for " +
      QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toStdString();
  EXPECT_EQ(PrintToPdf(form, dir.File("empty.pdf")), heading);

  // The number is the position, not the caption; markup in a phrase prints as it reads.
  list.Append("7", "weather");
  list.Append("1", "<b>bold</b> news");
  list.Append("2", "ice cream");
  const std::string expected = heading + "\n1. weather\n2. <b>bold</b> news\n3. ice cream";
  form.FillMemo();
  EXPECT_EQ(Memo().toStdString(), expected);
  EXPECT_EQ(PrintToPdf(form, dir.File("three.pdf")), expected);
}

TEST_F(TopSearchesWindowTest, PrintWithoutAPrinterFillsTheMemoAndShowsNothing) {
  if (!QPrinterInfo::defaultPrinter().isNull()) GTEST_SKIP() << "a real printer is installed";
  list.Append("1", "weather");
  form.show();
  QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("BitBtn1")), Qt::LeftButton);
  EXPECT_TRUE(Memo().endsWith(QStringLiteral("\n1. weather")));
  EXPECT_EQ(QApplication::topLevelWidgets().size(), 1);  // no message box, just the window
}

}  // namespace
}  // namespace quillmark::ui

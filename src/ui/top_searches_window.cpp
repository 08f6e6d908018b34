#include "ui/top_searches_window.h"

#include <QApplication>
#include <QDate>
#include <QHeaderView>
#include <QLocale>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextCursor>
#include <QTextDocument>
#include <utility>

#include "ui/classic_font.h"
#include "ui/text_convert.h"
#include "ui_top_searches_window.h"

// Resources of a static library must be registered by name, from the global namespace.
static void InitListPictures() {
  Q_INIT_RESOURCE(list_pictures);
}

namespace quillmark::ui {
namespace {

constexpr int kRankWidth = 45;
constexpr int kKeywordWidth = 150;

// Plain text only: a phrase from a page that looks like markup must print as it reads, not
// be rendered (or load pictures named in it).
void AppendLine(QTextDocument& document, const QString& line) {
  QTextCursor cursor(&document);
  cursor.movePosition(QTextCursor::End);
  if (!document.isEmpty()) cursor.insertBlock();
  cursor.insertText(line);
}

// Each step of the Print command goes on when the one before failed.
template <typename F>
void Swallowing(F&& step) {
  try {
    step();
  } catch (...) {
  }
}

}  // namespace

TTOPForm::TTOPForm(TopSearchList& list, QWidget* parent)
    : QWidget(parent), list_(list), model_(list) {
  InitListPictures();
  ui_ = std::make_unique<::Ui::TTOPForm>();
  ui_->setupUi(this);
  UseClassicFont(*this);
  // A separate window with a close box only, even when the main window is its parent.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(size());
  ui_->ListView1->setModel(&model_);
  ui_->ListView1->header()->setSectionsMovable(false);
  ui_->ListView1->header()->resizeSection(TopSearchListModel::kRank, kRankWidth);
  ui_->ListView1->header()->resizeSection(TopSearchListModel::kKeyword, kKeywordWidth);
  connect(ui_->ListView1, &QAbstractItemView::doubleClicked, this, &TTOPForm::ListView1DblClick);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TTOPForm::BitBtn1Click);
}

TTOPForm::~TTOPForm() = default;

void TTOPForm::SetInvestigate(std::function<void(const std::string&)> investigate) {
  investigate_ = std::move(investigate);
}

void TTOPForm::ListView1DblClick() {
  const QModelIndexList selected = ui_->ListView1->selectionModel()->selectedRows();
  if (selected.isEmpty()) return;
  const auto row = static_cast<std::size_t>(selected.front().row());
  if (row >= list_.Count()) return;
  // Taken before pumping: a listing running underneath may empty the list meanwhile.
  const std::string phrase = list_.Row(row).keyword;
  QApplication::processEvents();
  if (phrase.empty() || !investigate_) return;
  Swallowing([&] { investigate_(phrase); });
}

void TTOPForm::FillMemo() {
  QTextDocument& memo = *ui_->Memo1->document();
  Swallowing([&] { memo.clear(); });
  Swallowing([&] {
    const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
    AppendLine(memo, QStringLiteral("Quillmark - Top Searches for ") + date);
  });
  QApplication::processEvents();
  Swallowing([&] {
    // The number is the row's position, whatever its caption says.
    for (std::size_t i = 0; i < list_.Count(); ++i)
      AppendLine(memo,
                 QString::number(i + 1) + QStringLiteral(". ") + ToQString(list_.Row(i).keyword));
  });
}

void TTOPForm::PrintMemo(QPrinter& printer) {
  Swallowing([&] {
    printer.setDocName(QStringLiteral("Quillmark"));
    if (printer.isValid()) ui_->Memo1->document()->print(&printer);
  });
  QApplication::processEvents();
}

void TTOPForm::BitBtn1Click() {
  FillMemo();
  Swallowing([&] {
    const QPrinterInfo device = QPrinterInfo::defaultPrinter();
    if (device.isNull()) return;
    QPrinter printer(device);
    PrintMemo(printer);
  });
}

}  // namespace quillmark::ui

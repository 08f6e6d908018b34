#include "ui/keyword_list_model.h"

#include <QColor>

#include "research/column_compare.h"
#include "research/shown_cell.h"
#include "session/run_history.h"
#include "ui/text_convert.h"

namespace quillmark::ui {

namespace {
// A muted red: readable under black text and under the selection, plain enough not to shout.
constexpr QRgb kFailedCellTint = qRgb(0xF6, 0xD5, 0xD5);
}  // namespace

static_assert(KeywordListModel::ColumnCount == static_cast<int>(kColumnCount));

KeywordListModel::KeywordListModel(KeywordList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list) {
  list_.AddObserver(this);
}

KeywordListModel::~KeywordListModel() {
  list_.RemoveObserver(this);
}

int KeywordListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(list_.Count());
}

int KeywordListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant KeywordListModel::data(const QModelIndex& index, int role) const {
  if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return {};
  const KeywordRow& row = *list_.Row(static_cast<std::size_t>(index.row()));
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
      return ToQString(ShowCell(row, static_cast<KeywordColumn>(column), false).text);
    case Qt::CheckStateRole:
      if (column != kKeyword) return {};
      return row.Checked() ? Qt::Checked : Qt::Unchecked;
    case Qt::ToolTipRole: {
      const QVariant note = CellNote(row, column, role);
      const QVariant change = Change(row, column, role);
      if (!change.isValid()) return note;
      if (!note.isValid()) return change;
      return note.toString() + QLatin1Char('\n') + change.toString();
    }
    case Qt::BackgroundRole:
      return CellNote(row, column, role);
    case kChangeRole:
    case kChangeKindRole:
      return Change(row, column, role);
    default:
      return {};
  }
}

QVariant KeywordListModel::Change(const KeywordRow& row, int column, int role) const {
  if (comparison_ == nullptr || (column != kDemand && column != kRank)) return {};
  using Kind = session::CellChange::Kind;
  const session::CellChange change = comparison_->Change(row, static_cast<KeywordColumn>(column));
  if (role == Qt::ToolTipRole)
    return change.previous.empty() ? QVariant() : QVariant(ToQString(change.previous));
  if (change.kind == Kind::kNone) return {};
  if (role == kChangeKindRole) return static_cast<int>(change.kind);
  if (change.kind == Kind::kNew) return QStringLiteral("new");
  QString marker = change.kind == Kind::kUp ? QStringLiteral("\u25B2") : QStringLiteral("\u25BC");
  if (change.amount != 0) marker += QString::number(change.amount);
  if (change.amount != 0 && column == kDemand) marker += QLatin1Char('%');
  return marker;
}

void KeywordListModel::SetComparison(session::RunComparison* comparison) {
  comparison_ = comparison;
  if (rowCount() == 0) return;
  emit dataChanged(index(0, kDemand), index(rowCount() - 1, kRank));
}

QVariant KeywordListModel::CellNote(const KeywordRow& row, int column, int role) const {
  const ShownCell cell = ShowCell(row, static_cast<KeywordColumn>(column), role == Qt::ToolTipRole);
  if (!cell.Tinted()) return {};
  if (role == Qt::BackgroundRole) return QColor(kFailedCellTint);
  return ToQString(cell.note);
}

QVariant KeywordListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= ColumnCount)
    return QAbstractTableModel::headerData(section, orientation, role);
  return ToQString(kColumnTitles[section]);
}

Qt::ItemFlags KeywordListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == kKeyword) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

bool KeywordListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::CheckStateRole || index.column() != kKeyword ||
      !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
    return false;
  // The list tells us of the change, and we pass it on to the view from there.
  return list_.SetChecked(*list_.Row(static_cast<std::size_t>(index.row())),
                          value.value<Qt::CheckState>() == Qt::Checked);
}

void KeywordListModel::sort(int column, Qt::SortOrder /*order*/) {
  if (column < 0 || column >= ColumnCount) return;
  SortKeywordList(list_, static_cast<std::size_t>(column));
}

void KeywordListModel::RowsAboutToBeAppended(std::size_t first, std::size_t count) {
  beginInsertRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
}

void KeywordListModel::RowsAppended(std::size_t /*first*/, std::size_t /*count*/) {
  endInsertRows();
}

void KeywordListModel::RowChanged(std::size_t index) {
  const int row = static_cast<int>(index);
  emit dataChanged(this->index(row, 0), this->index(row, ColumnCount - 1));
}

void KeywordListModel::RowsAboutToBeRemoved(std::size_t first, std::size_t count) {
  beginRemoveRows({}, static_cast<int>(first), static_cast<int>(first + count - 1));
}

void KeywordListModel::RowsRemoved(std::size_t /*first*/, std::size_t /*count*/) {
  endRemoveRows();
}

void KeywordListModel::ListAboutToBeReset() {
  beginResetModel();
}

void KeywordListModel::ListReset() {
  endResetModel();
}

}  // namespace quillmark::ui

#include "ui/top_search_list_model.h"

#include "ui/text_convert.h"

namespace quillmark::ui {

TopSearchListModel::TopSearchListModel(TopSearchList& list, QObject* parent)
    : QAbstractTableModel(parent), list_(list), shown_(static_cast<int>(list.Count())) {
  list_.SetObserver(this);
}

TopSearchListModel::~TopSearchListModel() {
  list_.SetObserver(nullptr);
}

int TopSearchListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : shown_;
}

int TopSearchListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount;
}

QVariant TopSearchListModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.row() >= shown_ ||
      static_cast<std::size_t>(index.row()) >= list_.Count())
    return {};
  const TopSearchRow& row = list_.Row(static_cast<std::size_t>(index.row()));
  return ToQString(index.column() == kRank ? row.caption : row.keyword);
}

QVariant TopSearchListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  switch (section) {
    case kRank:
      return QStringLiteral("Rank");
    case kKeyword:
      return QStringLiteral("Keyword");
    default:
      return {};
  }
}

void TopSearchListModel::RowAppended(std::size_t index) {
  const int row = static_cast<int>(index);
  beginInsertRows({}, shown_, row);
  shown_ = row + 1;
  endInsertRows();
}

void TopSearchListModel::ListCleared() {
  beginResetModel();
  shown_ = 0;
  endResetModel();
}

}  // namespace quillmark::ui

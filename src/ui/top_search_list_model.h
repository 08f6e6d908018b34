#pragma once
// The top searches list as the window's ListView1 shows it: columns "Rank" and "Keyword".

#include <QAbstractTableModel>

#include "research/top_search_list.h"

namespace quillmark::ui {

class TopSearchListModel : public QAbstractTableModel, private TopSearchListObserver {
  Q_OBJECT

 public:
  enum Column { kRank, kKeyword, ColumnCount };

  // Becomes the list's observer for as long as the model lives.
  explicit TopSearchListModel(TopSearchList& list, QObject* parent = nullptr);
  ~TopSearchListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;

 private:
  void RowAppended(std::size_t index) override;
  void ListCleared() override;

  TopSearchList& list_;
  // The list tells of a change after it has happened; the model reports the rows the view has
  // been told about, so that its begin/end notifications stay consistent.
  int shown_ = 0;
};

}  // namespace quillmark::ui

#pragma once
// Shows the core's keyword list to ListView1: one row per keyword row, the eight columns of
// the list, the check box in the Keyword column. The list stays the one store; the model only
// adapts it and passes check-box clicks back to it. With a comparison, the Rank and Demand cells
// also tell how their figure changed since the phrase's earlier runs (kChangeRole), which a
// delegate draws beside the text, and the tooltip says what it was.

#include <QAbstractTableModel>
#include <QVariant>

#include "research/keyword_list.h"

namespace quillmark::session {
class RunComparison;
}

namespace quillmark::ui {

class KeywordListModel : public QAbstractTableModel, private KeywordListObserver {
  Q_OBJECT

 public:
  enum Column {
    kKeyword,
    kDemand,
    kSupply,
    kCostPerProspect,
    kRank,
    kProfitability,
    kEstimatedProspects,
    kKeywordEffectiveness,
    ColumnCount
  };
  enum Role {
    // The change marker of a Rank or Demand cell ("▲3", "▼12", "new"), a QString; and its
    // session::CellChange::Kind, an int.
    kChangeRole = Qt::UserRole + 1,
    kChangeKindRole,
  };

  explicit KeywordListModel(KeywordList& list, QObject* parent = nullptr);
  ~KeywordListModel() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  // Sorts the list itself, once, with the list's column comparison; the order is always the
  // column's own, whatever `order` says.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  // The comparison the change markers come from; nullptr shows none. Must outlive its use.
  void SetComparison(session::RunComparison* comparison);
  session::RunComparison* Comparison() const { return comparison_; }

 private:
  // A cell that is no plain measured figure (ShowCell: it rests on a lookup that failed or was
  // stopped, on an unknown figure, or on figures that give no real value) is tinted, and its
  // tooltip says why, so a "-", "?" or "0" that was never measured is not taken for one that was.
  QVariant CellNote(const KeywordRow& row, int column, int role) const;

  void RowsAboutToBeAppended(std::size_t first, std::size_t count) override;
  void RowsAppended(std::size_t first, std::size_t count) override;
  void RowChanged(std::size_t index) override;
  void RowsAboutToBeRemoved(std::size_t first, std::size_t count) override;
  void RowsRemoved(std::size_t first, std::size_t count) override;
  void ListAboutToBeReset() override;
  void ListReset() override;

  // The change marker's text, kind or tooltip line for a cell; an empty QVariant for none.
  QVariant Change(const KeywordRow& row, int column, int role) const;

  KeywordList& list_;
  session::RunComparison* comparison_ = nullptr;
};

}  // namespace quillmark::ui

#pragma once
// Draws the report list's cells with their grid lines, and beside the text of a Rank or Demand
// cell its change since the phrase's earlier runs (KeywordListModel::kChangeRole): green for up,
// red for down, a muted text colour for "new". The cell's text stays as it is; a marker that finds
// no room beside it is left out (the tooltip still tells).

#include "ui/grid_line_delegate.h"

namespace quillmark::ui {

class ChangeMarkerDelegate : public GridLineDelegate {
  Q_OBJECT

 public:
  using GridLineDelegate::GridLineDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

}  // namespace quillmark::ui

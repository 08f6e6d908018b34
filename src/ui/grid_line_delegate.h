#pragma once
// Draws the report list's grid lines: a light line under and to the right of every cell.

#include <QStyledItemDelegate>

namespace quillmark::ui {

class GridLineDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
};

}  // namespace quillmark::ui

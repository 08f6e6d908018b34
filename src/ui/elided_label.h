#pragma once
// A one-line label that, short of room, leaves out the middle of its text behind an ellipsis
// rather than cutting off its end: "DataForSEO, Bosn…/Bosnian" keeps the source and the
// language in sight. text() stays whole; the tooltip is the place for all of it.

#include <QLabel>

namespace quillmark::ui {

class ElidedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  // Room for a few letters either side of the ellipsis: the layout may shrink it that far.
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace quillmark::ui

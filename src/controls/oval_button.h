#pragma once
// An elliptical push button that paints itself: the face is an ellipse filling the control, a
// rim of concentric arcs makes it look raised or sunken, and the caption (with an optional
// glyph) sits in the middle. Only a press inside the ellipse counts.

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

class QPainter;

namespace quillmark {

class TOvalButton : public QWidget {
  Q_OBJECT
  // For Designer forms that promote a QWidget: dynamic properties of these names reach here.
  Q_PROPERTY(QString caption READ Caption WRITE SetCaption)
  Q_PROPERTY(int bevelWidth READ BevelWidth WRITE SetBevelWidth)
  Q_PROPERTY(QColor color READ Color WRITE SetColor)
  Q_PROPERTY(bool down READ Down WRITE SetDown)
  Q_PROPERTY(bool flat READ Flat WRITE SetFlat)
  Q_PROPERTY(int groupIndex READ GroupIndex WRITE SetGroupIndex)
  Q_PROPERTY(bool transparent READ Transparent WRITE SetTransparent)

 public:
  enum class TButtonLayout { blGlyphBottom, blGlyphLeft, blGlyphRight, blGlyphTop };
  // Rim states: raised, sunken, or no rim at all (a flat button with the mouse elsewhere).
  static constexpr int kRaised = 1;
  static constexpr int kSunken = -1;
  static constexpr int kNoBevel = 0;
  // The longest caption drawn; the rest is cut off.
  static constexpr int kMaxCaption = 79;

  explicit TOvalButton(QWidget* parent = nullptr);
  ~TOvalButton() override;

  // Arcs in each half of the rim, 1 to 10.
  int BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(int width);
  // One line, centred; "&" underlines the next letter, which Alt clicks with.
  const QString& Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  // The face; the rim's highlight and shadow follow it.
  const QColor& Color() const { return color_; }
  void SetColor(const QColor& color);
  // Held pressed: the rim stays sunken.
  bool Down() const { return down_; }
  void SetDown(bool down);
  // No outline, and a rim only while the mouse is over the ellipse.
  bool Flat() const { return flat_; }
  void SetFlat(bool flat);
  // Non-zero: each click toggles Down.
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int index) { group_index_ = index; }
  // Face and caption background left unpainted.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);

  // Up to four cells side by side: normal, disabled, pressed. Its bottom-left pixel becomes
  // the TransparentColor.
  const QPixmap& Glyph() const { return glyph_; }
  void SetGlyph(const QPixmap& glyph);
  // Cells in the glyph, 0 to 4; 0 draws no glyph.
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int count);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout layout);
  // Extra shift of the glyph away from the centre, and the gap between glyph and caption.
  int Margin() const { return margin_; }
  void SetMargin(int margin);
  int Spacing() const { return spacing_; }
  void SetSpacing(int spacing);
  // The glyph colour through which the face shows.
  const QColor& TransparentColor() const { return transparent_color_; }
  void SetTransparentColor(const QColor& colour);

  // The rim colours, from the face.
  const QColor& HighlightColour() const { return highlight_colour_; }
  const QColor& ShadowColour() const { return shadow_colour_; }
  int BevelState() const { return bevel_state_; }
  // The mouse over the ellipse, as last seen.
  bool MouseInside() const { return mouse_inside_; }

  // Whether `point`, in the control's coordinates, lies in the ellipse.
  bool IsInside(const QPoint& point) const;

  QSize sizeHint() const override;

 signals:
  // A press that sank the button released inside the ellipse, or the caption's Alt+letter.
  void Click();
  void DblClick();

 protected:
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  // Stores a changed value and repaints; true when it changed.
  template <typename T>
  bool Change(T& field, const T& value);
  void ComputeRim();
  void Press(const QPoint& at);
  void SetBevelState(int state);
  void GrabAccelerator();
  void DrawBevel(QPainter& painter) const;
  // Draws the glyph and returns where it went (empty without a glyph).
  QRect DrawGlyph(QPainter& painter, const QSize& text) const;
  void DrawCaption(QPainter& painter, const QString& text, const QSize& size,
                   const QRect& glyph) const;

  int bevel_width_ = 1;
  QString caption_;
  QColor color_;
  QColor highlight_colour_;
  QColor shadow_colour_;
  bool down_ = false;
  bool flat_ = false;
  int group_index_ = 0;
  bool transparent_ = false;
  QPixmap glyph_;
  int num_glyphs_ = 0;
  TButtonLayout layout_ = TButtonLayout::blGlyphBottom;
  int margin_ = 0;
  int spacing_ = 4;
  QColor transparent_color_ = Qt::black;

  int bevel_state_ = kRaised;
  bool mouse_inside_ = false;
  // A mouse button went down on the control and has not come up.
  bool pressing_ = false;
  // The press sank the button, at once or when the mouse moved into the ellipse: only such a
  // press clicks, and only when it ends inside the ellipse.
  bool sank_ = false;
  bool down_at_press_ = false;
  int accelerator_ = 0;
};

}  // namespace quillmark

#include "controls/oval_button.h"

#include <QBitmap>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcutEvent>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <tuple>

#include "imaging/hls_colours.h"

namespace quillmark {
namespace {

constexpr QSize kNewSize(100, 50);
// How far the rim colours move from the face, in tenths.
constexpr int kDarkTenths = 4;
constexpr int kLightTenths = 5;

// Half of a signed difference, rounded down: content larger than the button starts to the
// left of it.
int Half(int difference) {
  return difference >= 0 ? difference / 2 : -((1 - difference) / 2);
}

QColor FromBytes(const TRgbBytes& bytes) {
  return QColor(bytes.red, bytes.green, bytes.blue);
}

// Qt measures arc angles on the circle the ellipse is stretched from, so the radial through a
// point is found in the ellipse's own unit coordinates. Sixteenths of a degree.
int RadialAngle(const QRectF& ellipse, const QPointF& through) {
  const double x = (through.x() - ellipse.center().x()) / (ellipse.width() / 2);
  const double y = (ellipse.center().y() - through.y()) / (ellipse.height() / 2);
  return static_cast<int>(std::lround(std::atan2(y, x) * 180 / std::numbers::pi * 16));
}

// The counter-clockwise sweep from one angle to the other, in (0, 360] degrees.
int Sweep(int from, int to) {
  constexpr int kFullTurn = 360 * 16;
  const int span = ((to - from) % kFullTurn + kFullTurn) % kFullTurn;
  return span == 0 ? kFullTurn : span;
}

}  // namespace

TOvalButton::TOvalButton(QWidget* parent)
    : QWidget(parent), color_(palette().color(QPalette::Button)) {
  resize(kNewSize);
  // The flat rim follows the mouse without a button held.
  setMouseTracking(true);
  ComputeRim();
}

TOvalButton::~TOvalButton() = default;

QSize TOvalButton::sizeHint() const {
  return kNewSize;
}

bool TOvalButton::IsInside(const QPoint& point) const {
  if (width() <= 0 || height() <= 0) return false;
  const double rx = width() / 2.0;
  const double ry = height() / 2.0;
  const double dx = (point.x() + 0.5 - rx) / rx;
  const double dy = (point.y() + 0.5 - ry) / ry;
  return dx * dx + dy * dy <= 1;
}

// --- Properties ---

template <typename T>
bool TOvalButton::Change(T& field, const T& value) {
  if (field == value) return false;
  field = value;
  update();
  return true;
}

void TOvalButton::ComputeRim() {
  const QColor rgb = color_.toRgb();
  const TBevelColours rim =
      BevelColours({static_cast<std::uint8_t>(rgb.red()), static_cast<std::uint8_t>(rgb.green()),
                    static_cast<std::uint8_t>(rgb.blue())},
                   kDarkTenths, kLightTenths);
  highlight_colour_ = FromBytes(rim.highlight);
  shadow_colour_ = FromBytes(rim.shadow);
}

void TOvalButton::SetBevelWidth(int width) {
  Change(bevel_width_, std::clamp(width, 1, 10));
}

void TOvalButton::SetCaption(const QString& caption) {
  if (Change(caption_, caption)) GrabAccelerator();
}

void TOvalButton::SetColor(const QColor& color) {
  if (Change(color_, color)) ComputeRim();
}

void TOvalButton::SetDown(bool down) {
  if (Change(down_, down)) SetBevelState(down ? kSunken : (flat_ ? kNoBevel : kRaised));
}

void TOvalButton::SetFlat(bool flat) {
  // A button held down stays sunken whatever its outline.
  if (Change(flat_, flat) && !down_) SetBevelState(flat ? kNoBevel : kRaised);
}

void TOvalButton::SetTransparent(bool transparent) {
  Change(transparent_, transparent);
}

void TOvalButton::SetGlyph(const QPixmap& glyph) {
  glyph_ = glyph;
  if (!glyph.isNull()) transparent_color_ = glyph.toImage().pixelColor(0, glyph.height() - 1);
  update();
}

void TOvalButton::SetNumGlyphs(int count) {
  Change(num_glyphs_, std::clamp(count, 0, 4));
}

void TOvalButton::SetLayout(TButtonLayout layout) {
  Change(layout_, layout);
}

void TOvalButton::SetMargin(int margin) {
  Change(margin_, margin);
}

void TOvalButton::SetSpacing(int spacing) {
  Change(spacing_, spacing);
}

void TOvalButton::SetTransparentColor(const QColor& colour) {
  Change(transparent_color_, colour);
}

void TOvalButton::SetBevelState(int state) {
  Change(bevel_state_, state);
}

void TOvalButton::GrabAccelerator() {
  if (accelerator_ != 0) releaseShortcut(accelerator_);
  accelerator_ = 0;
  const QKeySequence mnemonic = QKeySequence::mnemonic(caption_);
  if (!mnemonic.isEmpty()) accelerator_ = grabShortcut(mnemonic);
}

// --- Painting ---

void TOvalButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setFont(font());
  // Strokes sit on pixel centres: the outline covers the pixels from 0 to width - 2, as the
  // rectangle (0, 0)-(width - 1, height - 1) of the design asks.
  painter.setPen(flat_ ? QPen(Qt::NoPen) : QPen(Qt::black, 1));
  painter.setBrush(transparent_ ? QBrush(Qt::NoBrush) : QBrush(color_));
  painter.drawEllipse(QRectF(0.5, 0.5, width() - 2, height() - 2));

  DrawBevel(painter);
  const QString text = caption_.left(kMaxCaption);
  const QSize text_size =
      text.isEmpty() ? QSize()
                     : QFontMetrics(font()).size(Qt::TextSingleLine | Qt::TextShowMnemonic, text);
  const QRect glyph = DrawGlyph(painter, text_size);
  if (!text.isEmpty()) DrawCaption(painter, text, text_size, glyph);
}

void TOvalButton::DrawBevel(QPainter& painter) const {
  if (bevel_state_ == kNoBevel) return;
  const int w = width();
  const int h = height();
  const QPointF upper_right(4 * (w / 5), h / 5);
  const QPointF lower_left(w / 5, 4 * (h / 5));
  const QColor first = bevel_state_ == kSunken ? shadow_colour_ : highlight_colour_;
  const QColor second = bevel_state_ == kSunken ? highlight_colour_ : shadow_colour_;
  painter.setBrush(Qt::NoBrush);
  for (const auto& [colour, from, to] :
       {std::tuple{first, upper_right, lower_left}, std::tuple{second, lower_left, upper_right}}) {
    painter.setPen(QPen(colour, 1));
    for (int k = 1; k <= bevel_width_; ++k) {
      // The ellipse (k, k)-(w - k - 1, h - k - 1), one pixel inside the one before.
      const QRectF ring(k + 0.5, k + 0.5, w - 2 * k - 2, h - 2 * k - 2);
      if (ring.width() <= 0 || ring.height() <= 0) break;
      const QRectF bounds(k, k, w - 2 * k - 1, h - 2 * k - 1);
      const int start = RadialAngle(bounds, from);
      painter.drawArc(ring, start, Sweep(start, RadialAngle(bounds, to)));
    }
  }
}

QRect TOvalButton::DrawGlyph(QPainter& painter, const QSize& text) const {
  if (num_glyphs_ == 0 || glyph_.isNull()) return {};
  const int gw = glyph_.width() / num_glyphs_;
  const int gh = glyph_.height();
  int cell = 0;
  if (!isEnabled() && num_glyphs_ > 1) cell = 1;
  if (bevel_state_ == kSunken && num_glyphs_ > 2) cell = 2;

  const int w = width();
  const int h = height();
  const bool caption = !text.isEmpty();
  int left = Half(w - gw);
  int top = Half(h - gh);
  if (caption && layout_ == TButtonLayout::blGlyphLeft)
    left = Half(w - (text.width() + spacing_ + gw)) - margin_;
  if (caption && layout_ == TButtonLayout::blGlyphRight)
    left = Half(text.width() + spacing_ + gw + w) - gw + margin_;
  if (caption && layout_ == TButtonLayout::blGlyphTop)
    top = Half(h - (text.height() + spacing_ + gh)) - margin_;
  if (caption && layout_ == TButtonLayout::blGlyphBottom)
    top = Half(text.height() + spacing_ + gh + h) - gh + margin_;
  QRect at(left, top, gw, gh);
  // The whole control is painted afresh each time, so nothing is left to clear where a raised
  // glyph stood.
  if (bevel_state_ == kSunken) at.translate(1, 1);

  QPixmap picture = glyph_.copy(cell * gw, 0, gw, gh);
  picture.setMask(picture.createMaskFromColor(transparent_color_, Qt::MaskInColor));
  if (!transparent_) painter.fillRect(at, color_);
  painter.drawPixmap(at.topLeft(), picture);
  return {left, top, gw, gh};
}

void TOvalButton::DrawCaption(QPainter& painter, const QString& text, const QSize& size,
                              const QRect& glyph) const {
  int x = Half(width() - size.width());
  int y = Half(height() - size.height());
  if (!glyph.isEmpty()) {
    switch (layout_) {
      case TButtonLayout::blGlyphRight:
        x = glyph.left() - size.width() - spacing_;
        break;
      case TButtonLayout::blGlyphLeft:
        x = glyph.left() + glyph.width() + spacing_;
        break;
      case TButtonLayout::blGlyphTop:
        y = glyph.top() + glyph.height() + spacing_;
        break;
      case TButtonLayout::blGlyphBottom:
        y = glyph.top() - size.height() - spacing_;
        break;
    }
  }
  if (bevel_state_ == kSunken) {
    ++x;
    ++y;
  }
  const QRect at(QPoint(x, y), size);
  if (!transparent_) painter.fillRect(at, color_);
  painter.setPen(isEnabled() ? palette().color(QPalette::ButtonText)
                             : palette().color(QPalette::Disabled, QPalette::Text));
  painter.drawText(at, Qt::TextSingleLine | Qt::TextShowMnemonic, text);
}

// --- Mouse and keyboard ---

void TOvalButton::Press(const QPoint& at) {
  pressing_ = true;
  sank_ = false;
  down_at_press_ = down_;
  if (!isEnabled() || !IsInside(at)) return;
  mouse_inside_ = true;
  down_ = true;
  sank_ = true;
  SetBevelState(kSunken);
}

void TOvalButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  Press(event->position().toPoint());
}

void TOvalButton::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseDoubleClickEvent(event);
  const QPoint at = event->position().toPoint();
  Press(at);
  if (isEnabled() && IsInside(at)) emit DblClick();
}

void TOvalButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  const bool inside = IsInside(event->position().toPoint());
  const bool clicked = sank_ && inside && isEnabled();
  if (inside && isEnabled()) {
    if (group_index_ == 0) {
      down_ = false;
      SetBevelState(kRaised);
    } else if (sank_) {
      SetDown(!down_at_press_);
    }
  } else if (sank_) {
    // A press taken away from the ellipse leaves the button as it found it.
    SetDown(down_at_press_);
  }
  pressing_ = false;
  sank_ = false;
  // Last: a click may close the window that holds the button.
  if (clicked) emit Click();
}

void TOvalButton::mouseMoveEvent(QMouseEvent* event) {
  const bool inside = IsInside(event->position().toPoint());
  if (pressing_) {
    if (inside && bevel_state_ == kRaised && group_index_ == 0) {
      mouse_inside_ = true;
      down_ = true;
      sank_ = true;
      SetBevelState(kSunken);
    } else if (!inside) {
      if (bevel_state_ == kSunken && group_index_ == 0 && mouse_inside_) {
        down_ = false;
        SetBevelState(kRaised);
      }
      mouse_inside_ = false;
    }
  } else if (!flat_ || down_) {
    mouse_inside_ = inside;
  } else if (inside != mouse_inside_) {
    // A flat button shows its rim only while the mouse is over the ellipse.
    mouse_inside_ = inside;
    SetBevelState(inside ? kRaised : kNoBevel);
  }
  QWidget::mouseMoveEvent(event);
}

void TOvalButton::leaveEvent(QEvent* event) {
  if (mouse_inside_ && isEnabled()) {
    mouse_inside_ = false;
    if (flat_ && !down_) SetBevelState(kNoBevel);
  }
  QWidget::leaveEvent(event);
}

bool TOvalButton::event(QEvent* event) {
  if (event->type() == QEvent::Shortcut &&
      static_cast<QShortcutEvent*>(event)->shortcutId() == accelerator_) {
    if (isEnabled()) emit Click();
    return true;
  }
  return QWidget::event(event);
}

}  // namespace quillmark

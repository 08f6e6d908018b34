#include "ui/tip_of_the_day.h"

#include <chrono>

#include "ui/centre_on_screen.h"
#include "ui/classic_font.h"
#include "ui_tip_of_the_day.h"

namespace quillmark::ui {
namespace {

constexpr QSize kClientSize(432, 220);
constexpr int kHeadingPixels = 21;

Qt::WindowFlags BorderFlags(TFormBorderStyle style) {
  constexpr Qt::WindowFlags kTitle = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  switch (style) {
    case TFormBorderStyle::bsNone:
      return Qt::Dialog | Qt::FramelessWindowHint;
    case TFormBorderStyle::bsSingle:
    case TFormBorderStyle::bsSizeable:
      return Qt::Dialog | kTitle | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
             Qt::WindowCloseButtonHint;
    case TFormBorderStyle::bsDialog:
      return Qt::Dialog | kTitle;
    case TFormBorderStyle::bsToolWindow:
    case TFormBorderStyle::bsSizeToolWin:
      return Qt::Tool | kTitle | Qt::WindowCloseButtonHint;
  }
  return Qt::Dialog | kTitle;
}

bool Sizeable(TFormBorderStyle style) {
  return style == TFormBorderStyle::bsSizeable || style == TFormBorderStyle::bsSizeToolWin;
}

}  // namespace

Tfrm_TipOfTheDay::Tfrm_TipOfTheDay(QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<::Ui::Tfrm_TipOfTheDay>()) {
  ui_->setupUi(this);
  UseClassicFont(*this);
  // Designer fonts carry points only; the heading's height is given in pixels.
  QFont heading = ui_->lbl_DidYouKnow->font();
  heading.setPixelSize(kHeadingPixels);
  ui_->lbl_DidYouKnow->setFont(heading);
  SetBorderStyle(border_style_);
  connect(ui_->btn_Next, &QPushButton::clicked, this, &Tfrm_TipOfTheDay::btn_NextClick);
  connect(ui_->btn_Close, &QPushButton::clicked, this, &QDialog::accept);
}

Tfrm_TipOfTheDay::~Tfrm_TipOfTheDay() = default;

void Tfrm_TipOfTheDay::SetBorderStyle(TFormBorderStyle style) {
  border_style_ = style;
  // Changing the flags hides a window; the form is hidden between showings anyway.
  setWindowFlags(BorderFlags(style));
  if (Sizeable(style)) {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(kClientSize);
  } else {
    setFixedSize(kClientSize);
  }
}

void Tfrm_TipOfTheDay::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
  // Shown from a timer, it may open over another modal window: it belongs on top of it.
  raise();
  activateWindow();
  random_.seed(static_cast<std::mt19937::result_type>(
      std::chrono::system_clock::now().time_since_epoch().count()));
  ui_->btn_Next->setEnabled(tips_.size() > 1);
  ShowRandomTip();
  ui_->btn_Next->setFocus(Qt::OtherFocusReason);
}

void Tfrm_TipOfTheDay::ShowRandomTip() {
  if (tips_.isEmpty()) {
    ui_->lbl_Tip->setText(QStringLiteral("Sorry, the list of tips is empty..."));
    return;
  }
  std::uniform_int_distribution<qsizetype> position(0, tips_.size() - 1);
  ui_->lbl_Tip->setText(tips_.at(position(random_)));
}

void Tfrm_TipOfTheDay::btn_NextClick() {
  ShowRandomTip();
}

}  // namespace quillmark::ui

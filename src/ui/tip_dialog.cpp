#include "ui/tip_dialog.h"

#include <QPalette>

#include "ui_tip_of_the_day.h"

namespace quillmark::ui {
namespace {

QColor Background(const QWidget& widget) {
  return widget.palette().color(QPalette::Window);
}

void SetBackground(QWidget& widget, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, colour);
  widget.setPalette(palette);
}

}  // namespace

TmxTipDialog::TmxTipDialog(QWidget* owner)
    : QObject(owner), form_(std::make_unique<Tfrm_TipOfTheDay>(owner)) {
  form_->setObjectName(QStringLiteral("frm_TipOfTheDay"));
}

TmxTipDialog::~TmxTipDialog() = default;

void TmxTipDialog::Execute() {
  // Already on the screen: a second modal loop over the same form would only stack up.
  if (form_->isVisible()) return;
  bool state = StartupState();
  if (on_execute_) on_execute_(this, state);
  SetStartupState(state);
  form_->exec();
  if (on_close_) on_close_(this, StartupState());
}

QColor TmxTipDialog::BackColor() const {
  return Background(*form_->Form().Panel_Back);
}

void TmxTipDialog::SetBackColor(const QColor& colour) {
  // The heading's band takes the tip area's colour from its parent.
  SetBackground(*form_->Form().Panel_Back, colour);
}

QString TmxTipDialog::Caption() const {
  return form_->windowTitle();
}

void TmxTipDialog::SetCaption(const QString& caption) {
  form_->setWindowTitle(caption);
}

QString TmxTipDialog::CloseButton() const {
  return form_->Form().btn_Close->text();
}

void TmxTipDialog::SetCloseButton(const QString& caption) {
  form_->Form().btn_Close->setText(caption);
}

QString TmxTipDialog::Header() const {
  return form_->Form().lbl_DidYouKnow->text();
}

void TmxTipDialog::SetHeader(const QString& header) {
  form_->Form().lbl_DidYouKnow->setText(header);
}

QPixmap TmxTipDialog::Image() const {
  return form_->Form().Image->pixmap();
}

void TmxTipDialog::SetImage(const QPixmap& image) {
  // QPixmap shares its data until one side changes it, which makes this the copy.
  form_->Form().Image->setPixmap(image);
}

QColor TmxTipDialog::ImageBackColor() const {
  return Background(*form_->Form().Panel_Image);
}

void TmxTipDialog::SetImageBackColor(const QColor& colour) {
  SetBackground(*form_->Form().Panel_Image, colour);
  SetBackground(*form_->Form().Panel_Separator, colour);
}

QString TmxTipDialog::NextButton() const {
  return form_->Form().btn_Next->text();
}

void TmxTipDialog::SetNextButton(const QString& caption) {
  form_->Form().btn_Next->setText(caption);
}

QString TmxTipDialog::StartupCaption() const {
  return form_->Form().chk_ShowNextTime->text();
}

void TmxTipDialog::SetStartupCaption(const QString& caption) {
  form_->Form().chk_ShowNextTime->setText(caption);
}

bool TmxTipDialog::StartupState() const {
  return form_->Form().chk_ShowNextTime->isChecked();
}

void TmxTipDialog::SetStartupState(bool shown) {
  form_->Form().chk_ShowNextTime->setChecked(shown);
}

QString TmxTipDialog::Version() const {
  return QStringLiteral("%1.%2").arg((kVersion >> 8) & 0xff).arg(kVersion & 0xff);
}

}  // namespace quillmark::ui

#include "ui/about_window.h"

#include "ui/centre_on_screen.h"
#include "ui/classic_font.h"
#include "ui/desktop_open.h"
#include "ui/homepage.h"
#include "ui/jpeg_image.h"
#include "ui/pictures.h"
#include "ui_about_window.h"

namespace quillmark::ui {

TInfoForm::TInfoForm(QWidget* parent) : QDialog(parent), ui_(std::make_unique<::Ui::TInfoForm>()) {
  RegisterPictures();
  ui_->setupUi(this);
  UseClassicFont(*this);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFixedSize(size());
  // A picture that cannot be decoded leaves its frame empty.
  ui_->Image2->setPixmap(
      QPixmap::fromImage(LoadJpeg(QStringLiteral(":/pictures/about-title.jpg"))));
  ui_->Image1->setPixmap(
      QPixmap::fromImage(LoadJpeg(QStringLiteral(":/pictures/about-product.jpg"))));
  connect(ui_->BitBtn3, &TOvalButton::Click, this, &TInfoForm::BitBtn3Click);
  connect(ui_->OvalButton1, &TOvalButton::Click, this, &TInfoForm::OvalButton1Click);
  connect(ui_->OvalButton3, &TOvalButton::Click, this, &TInfoForm::OvalButton3Click);
}

TInfoForm::~TInfoForm() = default;

void TInfoForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  CentreOnScreen(*this);
}

void TInfoForm::BitBtn3Click() {
  reject();
}

void TInfoForm::OvalButton1Click() {
  // The subject's blank is written as it is; the mail link's reader decodes either form.
  OpenWithDesktop(QUrl(QStringLiteral("mailto:") + QLatin1String(kSupportAddress) +
                       QStringLiteral("?subject=Quillmark Help")));
}

void TInfoForm::OvalButton3Click() {
  OpenWithDesktop(QUrl(QLatin1String(kHomepageUrl)));
}

}  // namespace quillmark::ui

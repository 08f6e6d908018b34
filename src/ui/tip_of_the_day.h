#pragma once
// The tip-of-the-day form: one hint picked at random from its own list, a button for another
// and the "show at startup" check box. The tip dialog component owns it and shows it.

#include <QDialog>
#include <QStringList>
#include <memory>
#include <random>

namespace Ui {
class Tfrm_TipOfTheDay;
}

namespace quillmark::ui {

// The kinds of window border a form can have.
enum class TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };

class Tfrm_TipOfTheDay : public QDialog {
  Q_OBJECT

 public:
  explicit Tfrm_TipOfTheDay(QWidget* parent = nullptr);
  ~Tfrm_TipOfTheDay() override;

  // The controls, for the component whose properties live in them.
  ::Ui::Tfrm_TipOfTheDay& Form() { return *ui_; }
  const ::Ui::Tfrm_TipOfTheDay& Form() const { return *ui_; }

  // In order, duplicates allowed.
  const QStringList& Tips() const { return tips_; }
  void SetTips(const QStringList& tips) { tips_ = tips; }

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle style);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Any tip of the list, each with the same chance; the one on display can come again.
  void ShowRandomTip();
  void btn_NextClick();

  std::unique_ptr<::Ui::Tfrm_TipOfTheDay> ui_;
  QStringList tips_;
  TFormBorderStyle border_style_ = TFormBorderStyle::bsDialog;
  std::mt19937 random_;
};

}  // namespace quillmark::ui

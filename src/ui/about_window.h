#pragma once
// The About window: the product's title and picture, its version, and buttons to close, to
// write to support and to visit the homepage. Created once at start-up and shown modally; it
// never changes, so every showing looks the same.

#include <QDialog>
#include <memory>

namespace Ui {
class TInfoForm;
}

namespace quillmark::ui {

// Where "Support" writes to.
inline constexpr char kSupportAddress[] = "support@quillmark.example";

class TInfoForm : public QDialog {
  Q_OBJECT

 public:
  explicit TInfoForm(QWidget* parent = nullptr);
  ~TInfoForm() override;

  Ui::TInfoForm& Form() { return *ui_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // "Close" ends the showing as cancelled, as the close box does; nobody looks at the result.
  void BitBtn3Click();
  // A new mail to support with the subject "Quillmark Help".
  void OvalButton1Click();
  // The homepage in the browser.
  void OvalButton3Click();

  std::unique_ptr<::Ui::TInfoForm> ui_;
};

}  // namespace quillmark::ui

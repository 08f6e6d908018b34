#pragma once
// The Data Source dialog (File > "Data Source..."): where the research's numbers come from (the
// bundled stand-in, DataForSEO, the user's own endpoints), the DataForSEO account, the market,
// and the provider's reply cache. It shows the choice the research uses, the command line's part
// of it included, and what it saves applies from the next Start.

#include <QDialog>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "sources/account.h"
#include "sources/source.h"
#include "store/settings_key.h"
#include "ui/window_sources.h"

class QTextEdit;

namespace Ui {
class DataSourceDialog;
}

namespace quillmark::ui {

class DataSourceDialog : public QDialog {
  Q_OBJECT

 public:
  // `command_line`: what the command line fixed for this start, shown in place of the settings.
  explicit DataSourceDialog(QWidget* parent = nullptr, CommandLineChoice command_line = {});
  ~DataSourceDialog() override;

  Ui::DataSourceDialog& Form() { return *ui_; }
  // Why the remembered source cannot be used, shown above the choices; "" shows nothing.
  void SetReason(const QString& reason);
  // Whether an account check is on its way.
  bool Checking() const { return checking_.joinable(); }

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Fills the controls from the choice in use, the credentials and the cache.
  void Load();
  // The account's fields and the word beside them: the environment's account read-only, "saved"
  // only for a credentials file that can be used, else why not.
  void LoadAccount();
  void ShowAccountNote(const QString& note);
  // OK: stores the choices, and the account when one was typed. A choice that cannot be kept
  // is said in the dialog, which stays open; "" when all is stored.
  QString Save();
  QString SaveAccount();
  void OkClick();
  void CheckClick();
  void ClearCacheClick();
  void ShowCheck(std::uint64_t check, const sources::AccountCheck& outcome);
  void StopChecking();
  void ShowCacheSize();
  // The research source chosen: the stand-in, DataForSEO or the endpoints.
  sources::SourceKind ChosenKind() const;
  void EnableForKind();

  std::unique_ptr<::Ui::DataSourceDialog> ui_;
  CommandLineChoice command_line_;
  store::SourceChoice loaded_;
  sources::SourceKind loaded_kind_ = sources::SourceKind::kStandIn;
  sources::AccountInEnvironment environment_ = sources::AccountInEnvironment::kNone;
  std::thread checking_;
  std::shared_ptr<std::atomic<bool>> check_cancelled_;
  // Numbers the checks, so that a late reply of one given up shows nothing.
  std::uint64_t check_number_ = 0;
  int height_without_reason_ = 0;
  int reason_shift_ = 0;  // how far the reason moved the controls down
};

}  // namespace quillmark::ui

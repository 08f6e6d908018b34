#pragma once
// The Data Source dialog (File > "Data Source..."): where the research's numbers come from (the
// bundled stand-in, DataForSEO, the user's own endpoints), the DataForSEO account, the market,
// and the provider's reply cache. What it saves applies from the next Start.

#include <QDialog>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "sources/account.h"
#include "sources/source.h"
#include "store/settings_key.h"

namespace Ui {
class DataSourceDialog;
}

namespace quillmark::ui {

class DataSourceDialog : public QDialog {
  Q_OBJECT

 public:
  explicit DataSourceDialog(QWidget* parent = nullptr);
  ~DataSourceDialog() override;

  Ui::DataSourceDialog& Form() { return *ui_; }
  // Why the remembered source cannot be used, shown above the choices; "" shows nothing.
  void SetReason(const QString& reason);
  // Whether an account check is on its way.
  bool Checking() const { return checking_.joinable(); }

  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Fills the controls from the settings, the credentials file and the cache.
  void Load();
  // OK: stores the choices, and the account when one was typed. A choice that cannot be kept
  // is said in the dialog, which stays open; "" when all is stored.
  QString Save();
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
  store::SourceChoice loaded_;
  sources::SourceKind loaded_kind_ = sources::SourceKind::kStandIn;
  std::thread checking_;
  std::shared_ptr<std::atomic<bool>> check_cancelled_;
  // Numbers the checks, so that a late reply of one given up shows nothing.
  std::uint64_t check_number_ = 0;
  int height_without_reason_ = 0;
  int reason_shift_ = 0;  // how far the reason moved the controls down
};

}  // namespace quillmark::ui

// The dialog's entries and the tips flag survive a restart: the windows are made again, as at
// the next start of the program, over the same settings folder.

#include "store/registry_store.h"
#include "store/settings_key.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

class SettingsRoundTripTest : public WindowTest {
 protected:
  void Restart() {
    CloseWindows();
    MakeWindows(endpoints_);
  }
  std::vector<std::string> Shown() {
    return {dialog_->SeedText(), dialog_->TargetUrl(), dialog_->MaxPagesText(),
            std::to_string(dialog_->MaxResults())};
  }
  Endpoints endpoints_ = Demo();
};

TEST_F(SettingsRoundTripTest, EntriesComeBackAfterARestart) {
  using Entries = std::vector<std::string>;
  MakeWindows(endpoints_);
  EXPECT_EQ(Shown(), (Entries{"", "", "3", "10"})) << "first start";
  EXPECT_TRUE(window_->TipsAtStartup());

  // Cancel still stores what was typed.
  AnswerDialog([](ui::TStartForm& dialog) {
    dialog.Form().LabeledEdit1->setText(QStringLiteral("garden sheds"));
    dialog.Form().HomepageEdit->setText(QStringLiteral("example.com"));
    dialog.Form().DepthCombo->setCurrentIndex(6);
    dialog.Form().MaxResultsSpinEdit->SetValue(30);
    dialog.Form().BitBtn2->click();
  });
  Start();
  window_->SetTipsAtStartup(false);
  window_->close();
  Restart();
  EXPECT_EQ(Shown(), (Entries{"garden sheds", "example.com", "7", "30"}));
  EXPECT_FALSE(window_->TipsAtStartup());

  const std::vector<std::pair<std::function<void(store::RegistryKey&)>, Entries>> stored = {
      {[](store::RegistryKey& key) { key.WriteDword("results", 500); },
       {"garden sheds", "example.com", "7", "100"}},
      // A wrong type ends the reading there: the rest keep the design-time "5" and 20.
      {[](store::RegistryKey& key) { key.WriteString("depth", "6"); },
       {"garden sheds", "example.com", "5", "20"}},
  };
  for (const auto& [write, shown] : stored) {
    CloseWindows();
    store::RegistryKey key = store::RegistryKey::OpenForWrite(store::kSettingsKeyPath);
    write(key);
    MakeWindows(endpoints_);
    EXPECT_EQ(Shown(), shown);
  }
}

}  // namespace
}  // namespace quillmark::testing

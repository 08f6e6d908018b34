// The tip of the day: the form's tips and buttons, the start-up state handed through Execute,
// and the main window's timer, menu entry and stored flag.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QSet>
#include <cstdint>
#include <optional>

#include "store/registry_store.h"
#include "store/settings_key.h"
#include "ui/tip_dialog.h"
#include "ui_tip_of_the_day.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

using ui::Tfrm_TipOfTheDay;
using ui::TmxTipDialog;

// Runs `act` on the form once it is on the screen, then closes it with "&Close".
void WhenShown(Tfrm_TipOfTheDay& form, std::function<void(Tfrm_TipOfTheDay&)> act = {}) {
  auto* timer = std::make_unique<QTimer>(&form).release();
  QObject::connect(timer, &QTimer::timeout, [timer, &form, act] {
    if (!form.isVisible()) return;
    timer->deleteLater();
    timer->stop();
    if (act) act(form);
    form.Form().btn_Close->click();
  });
  timer->start(2);
}

QString TipText(Tfrm_TipOfTheDay& form) {
  return form.Form().lbl_Tip->text();
}

TEST(TipDialogTest, ShowsATipFromTheListOrSaysItIsEmpty) {
  const QString empty = QStringLiteral("Sorry, the list of tips is empty...");
  struct Case {
    QStringList tips;
    bool next_enabled;
  };
  const Case cases[] = {
      {{}, false},
      {{QStringLiteral("only one")}, false},
      {{QStringLiteral("first"), QStringLiteral("second")}, true},
  };
  for (const Case& c : cases) {
    TmxTipDialog tip;
    tip.SetTips(c.tips);
    QSet<QString> seen;
    bool repeated = false;
    WhenShown(tip.Form(), [&](Tfrm_TipOfTheDay& form) {
      EXPECT_EQ(form.Form().btn_Next->isEnabled(), c.next_enabled) << c.tips.size();
      seen.insert(TipText(form));
      // "&Next" draws again and may repeat itself; disabled, it changes nothing.
      for (int press = 0; press < 64; ++press) {
        const QString before = TipText(form);
        form.Form().btn_Next->click();
        repeated = repeated || TipText(form) == before;
        seen.insert(TipText(form));
      }
    });
    tip.Execute();
    const QSet<QString> expected =
        c.tips.isEmpty() ? QSet<QString>{empty} : QSet<QString>(c.tips.begin(), c.tips.end());
    EXPECT_EQ(seen, expected) << c.tips.size();
    EXPECT_TRUE(repeated) << c.tips.size();
  }
}

TEST(TipDialogTest, ExecuteHandsTheStartupStateToItsHandlersAndKeepsTheUsersChoice) {
  TmxTipDialog tip;
  tip.SetTips({QStringLiteral("a tip")});
  std::vector<std::string> calls;
  tip.SetOnExecute([&](QObject* sender, bool& state) {
    EXPECT_EQ(sender, &tip);
    calls.push_back(state ? "execute:on" : "execute:off");
    state = false;
  });
  tip.SetOnClose([&](QObject*, bool state) { calls.push_back(state ? "close:on" : "close:off"); });
  WhenShown(tip.Form(), [&](Tfrm_TipOfTheDay& form) {
    EXPECT_FALSE(form.Form().chk_ShowNextTime->isChecked()) << "the handler's state shows";
    form.Form().chk_ShowNextTime->click();
  });
  tip.Execute();
  EXPECT_EQ(calls, (std::vector<std::string>{"execute:on", "close:on"}));
  EXPECT_TRUE(tip.StartupState());

  // The properties are the form's; the version is fixed.
  tip.setProperty("Version", QStringLiteral("9.9"));
  EXPECT_EQ(tip.property("Version").toString(), QStringLiteral("2.11"));
  tip.setProperty("ImageBackColor", QColor(Qt::darkRed));
  for (QWidget* part : {tip.Form().Form().Panel_Image, tip.Form().Form().Panel_Separator})
    EXPECT_EQ(part->palette().color(QPalette::Window), QColor(Qt::darkRed));
}

class TipsInTheWindowTest : public WindowTest {
 protected:
  Tfrm_TipOfTheDay& Form() { return window_->TipDialog().Form(); }
  // Counts the showings of the tip, each closed at once.
  void CountShowings() {
    window_->TipDialog().SetOnClose([this](QObject*, bool) {
      ++showings_;
      WhenShown(Form());
    });
    WhenShown(Form());
  }
  // Lets the start-up timer fire after a moment instead of five seconds.
  void FireTimerSoon() {
    TipsTimer().start(1);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !TipsTimer().isActive(); }));
    QCoreApplication::processEvents();
  }
  void ChooseTheMenuEntry() { window_->Form().ipoftheday1->trigger(); }

  int showings_ = 0;
};

TEST_F(TipsInTheWindowTest, TheTimerShowsATipWhenTheFlagSaysSoAndWakesTheMenuEntry) {
  struct Case {
    std::optional<std::uint32_t> stored;  // the settings store's "tips" value
    int shown_at_startup;
  };
  const Case cases[] = {{std::nullopt, 1}, {0, 0}};
  for (const Case& c : cases) {
    if (c.stored)
      store::RegistryKey::OpenForWrite(store::kSettingsKeyPath).WriteDword("tips", *c.stored);
    MakeWindows({});
    EXPECT_TRUE(TipsTimer().isSingleShot());
    EXPECT_EQ(TipsTimer().interval(), 5000);
    showings_ = 0;
    CountShowings();
    TipsTimer().start(3'600'000);
    ChooseTheMenuEntry();
    EXPECT_EQ(showings_, 0) << "the entry does nothing while the timer runs";

    FireTimerSoon();
    EXPECT_EQ(showings_, c.shown_at_startup) << c.stored.value_or(99);
    window_->SetTipsAtStartup(false);
    ChooseTheMenuEntry();
    EXPECT_EQ(showings_, c.shown_at_startup + 1) << "the entry ignores the flag";
    CloseWindows();
  }
}

TEST_F(TipsInTheWindowTest, TheUsersChoiceIsStoredWhenTheWindowCloses) {
  MakeWindows({});
  WhenShown(Form(), [](Tfrm_TipOfTheDay& form) { form.Form().chk_ShowNextTime->click(); });
  FireTimerSoon();
  EXPECT_FALSE(window_->TipsAtStartup());
  EXPECT_TRUE(store::LoadTipsFlag()) << "the store changes only when the window closes";
  window_->close();
  EXPECT_FALSE(store::LoadTipsFlag());
}

TEST_F(TipsInTheWindowTest, ATipDueWhileTheInvestigateDialogIsOpenShowsAboveIt) {
  MakeWindows({});
  QWidget* on_top = nullptr;
  AnswerDialog([&](ui::TStartForm& dialog) {
    TipsTimer().start(1);
    WhenShown(Form(), [&](Tfrm_TipOfTheDay&) { on_top = QApplication::activeModalWidget(); });
    WhenTrue([this] { return !TipsTimer().isActive() && !Form().isVisible(); },
             [&dialog] { dialog.Form().BitBtn2->click(); });
  });
  Start();
  EXPECT_EQ(on_top, &Form());
}

}  // namespace
}  // namespace quillmark::testing

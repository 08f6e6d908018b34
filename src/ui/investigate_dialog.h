#pragma once
// The Investigate dialog: the parameters of a research run. Created once at start-up, shown
// modally by each Start command; its entries are kept in the settings store across starts.

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "research/research_host.h"
#include "session/phrase_list.h"
#include "session/provider_calls.h"
#include "session/research_run.h"
#include "store/settings_key.h"

namespace Ui {
class TStartForm;
}

namespace quillmark::ui {

class TStartForm : public QDialog, public store::InvestigateEntries {
  Q_OBJECT

 public:
  // Loads the stored entries. The Investigate button empties `host`'s keyword list.
  explicit TStartForm(ResearchHost& host, QWidget* parent = nullptr);
  ~TStartForm() override;

  // What the run reads, at the moments it reads them.
  std::string SeedText() const;
  ResearchMode Mode() const;
  std::string TargetUrl() const;
  std::string MaxPagesText() const;
  int MaxResults() const;
  bool FilterUnwanted() const;
  std::vector<std::string> UnwantedTerms() const;
  // Whether "My phrases" is chosen in Option #1: the user's own phrases, not a seed's suggestions.
  bool UsesPhrases() const;
  // The phrases box read as a list, as the run would take it.
  session::PhraseList Phrases() const;
  // A seed research's request becomes a research of the phrases when "My phrases" is chosen:
  // the list, its number as the results, and its name where the seed stood.
  void TakePhrases(session::RunRequest& request) const;
  // A provider research's way to supply and rank: live, or through the provider's queue.
  void TakeEconomy(session::RunRequest& request) const;
  // USD above which a provider research's worst case is asked about before it starts ("Ask
  // before a run that may cost more than $"); 0 never asks. Kept in the settings.
  double AskAboveCost() const;
  // Whether the research it starts is a provider's: then the dialog says its worst case in calls
  // and money as the entries change.
  void SetPriced(bool priced);

  // The stored entries.
  void SetKeyterm(const std::string& text) override;
  void SetHome(const std::string& text) override;
  // A position outside the list selects "3", so a run never meets an empty pages text.
  void SetDepth(std::uint32_t index) override;
  void SetResults(std::uint32_t value) override;
  std::string Keyterm() override { return SeedText(); }
  std::string Home() override { return TargetUrl(); }
  std::uint32_t Depth() override;
  std::uint32_t Results() override;

  Ui::TStartForm& Form() { return *ui_; }

  // Closing, whichever way, stores the entries.
  void done(int result) override;

 protected:
  // Enter and Escape press neither button: the user must choose one.
  void keyPressEvent(QKeyEvent* event) override;

 private slots:
  void BitBtn1Click();
  void BitBtn2Click();
  void RadioButton1Click();
  void RadioButton2Click();
  // "Its suggestions" and "My phrases": which way into Option #1 shows.
  void ShowWayIn();
  // "Load from file...": a .txt file's lines or a .csv file's first column into the box.
  void LoadPhrasesClick();
  void ShowPhrasesCount();
  void ShowEstimate();

 private:
  // The seed research the entries make, as it is priced.
  session::RunRequest PricedRequest() const;
  // Its worst case when the research is a provider's, else none.
  std::optional<session::WorstCase> WorstCase() const;
  // Whether a research that may cost more than AskAboveCost() is to start: asks the user.
  bool CostAccepted();

  std::unique_ptr<Ui::TStartForm> ui_;
  ResearchHost& host_;
  // The name of the file the phrases were loaded from, until they are edited; "" for typed ones.
  QString list_name_;
  bool priced_ = false;
};

}  // namespace quillmark::ui

#pragma once
// The Settings key: what the program remembers from one start to the next besides investigation
// files, namely the Investigate dialog's last entries and whether the tip of the day shows at
// start-up, the sources the window fetches from and how many fetches it keeps in flight. Each
// moment opens the key, reads or writes its values in a fixed order, and stops silently at the
// first failure: what was set or written before it stays.

#include <cstdint>
#include <string>

namespace quillmark::store {

// "\Software\Tervane\Quillmarks 1.0\Setup" in the current user's branch.
extern const char kSettingsKeyPath[];

// The Investigate dialog's controls, read and written in the order the settings name them.
class InvestigateEntries {
 public:
  virtual ~InvestigateEntries() = default;
  virtual void SetKeyterm(const std::string& text) = 0;
  virtual void SetHome(const std::string& text) = 0;
  virtual void SetDepth(std::uint32_t index) = 0;    // the pages list's item index, unchecked
  virtual void SetResults(std::uint32_t value) = 0;  // the spin edit clamps it
  virtual std::string Keyterm() = 0;
  virtual std::string Home() = 0;
  virtual std::uint32_t Depth() = 0;
  virtual std::uint32_t Results() = 0;
};

void LoadInvestigateEntries(InvestigateEntries& dialog) noexcept;  // FormCreate
void SaveInvestigateEntries(InvestigateEntries& dialog) noexcept;  // FormCloseQuery
bool LoadTipsFlag() noexcept;  // main window creation: stored != 0, true when absent or on failure
void SaveTipsFlag(bool show) noexcept;  // main window close

// Whether finished and stopped runs are kept in the history file: "history", on when absent or
// unreadable (stored != 0).
bool LoadHistoryFlag() noexcept;
void SaveHistoryFlag(bool keep) noexcept;

// The folder "Export Table..." last wrote into ("export-folder"), as the file system names it;
// empty when none is stored or it cannot be read.
std::string LoadExportFolder() noexcept;
void SaveExportFolder(const std::string& folder) noexcept;

// How many fetches the window's research keeps in flight at once: "parallel", 1 to 100 (the
// source takes at most what it can: 32 for the stand-in and the endpoints). Absent, unreadable or
// out of range, it reads as 0: the source's own default (8, or 30 for a provider). Only read: the
// user sets it in the settings file.
int LoadParallelFetches() noexcept;

// The window asks before a provider research whose worst case costs more than this many US
// cents: "ask-above-cents"; 0 never asks. Absent or unreadable, it reads as 100 ($1.00).
std::uint32_t LoadCostQuestionCents() noexcept;
void SaveCostQuestionCents(std::uint32_t cents) noexcept;
inline constexpr std::uint32_t kDefaultCostQuestionCents = 100;

// How the window's provider research looks up supply and rank: "economy", 0 live, 1 through the
// provider's queue at normal priority, 2 at high priority. Absent, unreadable or out of range, it
// reads as 0.
std::uint32_t LoadEconomy() noexcept;
void SaveEconomy(std::uint32_t economy) noexcept;

// The sources the window fetches from, by name ("source" for the research, "top-source" for the
// top searches); an empty name leaves that kind to the configured endpoints or the stand-in.
// Beside them the market the provider researches in and the user's own endpoints.
struct SourceChoice {
  std::string source{};
  std::string top_source{};
  // The provider's location and language codes and the top searches' country (alpha-2); 0 and
  // "" stand for the program's default market, so settings written before they existed keep
  // working.
  std::uint32_t location = 0;
  std::string language{};
  std::string country{};
  // host[:port] each; "" leaves that page to its environment variable.
  std::string suggest_host{};
  std::string search_host{};
  std::string top_host{};
  bool operator==(const SourceChoice&) const = default;
};
// Each value absent or unreadable reads as empty (0). Saving writes every value.
SourceChoice LoadSourceChoice() noexcept;
void SaveSourceChoice(const SourceChoice& choice) noexcept;

}  // namespace quillmark::store

#include "session/run_history.h"

#include <cstdlib>
#include <ctime>
#include <unordered_map>
#include <utility>

#include "base/ascii.h"
#include "demo/demo_pages.h"
#include "demo/monthly_demand.h"
#include "research/whole_number.h"
#include "sources/markets.h"

namespace quillmark::session {
namespace {

// The provider's months of the phrases the run listed, under the rows' own texts; or the
// stand-in's, made up from each counted demand.
std::vector<history::PhraseMonths> RunMonths(const RunReport& report,
                                             const std::vector<history::RunRow>& rows) {
  std::vector<history::PhraseMonths> months;
  if (report.origin.generated) {
    const int today = demo::TodayUtc();
    for (const history::RunRow& row : rows) {
      if (row.lookups.demand != DemandLookup::kCounted) continue;
      const auto demand = ReadWholeNumber(row.texts[0]);
      if (!demand || *demand < 0) continue;
      months.push_back({row.keyword, demo::DemoMonthlyDemand(row.keyword, *demand, today), true});
    }
    return months;
  }
  if (report.months.empty()) return months;
  // A page carries a provider's phrase without the blanks at its ends, and its reader may fold
  // its letter case.
  std::unordered_map<std::string, const sources::ProviderMonths*> by_phrase;
  for (const sources::ProviderMonths& phrase : report.months)
    by_phrase.emplace(ascii::ToLower(ascii::Trim(phrase.phrase)), &phrase);
  for (const history::RunRow& row : rows) {
    const auto found = by_phrase.find(ascii::ToLower(row.keyword));
    if (found == by_phrase.end()) continue;
    months.push_back({row.keyword, found->second->months, false});
    by_phrase.erase(found);
  }
  return months;
}

std::string PreviousText(const char* figure, std::int64_t value, std::int64_t when,
                         bool rank = false) {
  const std::string shown =
      rank && value == 0 ? "not within the pages searched" : std::to_string(value);
  return std::string("Previous ") + figure + ": " + shown + " (" + HistoryDateText(when) + ")";
}

}  // namespace

history::RunRecord MakeRunRecord(const RunRequest& request, const RunReport& report) {
  history::RunRecord record;
  record.started =
      report.started != 0 ? report.started : static_cast<std::int64_t>(std::time(nullptr));
  record.source = report.origin.source;
  record.market = report.origin.market;
  record.results_asked = request.max_results;
  record.stopped = report.stopped;
  record.calls = report.calls.made;
  record.cached_calls = report.calls.from_cache;
  record.retries = report.calls.retries;
  record.money = report.calls.cost;
  if (report.mode != ResearchMode::kSeed) return record;
  record.seed = request.seed;
  record.target = request.target_url;
  record.max_pages = ReadWholeNumber(request.max_pages_text).value_or(0);
  record.rows.reserve(report.rows.size());
  for (const KeywordRowPtr& row : report.rows) {
    history::RunRow& kept = record.rows.emplace_back();
    kept.keyword = row->Caption();
    for (std::size_t i = 0; i < history::kRowTexts; ++i) {
      if (const std::string* text = row->SubItem(i)) kept.texts[i] = *text;
    }
    kept.lookups = row->Lookups();
  }
  record.months = RunMonths(report, record.rows);
  return record;
}

std::string HistoryDateText(std::int64_t seconds) {
  const auto when = static_cast<std::time_t>(seconds);
  std::tm local{};
  localtime_r(&when, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", &local);
  return text;
}

std::string MarketText(const history::Market& market) {
  const sources::Country* country = sources::CountryOfLocation(market.location);
  const sources::Language* language = sources::FindLanguage(market.language);
  return (country ? std::string(country->name) : "location " + std::to_string(market.location)) +
         ", " + (language ? std::string(language->name) : market.language);
}

// --- The file ---

RunHistory::RunHistory(std::string path) : path_(std::move(path)) {}

history::HistoryStore* RunHistory::Store() {
  if (store_) return &*store_;
  try {
    history::OpenedHistory opened = history::OpenHistory(path_);
    store_.emplace(std::move(opened.store));
    problem_.clear();
    notice_ = std::move(opened.notice);
    return &*store_;
  } catch (const history::HistoryError& e) {
    problem_ = std::string("The history is not kept: ") + e.what();
    return nullptr;
  }
}

std::string RunHistory::TakeNotice() {
  std::string notice = std::move(notice_);
  notice_.clear();
  if (notice.empty() && !problem_.empty() && problem_ != told_) notice = problem_;
  told_ = problem_;
  return notice;
}

RunHistory::Recorded RunHistory::Record(const RunRequest& request, const RunReport& report) {
  history::HistoryStore* store = Store();
  if (store == nullptr) return {std::nullopt, problem_};
  try {
    return {store->RecordRun(MakeRunRecord(request, report)), {}};
  } catch (const history::HistoryError& e) {
    return {std::nullopt, std::string("The run was not kept in the history: ") + e.what()};
  }
}

std::vector<std::string> RunHistory::RecordAndTell(const RunRequest& request,
                                                   const RunReport& report) {
  const Recorded recorded = Record(request, report);
  std::vector<std::string> told;
  if (std::string notice = TakeNotice(); !notice.empty()) told.push_back(std::move(notice));
  // A file that cannot be opened is said by the notice already.
  if (!recorded.failure.empty() && recorded.failure != problem_) told.push_back(recorded.failure);
  return told;
}

// --- Changes ---

std::string ChangeWords(const CellChange& change, KeywordColumn column) {
  using Kind = CellChange::Kind;
  if (change.kind == Kind::kNone) return {};
  if (column == kColumnDemand) {
    // From none at all, no percentage says it.
    if (change.amount == 0) return change.kind == Kind::kUp ? "demand up" : "demand down";
    return std::string("demand ") + (change.kind == Kind::kUp ? "+" : "-") +
           std::to_string(change.amount) + "%";
  }
  switch (change.kind) {
    case Kind::kNew:
      return "new";
    case Kind::kUp:
      return change.amount == 0 ? "in" : "up " + std::to_string(change.amount);
    case Kind::kDown:
      return change.amount == 0 ? "out" : "down " + std::to_string(change.amount);
    case Kind::kNone:
      break;
  }
  return {};
}

RunComparison::RunComparison(history::HistoryStore& store, RunOrigin origin, std::string seed,
                             std::string target)
    : store_(store),
      origin_(std::move(origin)),
      seed_(std::move(seed)),
      target_(std::move(target)) {}

const history::PreviousMeasurement& RunComparison::PreviousOf(const std::string& phrase) {
  const std::string key = ascii::ToLower(phrase);
  if (const auto found = previous_.find(key); found != previous_.end()) return found->second;
  history::PreviousMeasurement previous;
  try {
    previous = store_.Previous(phrase, origin_.source, origin_.market, target_, before_);
  } catch (const history::HistoryError&) {
    // A history that cannot be read marks nothing.
  }
  return previous_.emplace(key, std::move(previous)).first->second;
}

CellChange RunComparison::Change(const KeywordRow& row, KeywordColumn column) {
  using Kind = CellChange::Kind;
  const LookupStatus& lookups = row.Lookups();
  // A row no run of ours looked up (read from a file) is compared with nothing.
  if (lookups.demand == DemandLookup::kNotAsked || row.Caption().empty()) return {};
  if (column != kColumnDemand && column != kColumnRank) return {};
  const history::PreviousMeasurement& previous = PreviousOf(row.Caption());
  CellChange change;

  if (column == kColumnDemand) {
    if (!previous.figures.demand) return change;
    const std::int64_t before = *previous.figures.demand;
    change.previous = PreviousText("demand", before, previous.when.demand);
    const std::string* text = row.SubItem(kColumnDemand - 1);
    const auto now = lookups.demand == DemandLookup::kCounted && text != nullptr
                         ? ReadWholeNumber(*text)
                         : std::nullopt;
    if (!now || *now == before) return change;
    if (before == 0) {
      change.kind = Kind::kUp;
      return change;
    }
    const std::int64_t percent = std::llabs((*now - before) * 100 / before);
    if (percent <= kDemandChangePercent) return change;
    change.kind = *now > before ? Kind::kUp : Kind::kDown;
    change.amount = percent;
    return change;
  }

  if (previous.figures.rank) {
    change.previous = PreviousText("rank", *previous.figures.rank, previous.when.rank, true);
  } else if (!previous.seen_with_target) {
    if (!seed_researched_) {
      try {
        seed_researched_ =
            store_.SeedResearched(seed_, origin_.source, origin_.market, target_, before_);
      } catch (const history::HistoryError&) {
        seed_researched_ = false;
      }
    }
    // On a seed's first research every phrase would be new: it says nothing then.
    if (*seed_researched_) {
      change.kind = Kind::kNew;
      change.previous = "New: in none of the earlier runs of \"" + seed_ + "\"" +
                        (target_.empty() ? std::string(" without a target") : " for " + target_);
    }
    return change;
  }
  if (!previous.figures.rank) return change;
  std::optional<std::int64_t> now;
  if (lookups.rank == RankLookup::kNotFound) now = 0;
  if (lookups.rank == RankLookup::kFound) {
    if (const std::string* text = row.SubItem(kColumnRank - 1)) now = ReadWholeNumber(*text);
  }
  const std::int64_t before = *previous.figures.rank;
  if (!now || *now == before) return change;
  if (*now == 0 || before == 0) {
    change.kind = *now == 0 ? Kind::kDown : Kind::kUp;
    return change;
  }
  change.kind = *now < before ? Kind::kUp : Kind::kDown;
  change.amount = std::llabs(*now - before);
  return change;
}

std::string RunComparison::Words(const KeywordRow& row) {
  std::string words = ChangeWords(Change(row, kColumnRank), kColumnRank);
  if (const std::string demand = ChangeWords(Change(row, kColumnDemand), kColumnDemand);
      !demand.empty())
    words += (words.empty() ? "" : ", ") + demand;
  return words;
}

}  // namespace quillmark::session

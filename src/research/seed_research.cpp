#include <algorithm>
#include <exception>
#include <optional>
#include <stdexcept>
#include <utility>

#include "research/indices.h"
#include "research/page_text.h"
#include "research/read_ahead.h"
#include "research/researcher.h"
#include "research/run_scope.h"
#include "research/suggestion_walk.h"
#include "research/whole_number.h"

namespace quillmark {

namespace {

// Runs one step of a row. A failure is kept (the first one) so that the row's later steps
// still run and the row gets all its columns; a run that has been abandoned ends at once.
template <typename Step>
void Guarded(std::exception_ptr& failure, Step&& step) {
  try {
    step();
  } catch (const RunAbandoned&) {
    throw;
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
}

std::string WithoutLastChar(const std::string& text) {
  return text.empty() ? text : text.substr(0, text.size() - 1);
}

}  // namespace

Researcher::Researcher(ResearchHost& host, PageFetcher fetcher, Endpoints endpoints,
                       Cancellation stopped)
    : host_(host),
      fetcher_(std::move(fetcher)),
      endpoints_(std::move(endpoints)),
      stopped_(std::move(stopped)) {}

void Researcher::SetParallelFetches(FetchStarter start, int parallel) {
  start_fetch_ = std::move(start);
  parallel_ = std::max(parallel, 1);
}

FetchResult Researcher::Fetch(const std::string& url) {
  if (run_is_stale_ && Stopped()) return {{}, FetchStatus::kCancelled, "stopped"};
  if (read_ahead_ != nullptr) return read_ahead_->Take(url);
  return fetcher_(url);
}

namespace {

// What the run keeps of a fetch's outcome once its body has been used.
FetchResult Outcome(const FetchResult& fetched) {
  return {{}, fetched.status, fetched.reason};
}

}  // namespace

void Researcher::Pump() {
  host_.ProcessMessages();
  if (run_is_stale_ && run_is_stale_()) throw RunAbandoned{};
  if (read_ahead_ != nullptr) read_ahead_->Advance();
}

void Researcher::WaitForEvents() {
  host_.WaitForEvents();
  if (run_is_stale_ && run_is_stale_()) throw RunAbandoned{};
}

void Researcher::ResearchSeed(std::string_view seed) {
  // The steps before the parse belong to no run yet, even when this was started from inside
  // another run's pump.
  RunScope no_run(*this, nullptr);
  const std::string unquoted = ReplaceAllNoCase(seed, "\"", "");
  const std::string trimmed(TrimText(unquoted));
  host_.SetStatusText(trimmed);
  ResearchPage(SuggestionUrl(endpoints_.suggest_host, trimmed));
}

void Researcher::ResearchList(std::string_view name, std::size_t count) {
  RunScope no_run(*this, nullptr);
  host_.SetStatusText(std::string(name));
  ResearchPage(PhraseListUrl(endpoints_.suggest_host, count));
}

void Researcher::ResearchPage(const std::string& url) {
  Pump();
  std::string page;
  std::exception_ptr failure;
  suggestion_fetch_ = {};
  try {
    FetchResult fetched = Fetch(url);
    suggestion_fetch_ = Outcome(fetched);
    // A stop during the fetch means no run: a page cut off by it yields no rows.
    if (fetched.status != FetchStatus::kCancelled) page = std::move(fetched.body);
  } catch (...) {
    failure = std::current_exception();
  }
  Pump();
  ParseSuggestionPage(std::move(page));
  if (failure) std::rethrow_exception(failure);
}

void Researcher::ParseSuggestionPage(std::string page) {
  list_moved_on_ = false;
  KeywordList& list = host_.Keywords();
  list.Clear();
  const std::uint64_t generation = list.BumpGeneration();
  // The runs this one started inside the pump of have just lost their list: what they read
  // ahead is of no use now.
  for (ReadAhead* outer : read_aheads_) outer->GiveUp();

  LowerInPlace(page);
  std::optional<ReadAhead> ahead;
  if (parallel_ > 1 && start_fetch_) {
    ahead.emplace(
        host_, endpoints_, page, start_fetch_, static_cast<std::size_t>(parallel_),
        [this] { WaitForEvents(); }, stopped_);
  }
  RunScope run(
      *this, [&list, generation] { return list.Generation() != generation; },
      ahead ? &*ahead : nullptr);
  // Every write checks that the run still owns its row: a row the filter deleted, or a list
  // cleared or taken over by a newer run, ends the run here.
  const auto write = [&](bool written) {
    if (!written || run_is_stale_()) throw RunAbandoned{};
  };

  SuggestionWalk walk(page);
  if (!walk.HasCell()) return;
  // A step that fails leaves its text as the previous row had it.
  std::string demand, keyword, supply, cost, rank, profitability, estimate;
  try {
    for (std::size_t index = 0;; ++index) {
      demand = walk.Demand();
      if (run_is_stale_()) throw RunAbandoned{};
      const KeywordRowPtr row = list.Append();
      if (ahead) ahead->EnterRow(index);
      write(list.AppendSubItem(*row, demand));

      std::exception_ptr failure;
      Guarded(failure, [&] { walk.PassCell(); });
      Guarded(failure, [&] { Pump(); });
      Guarded(failure, [&] { keyword = walk.Keyword(); });
      write(list.SetCaption(*row, keyword));
      LookupStatus lookups;
      lookups.demand = ReadDemandLookup(demand);
      Guarded(failure, [&] {
        Pump();
        supply = LookupSupply(keyword, &lookups);
      });
      write(list.SetLookups(*row, lookups));
      write(list.AppendSubItem(*row, supply));
      Guarded(failure, [&] { cost = ComputeCostPerProspect(supply, demand); });
      write(list.AppendSubItem(*row, cost));
      Guarded(failure, [&] {
        Pump();
        const std::string pages_text = host_.MaxPagesText();
        const std::optional<std::int32_t> max_pages = ReadWholeNumber(pages_text);
        if (!max_pages)
          throw std::invalid_argument("'" + pages_text + "' is not a valid integer value");
        const std::string target = host_.TargetUrl();
        rank = LookupRank(keyword, target, *max_pages, &lookups);
      });
      write(list.SetLookups(*row, lookups));
      write(list.AppendSubItem(*row, rank));
      Guarded(failure, [&] { profitability = ComputeProfitability(supply, rank); });
      write(list.AppendSubItem(*row, profitability));
      Guarded(failure,
              [&] { estimate = EstimateProspects(demand, WithoutLastChar(profitability)); });
      write(list.AppendSubItem(*row, estimate));
      write(list.SetChecked(*row, false));
      bool more = false;
      Guarded(failure, [&] {
        walk.PassCell();
        more = walk.HasCell();
      });
      Guarded(failure, [&] { Pump(); });
      Guarded(failure, [&] { Pump(); });
      if (failure) std::rethrow_exception(failure);

      // The only checkpoint between rows: a stop during a row lets the row finish first.
      if (host_.EscapeDown() || Stopped()) break;
      if (list.Count() >= static_cast<std::size_t>(std::max(host_.MaxResults(), 0))) break;
      if (!more) break;
    }
  } catch (const RunAbandoned&) {
    // The list has moved on without this run; it must not be touched again.
    list_moved_on_ = true;
  }
}

}  // namespace quillmark

#include "session/research_desk.h"

#include <algorithm>
#include <utility>

#include "research/start_command.h"
#include "research/stop_request.h"
#include "research/whole_number.h"

namespace quillmark::session {

ResearchDesk::ResearchDesk(CancellableFetch fetch, Endpoints endpoints, RunStartHook run_start,
                           RunNotes run_notes)
    : fetch_(std::move(fetch)),
      endpoints_(std::move(endpoints)),
      run_start_(std::move(run_start)),
      run_notes_(std::move(run_notes)) {}

ResearchDesk::~ResearchDesk() = default;

void ResearchDesk::Attach(ResearchHost& host, FetchWait wait, ParallelFetches parallel) {
  host_ = &host;
  wait_ = std::move(wait);
  researcher_ = std::make_unique<Researcher>(
      host, [this](const std::string& url) { return RunFetch(url); }, endpoints_);
  if (parallel.pool != nullptr && parallel.parallel > 1) {
    ahead_ = std::make_unique<FetchAhead>(*parallel.pool, fetch_, std::move(parallel.wake));
    researcher_->SetParallelFetches(ahead_->Starter(), parallel.parallel);
  }
}

void ResearchDesk::Detach() {
  researcher_.reset();
  ahead_.reset();
  wait_ = nullptr;
  host_ = nullptr;
}

void ResearchDesk::SetEndpoints(const Endpoints& endpoints) {
  endpoints_ = endpoints;
  if (researcher_) researcher_->SetEndpoints(endpoints);
}

std::optional<std::string> ResearchDesk::Start() {
  const std::uint64_t generation = keywords_.Generation();
  StartCommand(*researcher_);
  // Investigate clears the list, so a run that started has moved the generation on.
  if (keywords_.Generation() == generation) return std::nullopt;
  return AfterRun(host_->Mode() == ResearchMode::kSeed);
}

std::optional<std::string> ResearchDesk::ResearchPhrase(const std::string& phrase) {
  TellRunStart();
  researcher_->ResearchSeed(phrase);
  return AfterRun(true);
}

std::optional<std::string> ResearchDesk::AfterRun(bool seed_mode) const {
  const FetchResult& page =
      seed_mode ? researcher_->SuggestionPageFetch() : researcher_->TopSearchesPageFetch();
  std::string message;
  if (page.status == FetchStatus::kFailed) {
    message = (seed_mode ? "Could not fetch the suggestion page: "
                         : "Could not fetch the top searches page: ") +
              page.reason;
  }
  for (const std::string& note : run_notes_ ? run_notes_() : std::vector<std::string>())
    message += (message.empty() ? "" : "\n\n") + note;
  if (message.empty()) return std::nullopt;
  return message;
}

void ResearchDesk::RunStarted() {
  progress_mode_ = host_->Mode();
  ++runs_in_progress_;
  TellRunStart();
}

void ResearchDesk::RunEnded() {
  runs_in_progress_ = std::max(runs_in_progress_ - 1, 0);
}

std::optional<ResearchDesk::Progress> ResearchDesk::RunProgress() const {
  if (runs_in_progress_ == 0) return std::nullopt;
  const std::size_t done =
      progress_mode_ == ResearchMode::kSeed ? keywords_.Count() : top_searches_.Count();
  const int maximum = std::max(host_->MaxResults(), 1);
  return Progress{static_cast<int>(std::min<std::size_t>(done, maximum)), maximum};
}

void ResearchDesk::TellRunStart() {
  if (!run_start_) return;
  // A pages text that is not a number ends the run at its first rank lookup: no depth to tell,
  // but the run starts all the same.
  run_start_(ReadWholeNumber(host_->MaxPagesText()).value_or(0), host_->TargetUrl());
}

FetchResult ResearchDesk::RunFetch(const std::string& url) {
  // A newer run or a cleared list makes this run stale: its page is of no use any more. Both
  // raise the Stop request first, which also cancels the fetch on its worker, so the abandoned
  // fetch closes its connection within moments instead of at the time limit.
  const std::uint64_t generation = keywords_.Generation();
  const auto stopped = CancelOnStop();
  const auto given_up = [this, generation, stopped] {
    return stopped() || keywords_.Generation() != generation;
  };
  // Held by the worker, which may still run after this wait has been given up: by value.
  const CancellableFetch until_stopped = [fetch = fetch_, stopped](const std::string& page_url,
                                                                   const CancelTest& cancelled) {
    return fetch(page_url, [&cancelled, &stopped] { return cancelled() || stopped(); });
  };
  return wait_(until_stopped, url, given_up, {{}, FetchStatus::kCancelled, "stopped"});
}

}  // namespace quillmark::session

#include "session/research_run.h"

#include <algorithm>
#include <ctime>
#include <exception>
#include <utility>

#include "research/researcher.h"
#include "research/whole_number.h"

namespace quillmark::session {
namespace {

constexpr const char* kDoneText = "Done!";

FetchResult Cancelled() {
  return {.body = {}, .status = FetchStatus::kCancelled, .reason = "stopped"};
}

}  // namespace

// The front end's host as the run's research sees it: the dialog's answers are the request's,
// and every pump and wait also looks at the front end's interrupt.
class ResearchRun::RunHost final : public ResearchHost {
 public:
  RunHost(ResearchRun& run, ResearchHost& front) : run_(run), front_(front) {}

  void SetStatusText(const std::string& text) override { front_.SetStatusText(text); }
  void ProcessMessages() override {
    front_.ProcessMessages();
    run_.TakeInterrupt();
  }
  bool EscapeDown() override {
    run_.escape_held_ = front_.EscapeDown();
    return run_.escape_held_;
  }
  void WaitForEvents() override {
    front_.WaitForEvents();
    run_.TakeInterrupt();
  }
  void Wake() override { front_.Wake(); }

  std::string TargetUrl() override { return run_.request_.target_url; }
  std::string MaxPagesText() override { return run_.request_.max_pages_text; }
  int MaxResults() override { return run_.request_.max_results; }
  bool FilterUnwanted() override { return run_.request_.filter_unwanted; }
  std::vector<std::string> UnwantedTerms() override { return run_.request_.unwanted_terms; }

  KeywordList& Keywords() override { return front_.Keywords(); }
  TopSearchList& TopSearches() override { return front_.TopSearches(); }
  void PlaceTopSearchesWindow() override { front_.PlaceTopSearchesWindow(); }

  // The run was made from the dialog's answers; it never shows the dialog again.
  bool ShowInvestigateDialog() override { return false; }
  std::string SeedText() override { return run_.request_.seed; }
  ResearchMode Mode() override { return run_.request_.mode; }
  void ShowBusyCursor() override { front_.ShowBusyCursor(); }
  void RestoreCursor() override { front_.RestoreCursor(); }
  void SetSaveDialogsFileName(const std::string& name) override {
    front_.SetSaveDialogsFileName(name);
  }

 private:
  ResearchRun& run_;
  ResearchHost& front_;
};

// A page read ahead, held by the run's thread until the research takes it. Dropped untaken, it
// is given up: its job is cancelled, and whether its page had come is counted at the run's end.
// Once the run gave it up (a stop), it is over for the run at once, as cancelled.
class ResearchRun::AheadFetch final : public StartedFetch {
 public:
  AheadFetch(ResearchRun& run, std::shared_ptr<FetchPool::Job> job, std::string url)
      : run_(run), job_(std::move(job)), url_(std::move(url)) {}
  ~AheadFetch() override {
    if (taken_) return;
    job_->Cancel();
    run_.given_up_.push_back(std::move(job_));
  }
  AheadFetch(const AheadFetch&) = delete;
  AheadFetch& operator=(const AheadFetch&) = delete;

  // A fetch the run gave up is over for the run, although a provider call it sent may go on.
  bool Ready() const override { return collected_ || job_->Done() || job_->Cancelled(); }
  void Hurry() override { run_.session_->Pool().Hurry(job_); }
  const FetchResult* Peek() override {
    Collect();
    return failure_ ? nullptr : &result_;
  }
  FetchResult Take() override {
    Collect();
    taken_ = true;
    if (failure_) std::rethrow_exception(failure_);
    run_.Taken(url_, result_);
    return std::move(result_);
  }

 private:
  void Collect() {
    if (collected_) return;
    try {
      result_ = !job_->Done() && job_->Cancelled() ? Cancelled() : job_->Take();
    } catch (...) {
      failure_ = std::current_exception();
    }
    collected_ = true;
  }

  ResearchRun& run_;
  std::shared_ptr<FetchPool::Job> job_;
  std::string url_;
  bool collected_ = false;
  bool taken_ = false;
  FetchResult result_;
  std::exception_ptr failure_;
};

ResearchRun::ResearchRun(std::shared_ptr<const PageSession> session, ResearchHost& host,
                         RunRequest request, RunWatch watch)
    : session_(std::move(session)),
      host_(host),
      request_(std::move(request)),
      watch_(std::move(watch)),
      run_host_(std::make_unique<RunHost>(*this, host)),
      provider_run_(std::make_shared<sources::ProviderRun>(
          sources::RunParameters{.max_pages = ReadWholeNumber(request_.max_pages_text).value_or(0),
                                 .target = request_.target_url,
                                 .phrases = request_.phrases,
                                 .max_cost = request_.max_cost,
                                 .max_calls = request_.max_calls,
                                 .economy = request_.economy})) {
  report_.mode = request_.mode;
  report_.phrase_list = !request_.phrases.empty();
  report_.provider = session_->ProviderName(request_.mode);
  report_.started = static_cast<std::int64_t>(std::time(nullptr));
  report_.origin = request_.mode == ResearchMode::kTopSearches ? session_->TopOrigin()
                                                               : session_->ResearchOrigin();
}

ResearchRun::~ResearchRun() {
  stopped_ = true;
  CancelFetches();
}

void ResearchRun::Stop() {
  stopped_ = true;
  provider_run_->MarkStopped();
  CancelFetches();
}

void ResearchRun::CancelFetches() {
  const std::lock_guard lock(jobs_mutex_);
  for (const auto& job : jobs_) job->Cancel();
}

void ResearchRun::TakeInterrupt() {
  if (!stopped_ && watch_.interrupted && watch_.interrupted()) Stop();
}

std::shared_ptr<FetchPool::Job> ResearchRun::Submit(const std::string& url, bool first) {
  // The job holds the provider run: a fetch given up may end after the run, a provider call
  // sent going on to its reply. Not the session, whose pool ends every job before it goes.
  auto job = session_->Pool().Submit(
      [session = session_.get(), provider = provider_run_, url](const Cancellation& cancelled) {
        return session->Fetch(url, *provider, cancelled);
      },
      [&host = host_] { host.Wake(); }, first);
  const std::lock_guard lock(jobs_mutex_);
  // A job that ended is of no use to Stop; the list stays as long as the fetches in flight.
  std::erase_if(jobs_, [](const auto& held) { return held->Done(); });
  jobs_.push_back(job);
  if (stopped_) job->Cancel();
  return job;
}

FetchResult ResearchRun::FetchNow(const std::string& url) {
  const auto job = Submit(url, true);
  while (!job->Done()) {
    if (stopped_) {
      job->Cancel();
      return Cancelled();
    }
    run_host_->WaitForEvents();
  }
  FetchResult result = job->Take();
  Taken(url, result);
  return result;
}

std::unique_ptr<StartedFetch> ResearchRun::StartForReadAhead(const std::string& url) {
  return std::make_unique<AheadFetch>(*this, Submit(url, false), url);
}

void ResearchRun::Taken(const std::string& url, const FetchResult& result) {
  if (result.status == FetchStatus::kCancelled) return;
  ++report_.pages_asked;
  if (!result.Complete()) report_.not_fetched.push_back({url, result.reason});
  if (watch_.page_taken) watch_.page_taken(url, result);
}

RunReport ResearchRun::Start() {
  return Run([this](Researcher& researcher) {
    ResearchHost& host = *run_host_;
    host.ShowBusyCursor();
    try {
      host.SetSaveDialogsFileName(request_.seed);
    } catch (...) {
    }
    try {
      if (request_.mode == ResearchMode::kSeed && !request_.phrases.empty()) {
        researcher.ResearchList(request_.seed, request_.phrases.size());
      } else if (request_.mode == ResearchMode::kSeed) {
        researcher.ResearchSeed(request_.seed);
      } else {
        researcher.ExtractTopSearches();
      }
    } catch (...) {
      // A failed run ends like a finished one: the rows made so far stay, "Done!" follows.
    }
    host.RestoreCursor();
    host.SetStatusText(kDoneText);
    host.ProcessMessages();
  });
}

RunReport ResearchRun::ResearchPhrase() {
  return Run([this](Researcher& researcher) {
    try {
      researcher.ResearchSeed(request_.seed);
    } catch (...) {
    }
  });
}

RunReport ResearchRun::Run(const std::function<void(Researcher&)>& steps) {
  try {
    Researcher researcher(
        *run_host_, [this](const std::string& url) { return FetchNow(url); },
        session_->GetEndpoints(), [this] { return Stopped(); });
    // Unless the request says otherwise, as many as the source answers well at once; a queue
    // answers in minutes whatever the number, so an economy run asks for all it may at once.
    const int most = session_->MaxParallel(request_.mode);
    const int parallel = request_.parallel > 0 ? std::min(request_.parallel, most)
                         : request_.economy != sources::Economy::kOff
                             ? most
                             : session_->DefaultParallel(request_.mode);
    researcher.SetParallelFetches([this](const std::string& url) { return StartForReadAhead(url); },
                                  parallel);
    steps(researcher);
    return Finish(researcher);
  } catch (...) {
    // A user command never lets a failure out to the message loop.
    return report_;
  }
}

ResearchRun::Progress ResearchRun::CurrentProgress() {
  const std::size_t done =
      request_.mode == ResearchMode::kSeed ? host_.Keywords().Count() : host_.TopSearches().Count();
  const int maximum = std::max(request_.max_results, 1);
  return {static_cast<int>(std::min<std::size_t>(done, static_cast<std::size_t>(maximum))),
          maximum};
}

RunReport ResearchRun::Finish(const Researcher& researcher) {
  // The row loop's last checkpoint found Escape held: the run was cut short as by Stop.
  report_.stopped = stopped_ || escape_held_;
  // Fetches the run gave up end within moments (each polls its flag every 50 ms at most), but
  // a provider call already sent, which goes on to its reply: the run does not wait for it. Of
  // the fetches done, each read ahead counts if its page had come.
  CancelFetches();
  {
    const std::lock_guard lock(jobs_mutex_);
    jobs_.clear();
  }
  for (const auto& job : given_up_) {
    if (!job->Done()) continue;
    try {
      if (job->Take().status != FetchStatus::kCancelled) ++report_.pages_not_used;
    } catch (...) {
    }
  }
  given_up_.clear();

  report_.first_page = request_.mode == ResearchMode::kSeed ? researcher.SuggestionPageFetch()
                                                            : researcher.TopSearchesPageFetch();
  const bool own_list = request_.mode != ResearchMode::kSeed || !researcher.ListMovedOn();
  if (request_.mode == ResearchMode::kSeed && own_list) report_.rows = host_.Keywords().Rows();
  if (own_list) {
    const Progress progress = CurrentProgress();
    report_.rows_done = progress.done;
    report_.rows_wanted = progress.maximum;
  }
  report_.provider_calls = provider_run_;
  report_.calls = provider_run_->Calls();
  report_.notes = provider_run_->Notes();
  report_.months = provider_run_->Months();
  return report_;
}

}  // namespace quillmark::session

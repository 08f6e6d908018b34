#include "cli/terminal_host.h"

#include <unistd.h>

#include <chrono>
#include <iostream>
#include <ostream>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/page_words.h"
#include "cli/row_output.h"
#include "research/researcher.h"
#include "research/start_command.h"
#include "research/stop_request.h"
#include "research/unwanted_terms.h"
#include "session/network_session.h"
#include "session/provider_calls.h"

namespace quillmark::cli {
namespace {

// Keeps the progress line on one terminal row.
constexpr std::size_t kMaxStatusWidth = 78;
// How long a wait for fetches sleeps at most when nothing wakes it.
constexpr std::chrono::milliseconds kWakeInterval{25};

}  // namespace

TerminalHost::TerminalHost(RunSettings settings, std::ostream& status_stream,
                           bool status_is_terminal)
    : settings_(std::move(settings)),
      status_(status_stream),
      status_is_terminal_(status_is_terminal) {}

TerminalHost::~TerminalHost() {
  FinishStatus();
}

void TerminalHost::SetStatusText(const std::string& text) {
  last_status_ = text;
  // The run's "Done!" would read as success after a page that failed or a stop.
  if (text == "Done!" && (run_failed_ || Interrupted())) return;
  std::string shown = TerminalSafe(text);
  if (status_is_terminal_) {
    if (shown.size() > kMaxStatusWidth) shown.resize(kMaxStatusWidth);
    status_ << "\r\x1b[K" << shown << std::flush;
    status_line_open_ = true;
  } else {
    status_ << shown << '\n' << std::flush;
  }
}

void TerminalHost::FinishStatus() {
  if (status_line_open_) status_ << '\n' << std::flush;
  status_line_open_ = false;
}

void TerminalHost::ProcessMessages() {
  if (Interrupted()) SetStopRequest();
}

void TerminalHost::WaitForEvents() {
  ProcessMessages();
  std::unique_lock lock(wake_mutex_);
  woken_.wait_for(lock, kWakeInterval, [this] { return wake_pending_; });
  wake_pending_ = false;
}

void TerminalHost::Wake() {
  {
    const std::lock_guard lock(wake_mutex_);
    wake_pending_ = true;
  }
  woken_.notify_all();
}

std::vector<std::string> TerminalHost::UnwantedTerms() {
  return DefaultUnwantedTerms();
}

void TerminalHost::ShowInvestigateDialog() {
  ConfirmInvestigate(*this);
}

int TerminalRun::ExitStatus(bool files_ok) const {
  if (Interrupted()) return InterruptExitCode();
  if (!files_ok) return kExitFailure;
  return pages_not_fetched > 0 ? kExitNotFetched : kExitOk;
}

TerminalRun RunFromTerminal(const RunSettings& settings, const session::SessionOptions& network) {
  InstallInterruptHandler();
  const bool seed = settings.mode == ResearchMode::kSeed;
  session::SessionOptions options = network;
  options.cancelled = Interrupted;
  const session::NetworkSession session(options, {.suggest = seed, .search = seed, .top = !seed});
  TerminalRun run;
  run.host = std::make_unique<TerminalHost>(settings, std::cerr, ::isatty(STDERR_FILENO) == 1);
  TerminalHost& host = *run.host;
  const auto report = [&run, &host, &session](const std::string& url, const FetchResult& result) {
    if (result.status == FetchStatus::kCancelled) return;
    ++run.pages_asked;
    if (result.Complete()) return;
    ++run.pages_not_fetched;
    host.RunFailed();
    // A refused account fails every page after it: said once, among the notes at the end.
    if (const std::string refusal = session.Refusal(); !refusal.empty() && result.reason == refusal)
      return;
    host.FinishStatus();
    std::cerr << "qmk: not fetched: " << TerminalSafe(PageInWords(url)) << ": "
              << TerminalSafe(result.reason) << "\n";
  };
  // Said before the first call, so a run that costs more than expected can be stopped in time.
  if (seed && session.UsesProvider())
    std::cerr << "qmk: " << session::MostCallsText(settings.max_results) << "\n";
  session.SetRunParameters({.max_pages = settings.max_pages, .target = settings.target_url});
  // The pages of the rows ahead come on the session's workers; each is reported here, on this
  // thread, as the run takes it.
  session::FetchAhead ahead(
      session.Pool(),
      [&session](const std::string& url, const session::CancelTest& cancelled) {
        return session.Fetch(url, cancelled);
      },
      [&host] { host.Wake(); }, report);
  Researcher researcher(host, session.Fetcher(report), session.GetEndpoints());
  researcher.SetParallelFetches(ahead.Starter(), settings.parallel);
  StartCommand(researcher);
  // Fetches the run gave up end within moments; they count once they have.
  session.Pool().Shutdown();
  run.pages_not_used = ahead.PagesNotUsed();
  host.FinishStatus();
  for (const std::string& note : session.NoteTexts())
    std::cerr << "qmk: " << TerminalSafe(note) << "\n";
  if (session.UsesProvider()) run.calls_text = session.CallsText();
  return run;
}

}  // namespace quillmark::cli

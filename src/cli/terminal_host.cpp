#include "cli/terminal_host.h"

#include <unistd.h>

#include <chrono>
#include <iostream>
#include <ostream>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/page_words.h"
#include "cli/row_output.h"
#include "pages/page_request.h"
#include "session/network_session.h"
#include "session/provider_calls.h"
#include "sources/price_table.h"

namespace quillmark::cli {
namespace {

// Keeps the progress line on one terminal row.
constexpr std::size_t kMaxStatusWidth = 78;
// How long a wait for fetches sleeps at most when nothing wakes it.
constexpr std::chrono::milliseconds kWakeInterval{25};
// How often the words said while waiting are asked again.
constexpr std::chrono::seconds kWordsOnTerminal{1};
constexpr std::chrono::seconds kWordsInLog{30};

}  // namespace

TerminalHost::TerminalHost(std::ostream& status_stream, bool status_is_terminal)
    : status_(status_stream), status_is_terminal_(status_is_terminal) {}

TerminalHost::~TerminalHost() {
  FinishStatus();
}

void TerminalHost::SetStatusText(const std::string& text) {
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

void TerminalHost::WaitForEvents() {
  if (waiting_words_) {
    const auto now = std::chrono::steady_clock::now();
    if (now - waiting_asked_ >= (status_is_terminal_ ? kWordsOnTerminal : kWordsInLog)) {
      waiting_asked_ = now;
      if (std::string words = waiting_words_(); !words.empty() && words != waiting_said_) {
        SetStatusText(words);
        waiting_said_ = std::move(words);
      }
    }
  }
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

int TerminalRun::ExitStatus(bool files_ok) const {
  if (Interrupted()) return InterruptExitCode();
  if (!files_ok) return kExitFailure;
  return report.not_fetched.empty() ? kExitOk : kExitNotFetched;
}

TerminalRun RunFromTerminal(const session::RunRequest& request,
                            const session::SessionOptions& network) {
  InstallInterruptHandler();
  const bool seed = request.mode == ResearchMode::kSeed;
  const auto session = std::make_shared<session::NetworkSession>(
      network, session::EndpointNeeds{.suggest = seed, .search = seed, .top = !seed});
  TerminalRun run;
  run.host = std::make_unique<TerminalHost>(std::cerr, ::isatty(STDERR_FILENO) == 1);
  TerminalHost& host = *run.host;
  session::ResearchRun* running = nullptr;
  // The rank lookup said last, with its reason: its further pages failed for the same reason
  // (one provider call covers them all) are not said again.
  std::string rank_said;
  // Told on this thread as the run takes each page.
  const auto page_taken = [&](const std::string& url, const FetchResult& result) {
    if (result.Complete()) return;
    host.RunFailed();
    // A refused account, or the run's calls used up, fails every page after it: said once,
    // among the notes at the end.
    const sources::RunNotes notes = running->ProviderCalls()->Notes();
    if ((!notes.refusal.empty() && result.reason == notes.refusal) ||
        (notes.call_limit_reached > 0 &&
         result.reason == running->ProviderCalls()->CallLimitReason()))
      return;
    host.FinishStatus();
    const pages::PageRequest page = pages::ReadPageUrl(url);
    if (page.kind != pages::PageKind::kRank) {
      std::cerr << "qmk: not fetched: " << TerminalSafe(PageInWords(url)) << ": "
                << TerminalSafe(result.reason) << "\n";
      return;
    }
    const std::string said = page.phrase + '\n' + result.reason;
    if (said == rank_said) return;
    rank_said = said;
    std::cerr << "qmk: rank of \"" << TerminalSafe(page.phrase)
              << "\" not fetched: " << TerminalSafe(result.reason) << "\n";
  };
  const bool provider = !session->ProviderName(request.mode).empty();
  // Said before the first call, so a run that costs more than expected can be stopped in time.
  if (seed && provider) {
    std::cerr << "qmk: "
              << session::WorstCaseText(session::ResearchWorstCase(request, sources::PriceTable()))
              << "\n";
  }
  session::ResearchRun research(session, host, request,
                                {.page_taken = page_taken, .interrupted = Interrupted});
  running = &research;
  if (provider) {
    host.SayWhileWaiting([&research, name = session->ProviderName(request.mode)] {
      return session::QueueWaitText(name, research.ProviderCalls()->Calls());
    });
  }
  run.report = research.Start();
  host.FinishStatus();
  // Calls sent before a stop are let answer, for a moment: the count then says what the
  // provider bills, and the calls it never answered are said.
  if (const std::int64_t given_up = session->EndFetches(); given_up > 0)
    std::cerr << "qmk: " << session::UnansweredCallsText(given_up) << "\n";
  run.report.calls = research.ProviderCalls()->Calls();
  run.report.notes = research.ProviderCalls()->Notes();
  for (const std::string& note : session::NoteTexts(run.report))
    std::cerr << "qmk: " << TerminalSafe(note) << "\n";
  return run;
}

}  // namespace quillmark::cli

#pragma once
// What a run hands back when it ends, and what the front ends say of it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "net/fetch_result.h"
#include "research/keyword_row.h"
#include "research/research_host.h"
#include "session/run_origin.h"
#include "sources/provider_run.h"

namespace quillmark::session {

// A page the run took whose fetch failed.
struct PageNotFetched {
  std::string url;
  std::string reason;
};

struct RunReport {
  ResearchMode mode = ResearchMode::kSeed;
  bool phrase_list = false;  // the user's own phrases were researched, not a seed's suggestions
  // Stop() came before the run ended, or Escape was held at its last checkpoint: its rows may be
  // fewer, and their lookups cut short.
  bool stopped = false;
  // The rows listed when it ended, of the most it was asked for; 0 of 0 when its list moved on
  // without it (cleared, or taken by a newer run).
  int rows_done = 0;
  int rows_wanted = 0;
  // How the suggestion or top-searches page went (body left out), so a run that listed nothing
  // can say whether there was nothing or the page never came.
  FetchResult first_page;
  // The rows the seed research filled, in the list's order at its end, with how each lookup went
  // (LookupStatus): none when the list moved on without the run (cleared, or a newer run).
  std::vector<KeywordRowPtr> rows;
  int pages_asked = 0;  // pages the run took (a page a stop made unnecessary is none)
  std::vector<PageNotFetched> not_fetched;  // of these, the ones that failed, in order
  int pages_not_used = 0;                   // fetched ahead for rows the run never reached
  // The provider that answered the run's pages ("" for the stand-in or the configured hosts),
  // the calls it made for the run and what they cost, and what it said besides pages.
  std::string provider;
  sources::CallCounts calls;
  sources::RunNotes notes;
  // What the history keeps of the run besides: when it was made (seconds since 1970), where its
  // figures come from, and the demand month by month the provider gave with its phrases.
  std::int64_t started = 0;
  RunOrigin origin;
  std::vector<sources::ProviderMonths> months;
  // The calls as they go on: a call sent before a stop answers after the report was made.
  std::shared_ptr<const sources::ProviderRun> provider_calls;
};

// "stopped after 1 of 30 rows" for a run cut short whose list is still its own; "" otherwise.
std::string StoppedText(const RunReport& report);

// What the provider said about the run besides its pages, one sentence each: the account it
// refused, the calls the run may make used up, a seed it knows no phrases for, phrases it left
// out because the list cannot show them.
std::vector<std::string> NoteTexts(const RunReport& report);
// What to tell the user after the run, if anything: that its suggestion or top-searches page
// could not be fetched (the empty list must not pass for a phrase nobody searches for), then the
// notes.
std::optional<std::string> AfterRunMessage(const RunReport& report);

}  // namespace quillmark::session

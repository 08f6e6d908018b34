#pragma once
// The Start button and the Investigate dialog's Investigate button, as the window calls them.

#include <functional>
#include <memory>
#include <optional>

#include "research/research_host.h"
#include "session/research_run.h"
#include "session/run_in_hand.h"
#include "session/run_report.h"

namespace quillmark::session {

// The dialog's answers as a run will use them, read from `host` now.
RunRequest ReadRunRequest(ResearchHost& host);

// Makes the run of a request: the window's picks the session in use and the fetches in flight.
using RunMaker = std::function<std::unique_ptr<ResearchRun>(RunRequest request)>;

// The Start button: stops the run in hand, shows the Investigate dialog and, when its Investigate
// button closed it, makes the run of its answers and starts it, in hand for its life (the busy
// cursor, the seed research or the top searches listing, "Done!"). The run's report; nothing when
// the dialog was cancelled or closed. Never throws.
std::optional<RunReport> StartCommand(ResearchHost& host, RunInHand& in_hand,
                                      const RunMaker& make_run);

// The dialog's Investigate button: empties the keyword list and closes the dialog through
// `close_dialog`.
void ConfirmInvestigate(ResearchHost& host, const std::function<void()>& close_dialog = {});

}  // namespace quillmark::session

#include "session/start_command.h"

#include <utility>

namespace quillmark::session {

RunRequest ReadRunRequest(ResearchHost& host) {
  return {.mode = host.Mode(),
          .seed = host.SeedText(),
          .target_url = host.TargetUrl(),
          .max_pages_text = host.MaxPagesText(),
          .max_results = host.MaxResults(),
          .filter_unwanted = host.FilterUnwanted(),
          .unwanted_terms = host.UnwantedTerms()};
}

std::optional<RunReport> StartCommand(ResearchHost& host, RunInHand& in_hand,
                                      const RunMaker& make_run) {
  try {
    in_hand.Stop();
    host.ProcessMessages();
    const bool investigate = host.ShowInvestigateDialog();
    host.ProcessMessages();
    if (!investigate) return std::nullopt;
    const std::unique_ptr<ResearchRun> run = make_run(ReadRunRequest(host));
    if (!run) return std::nullopt;
    const RunInHand::Holding holding(in_hand, *run);
    return run->Start();
  } catch (...) {
    // A user command never lets a failure out to the message loop.
    return std::nullopt;
  }
}

void ConfirmInvestigate(ResearchHost& host, const std::function<void()>& close_dialog) {
  try {
    host.Keywords().Clear();
    host.ProcessMessages();
    if (close_dialog) close_dialog();
    host.ProcessMessages();
  } catch (...) {
  }
}

}  // namespace quillmark::session

#include "research/start_command.h"

#include <string>

#include "research/stop_request.h"

namespace quillmark {
namespace {

constexpr const char* kDoneText = "Done!";

}  // namespace

void StartCommand(Researcher& researcher) {
  ResearchHost& host = researcher.Host();
  try {
    StopCommand(host);
    // The dialog's Investigate button clears the Stop request; Cancel or the close box leave it
    // set, and then nothing starts.
    host.ShowInvestigateDialog();
    host.ProcessMessages();
    if (StopRequested()) return;

    const std::string seed = host.SeedText();
    const ResearchMode mode = host.Mode();
    host.ShowBusyCursor();
    try {
      host.SetSaveDialogsFileName(seed);
    } catch (...) {
    }
    try {
      if (mode == ResearchMode::kSeed) {
        researcher.ResearchSeed(seed);
      } else {
        researcher.ExtractTopSearches();
      }
    } catch (...) {
      // A failed run ends like a finished one: the rows made so far stay, "Done!" follows.
    }
    host.RestoreCursor();
    host.SetStatusText(kDoneText);
    host.ProcessMessages();
  } catch (...) {
    // A user command never lets a failure out to the message loop.
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
  ClearStopRequest();
}

void CancelInvestigate(const std::function<void()>& close_dialog) {
  SetStopRequest();
  if (close_dialog) close_dialog();
}

}  // namespace quillmark

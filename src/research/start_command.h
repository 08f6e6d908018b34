#pragma once
// The Start command and the Investigate dialog's two buttons, as the window and qmk call them.

#include <functional>

#include "research/research_host.h"
#include "research/researcher.h"

namespace quillmark {

// The Start button: Stop, the Investigate dialog, then the seed research or the top searches
// listing with the busy cursor, ending with "Done!". Never throws.
void StartCommand(Researcher& researcher);

// The dialog's Investigate button: empties the keyword list, closes the dialog through
// `close_dialog`, and clears the Stop request even when a step before failed.
void ConfirmInvestigate(ResearchHost& host, const std::function<void()>& close_dialog = {});
// The dialog's Cancel button: raises the Stop request and closes the dialog.
void CancelInvestigate(const std::function<void()>& close_dialog = {});

}  // namespace quillmark

#pragma once
// The program-wide Stop request that ends a run at its next checkpoint and, set during a run,
// cancels the fetch in flight and any further fetch of that run; and the Stop command that
// raises it. The request is atomic, so a worker thread that fetches may read it, and setting it
// is safe in a signal handler.

#include <functional>

namespace quillmark {

class ResearchHost;

bool StopRequested();
void SetStopRequest();
void ClearStopRequest();

// A cancel test for one fetch: true once the Stop request is set after the test was made. A
// request that was already set when it was made does not count, so a fetch started while a stop
// from before is still standing (a research started from the top searches window) goes ahead.
// Safe to call from any thread.
std::function<bool()> CancelOnStop();

// The Stop button: raise the request, then let pending messages run so the click is seen.
void StopCommand(ResearchHost& host);

}  // namespace quillmark

#pragma once
// The program-wide Stop request that ends a run at its next checkpoint, and the Stop command
// that raises it. Everything runs on one thread, so a plain flag is enough.

namespace quillmark {

class ResearchHost;

bool StopRequested();
void SetStopRequest();
void ClearStopRequest();

// The Stop button: raise the request, then let pending messages run so the click is seen.
void StopCommand(ResearchHost& host);

}  // namespace quillmark

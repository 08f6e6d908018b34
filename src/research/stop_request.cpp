#include "research/stop_request.h"

#include "research/research_host.h"

namespace quillmark {
namespace {

bool stop_requested = false;

}  // namespace

bool StopRequested() {
  return stop_requested;
}
void SetStopRequest() {
  stop_requested = true;
}
void ClearStopRequest() {
  stop_requested = false;
}

void StopCommand(ResearchHost& host) {
  SetStopRequest();
  host.ProcessMessages();
}

}  // namespace quillmark

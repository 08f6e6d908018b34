#include "research/research_host.h"

#include <chrono>
#include <thread>

namespace quillmark {

void ResearchHost::WaitForEvents() {
  ProcessMessages();
  // Short enough that a page that came is taken at once; long enough not to spin.
  std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

}  // namespace quillmark

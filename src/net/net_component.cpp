#include "net/net_component.h"

#include <memory>
#include <mutex>

namespace quillmark::net {

namespace {

// A fetch may run on a worker thread while the window's thread makes another component, so the
// count and the stack it keeps alive are guarded.
std::mutex g_stack_mutex;
std::unique_ptr<TNetStack> g_shared_stack;
int g_live_components = 0;

std::string StatusText(TNetStatus status, const std::string& argument) {
  switch (status) {
    case TNetStatus::hsResolving:
      return "Resolving hostname " + argument + ".";
    case TNetStatus::hsConnecting:
      return "Connecting to " + argument + ".";
    case TNetStatus::hsConnected:
      return "Connected.";
    case TNetStatus::hsDisconnecting:
      return "Disconnecting from " + argument + ".";
    case TNetStatus::hsDisconnected:
      return "Not connected.";
    case TNetStatus::hsText:
      break;
  }
  return argument;
}

}  // namespace

TNetStack& SharedStack() {
  std::lock_guard lock(g_stack_mutex);
  return *g_shared_stack;
}
int LiveComponentCount() {
  std::lock_guard lock(g_stack_mutex);
  return g_live_components;
}

TNetComponent::TNetComponent() {
  std::lock_guard lock(g_stack_mutex);
  if (!g_shared_stack) g_shared_stack = std::make_unique<TNetStack>();
  ++g_live_components;
}

TNetComponent::~TNetComponent() {
  std::lock_guard lock(g_stack_mutex);
  if (--g_live_components == 0) g_shared_stack.reset();
}

void TNetComponent::DoStatus(TNetStatus status, const std::string& argument) {
  if (OnStatus) OnStatus(*this, status, StatusText(status, argument));
}

void TNetComponent::BeginWork(TNetWorkMode mode, std::int64_t expected) {
  WorkState& w = Work(mode);
  if (++w.nesting == 1) {
    w.expected = expected;
    w.total = 0;
    if (OnWorkBegin) OnWorkBegin(*this, mode, expected);
  }
}

void TNetComponent::DoWork(TNetWorkMode mode, std::int64_t count) {
  WorkState& w = Work(mode);
  if (w.nesting > 0) {
    w.total += count;
    if (OnWork) OnWork(*this, mode, w.total);
  }
}

void TNetComponent::EndWork(TNetWorkMode mode) {
  WorkState& w = Work(mode);
  if (w.nesting == 1 && OnWorkEnd) OnWorkEnd(*this, mode);
  if (w.nesting > 0) --w.nesting;
}

}  // namespace quillmark::net

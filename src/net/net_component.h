#pragma once
// TNetComponent: the base of every connection object. It keeps the shared socket layer alive
// while any component exists and carries the status and work observers.

#include <cstdint>
#include <functional>
#include <string>

#include "net/net_stack.h"

namespace quillmark::net {

enum class TNetStatus {
  hsResolving,
  hsConnecting,
  hsConnected,
  hsDisconnecting,
  hsDisconnected,
  hsText
};
enum class TNetWorkMode { wmRead, wmWrite };

class TNetComponent;
using TNetStatusEvent =
    std::function<void(TNetComponent& sender, TNetStatus status, const std::string& text)>;
using TNetWorkBeginEvent =
    std::function<void(TNetComponent& sender, TNetWorkMode mode, std::int64_t expected)>;
using TNetWorkEvent =
    std::function<void(TNetComponent& sender, TNetWorkMode mode, std::int64_t total)>;
using TNetWorkEndEvent = std::function<void(TNetComponent& sender, TNetWorkMode mode)>;

// The process's socket layer; only valid while a TNetComponent lives.
TNetStack& SharedStack();
// How many components are alive (and so whether SharedStack exists).
int LiveComponentCount();

class TNetComponent {
 public:
  TNetComponent();
  virtual ~TNetComponent();
  TNetComponent(const TNetComponent&) = delete;
  TNetComponent& operator=(const TNetComponent&) = delete;

  TNetStatusEvent OnStatus;
  TNetWorkBeginEvent OnWorkBegin;
  TNetWorkEvent OnWork;
  TNetWorkEndEvent OnWorkEnd;

 protected:
  // `argument` fills the status text's one "%s".
  void DoStatus(TNetStatus status, const std::string& argument = {});
  void BeginWork(TNetWorkMode mode, std::int64_t expected);
  void DoWork(TNetWorkMode mode, std::int64_t count);
  void EndWork(TNetWorkMode mode);

 private:
  struct WorkState {
    int nesting = 0;
    std::int64_t expected = 0;
    std::int64_t total = 0;
  };
  WorkState& Work(TNetWorkMode mode) { return work_[mode == TNetWorkMode::wmRead ? 0 : 1]; }
  WorkState work_[2];
};

}  // namespace quillmark::net

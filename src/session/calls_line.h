#pragma once
// What the window's status bar says of the provider calls of its newest run, read afresh from the
// run's ProviderRun each time it is asked: while the run goes, the most calls it may make, the
// wait a rate limit imposes while it lasts and the retries beyond the plan; once the run ended,
// what its calls made and cost, the calls sent before a stop that answer afterwards included.

#include <memory>
#include <string>

#include "sources/provider_run.h"

namespace quillmark::session {

class CallsLine {
 public:
  // A run begins. `provider` "" says nothing (the stand-in or the configured hosts answer);
  // `max_results` is a keyword research's, 0 for a run without a plan (top searches).
  void Begin(std::shared_ptr<const sources::ProviderRun> calls, std::string provider,
             int max_results);
  // The run ended: from now on its calls made and cost are said.
  void End() { ended_ = true; }
  // Says nothing until the next Begin.
  void Clear() { calls_.reset(); }

  std::string Text() const;
  // Whether Text may change before the next Begin: the run goes, or calls it sent await replies.
  bool Changing() const;

 private:
  std::shared_ptr<const sources::ProviderRun> calls_;
  std::string provider_;
  int max_results_ = 0;
  bool ended_ = false;
};

}  // namespace quillmark::session

#pragma once
// A session for tests: pages from a function any worker may call, on a pool of its own, at the
// test endpoints. The function may note what a provider would in the run's ProviderRun.

#include <functional>
#include <string>
#include <utility>

#include "research/support/fake_host.h"
#include "session/page_session.h"

namespace quillmark::testing {

class FakeSession final : public session::PageSession {
 public:
  using PageFetch = std::function<FetchResult(const std::string& url, sources::ProviderRun& run,
                                              const Cancellation& cancelled)>;

  explicit FakeSession(PageFetch fetch, Endpoints endpoints = TestEndpoints(),
                       std::size_t threads = 8)
      : fetch_(std::move(fetch)), endpoints_(std::move(endpoints)), pool_(threads) {}
  // A fetch that needs neither the run nor the cancel test.
  static PageFetch Plain(std::function<FetchResult(const std::string& url)> fetch) {
    return [fetch = std::move(fetch)](const std::string& url, sources::ProviderRun&,
                                      const Cancellation&) { return fetch(url); };
  }

  const Endpoints& GetEndpoints() const override { return endpoints_; }
  FetchResult Fetch(const std::string& url, sources::ProviderRun& run,
                    const Cancellation& cancelled) const override {
    return fetch_(url, run, cancelled);
  }
  session::FetchPool& Pool() const override { return pool_; }
  std::string ProviderName(ResearchMode) const override { return provider; }

  // The name a provider's answers would carry; "" for none.
  std::string provider;

 private:
  PageFetch fetch_;
  Endpoints endpoints_;
  mutable session::FetchPool pool_;
};

}  // namespace quillmark::testing

// The window's research with several fetches in flight: as many as the settings allow, and Stop
// ends every one of them at once.

#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "cli/support/fake_services.h"
#include "store/registry_store.h"
#include "store/settings_key.h"
#include "window_fixture.h"

namespace quillmark::testing {
namespace {

using ParallelWindowTest = WindowTest;

TEST_F(ParallelWindowTest, StopEndsEveryFetchHeldAndNothingMoreIsAsked) {
  const struct {
    std::optional<std::uint32_t> stored;  // the settings' "parallel"
    int held;
  } cases[] = {{std::nullopt, 8}, {3, 3}, {1, 1}};
  std::atomic<int> started = 0, held = 0;
  // The suggestion page comes at once; every search page is held until it is cancelled.
  const auto fetch = [&](const std::string& url, sources::ProviderRun&,
                         const Cancellation& cancelled) {
    if (url.find("/suggestion/") != std::string::npos) return FetchResult{SuggestionPage(20)};
    ++started;
    ++held;
    while (!cancelled()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    --held;
    return FetchResult{{}, FetchStatus::kCancelled, "stopped"};
  };

  for (const auto& c : cases) {
    SCOPED_TRACE(c.held);
    if (c.stored)
      store::RegistryKey::OpenForWrite(store::kSettingsKeyPath).WriteDword("parallel", *c.stored);
    started = 0;
    MakeWindows(fetch, {"s.test", "s.test", "s.test"});
    Investigate("seed", 20, "mysite.test");
    WhenTrue([&] { return held == c.held; }, [&] { window_->StopBtnClick(); });
    Start();
    EXPECT_EQ(started, c.held);  // no more than allowed, and none after Stop
    // The row in hand is finished, with its lookups marked as stopped.
    ASSERT_EQ(window_->Model().rowCount(), 1);
    EXPECT_EQ(Cell(0, 2), "?");
    for (int i = 0; i < 2000 && held > 0; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(held, 0);
    CloseWindows();
  }
}

}  // namespace
}  // namespace quillmark::testing

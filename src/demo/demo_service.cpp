#include "demo/demo_service.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "demo/demo_limits.h"
#include "demo/demo_pages.h"
#include "demo/page_server.h"
#include "pages/page_format.h"
#include "pages/request_query.h"
#include "research/research_limits.h"

namespace quillmark::demo {
namespace {

// A result offset as the service reads it: a "b" that is not a number still asks for results,
// so anything below 1 is the first page.
int ParseOffset(std::string_view raw) {
  long long value = 0;
  bool any = false;
  for (char c : raw) {
    if (c < '0' || c > '9') break;
    any = true;
    value = value * 10 + (c - '0');
    if (value > kMaxResultOffset) return kMaxResultOffset;
  }
  return any && value > 0 ? static_cast<int>(value) : 1;
}

// The generated page for a request target. The query is decoded here: the two request kinds
// encode "+" differently (see pages/request_query.h). The suggestion path is taken with or
// without its final slash.
PageReply GeneratedPage(const std::string& target, int suggestions, int day) {
  const std::string_view path = std::string_view(target).substr(0, target.find('?'));
  std::string_view suggestion_path = pages::kSuggestionPath;
  if (path == suggestion_path || path == suggestion_path.substr(0, suggestion_path.size() - 1)) {
    const auto term = pages::FindQueryValue(target, "term");
    return {.body =
                DemoSuggestionPage(pages::DecodeQueryValue(term.value_or(""), false), suggestions)};
  }
  if (path == pages::kSearchPath) {
    // The phrase as sent, its double quotes included; no "b" is the supply search.
    const auto phrase = pages::FindQueryValue(target, "p");
    const auto offset = pages::FindQueryValue(target, "b");
    return {.body = DemoSearchPage(pages::DecodeQueryValue(phrase.value_or(""), true),
                                   offset ? ParseOffset(*offset) : 0, day)};
  }
  if (path == pages::kTopPath) return {.body = DemoTopPage(TodayUtc())};
  return {.status = 404, .body = {}};
}

}  // namespace

int DemoDayFromEnvironment() {
  const char* text = std::getenv("QUILLMARK_DEMO_DAY");
  if (text == nullptr) return 0;
  char* end = nullptr;
  errno = 0;
  const long day = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || errno != 0 || day < INT_MIN || day > INT_MAX) return 0;
  return static_cast<int>(day);
}

DemoService::DemoService(DemoOptions options) : options_(std::move(options)) {}

DemoService::~DemoService() {
  Stop();
}

void DemoService::Start() {
  if (server_) throw std::logic_error("demo service already started");
  const int suggestions = options_.suggestions;
  const int day = options_.day;
  auto server = std::make_unique<PageServer>(
      PageServerOptions{.bind = options_.bind,
                        .port = options_.port,
                        .latency_ms = options_.latency_ms,
                        // As many as a research keeps in flight: the page its run waits for
                        // must not queue behind the pages read ahead.
                        .workers = kMaxParallelFetches,
                        .name = "Quillmark demo service"},
      [suggestions, day](const std::string& target) {
        return GeneratedPage(target, suggestions, day);
      });
  server->Start();
  server_ = std::move(server);
}

int DemoService::Port() const {
  return server_ ? server_->Port() : 0;
}

void DemoService::Stop() {
  if (!server_) return;
  server_->Stop();
  server_.reset();
}

}  // namespace quillmark::demo

#include "demo/demo_service.h"

#include <memory>
#include <stdexcept>

#include "demo/demo_pages.h"
#include "demo/page_server.h"

namespace quillmark::demo {

DemoService::DemoService(DemoOptions options) : options_(std::move(options)) {}

DemoService::~DemoService() {
  Stop();
}

void DemoService::Start() {
  if (server_) throw std::logic_error("demo service already started");
  const int suggestions = options_.suggestions;
  auto server = std::make_unique<PageServer>(
      PageServerOptions{.bind = options_.bind,
                        .port = options_.port,
                        .latency_ms = options_.latency_ms,
                        .name = "Quillmark demo service"},
      [suggestions](const PageRequest& request) -> PageReply {
        switch (request.kind) {
          case PageKind::kSuggestion:
            return {.body = DemoSuggestionPage(request.phrase, suggestions)};
          case PageKind::kSearch:
            return {.body = DemoSearchPage(request.phrase, request.offset)};
          case PageKind::kTop:
            break;
        }
        return {.body = DemoTopPage(TodayUtc())};
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

#pragma once
// The options every fetching command shares: the three endpoints and the fetch time limit, and
// the session that resolves the endpoints (flag, then environment, then the bundled stand-in
// service, started for the session when any endpoint is left to it).

#include <chrono>
#include <memory>
#include <string>

#include <CLI/CLI.hpp>

#include "research/endpoints.h"
#include "research/page_fetcher.h"

namespace quillmark::demo {
class DemoService;
}

namespace quillmark::cli {

struct NetworkOptions {
  std::string suggest_host;
  std::string search_host;
  std::string top_host;
  double timeout_seconds = 60;
};

// Adds --timeout SECONDS and --suggest-host/--search-host/--top-host HOST[:PORT].
void AddNetworkOptions(CLI::App* command, NetworkOptions& options);

// The --timeout value as a time limit of whole milliseconds (at least 1).
std::chrono::milliseconds FetchTimeout(const NetworkOptions& options);

// Whether a text is a usable "host" or "host:port" endpoint.
bool IsEndpointText(const std::string& text);

class NetworkSession {
 public:
  // Throws CLI::ValidationError for a malformed endpoint taken from the environment, and
  // std::runtime_error when the stand-in service cannot start. `program` names the command in
  // the note that says the stand-in service is in use.
  explicit NetworkSession(const NetworkOptions& options, const std::string& program = "qmk");
  ~NetworkSession();
  NetworkSession(const NetworkSession&) = delete;
  NetworkSession& operator=(const NetworkSession&) = delete;

  const Endpoints& GetEndpoints() const { return endpoints_; }
  std::chrono::milliseconds Timeout() const { return timeout_; }
  // FetchPage with the session's time limit.
  PageFetcher Fetcher() const;

 private:
  Endpoints endpoints_;
  std::chrono::milliseconds timeout_;
  std::unique_ptr<demo::DemoService> demo_;
};

}  // namespace quillmark::cli

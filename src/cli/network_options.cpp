#include "cli/network_options.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <vector>

#include "cli/interrupt.h"
#include "cli/terminal_host.h"
#include "demo/demo_service.h"
#include "net/fetch_page.h"
#include "pages/page_request.h"
#include "research/stop_request.h"

namespace quillmark::cli {
namespace {

// Longer than any sensible wait, short enough that the milliseconds never overflow.
constexpr double kMaxTimeoutSeconds = 24 * 60 * 60;

const CLI::Validator kEndpointValidator(
    [](std::string& text) -> std::string {
      return IsEndpointText(text) ? std::string() : "'" + text + "' is not HOST or HOST:PORT";
    },
    "HOST[:PORT]");

// The flag's value, else the environment's, else "" (left to the stand-in service).
std::string Choose(const std::string& flag, const char* variable) {
  if (!flag.empty()) return flag;
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') return {};
  if (!IsEndpointText(value))
    throw CLI::ValidationError(variable, std::string("'") + value + "' is not HOST or HOST:PORT");
  return value;
}

// The source a flag or setting names; nullopt when it names none.
std::optional<sources::SourceName> ChooseSource(const std::string& text, const char* what) {
  if (text.empty()) return std::nullopt;
  const auto name = sources::ParseSourceName(text);
  if (!name) {
    throw CLI::ValidationError(
        what, "'" + text + "' is not a source; the sources are " + sources::SourceNamesText());
  }
  return name;
}

}  // namespace

bool IsEndpointText(const std::string& text) {
  if (text.empty()) return false;
  const std::size_t colon = text.find(':');
  const std::string host = text.substr(0, colon);
  if (host.empty()) return false;
  for (unsigned char c : host) {
    // The text goes into a request URL as it stands, so anything that would end the host part
    // or the request line is refused here.
    if (c <= ' ' || c >= 0x7F || c == '/' || c == '\\' || c == '?' || c == '#' || c == '@')
      return false;
  }
  if (colon == std::string::npos) return true;
  const std::string port = text.substr(colon + 1);
  if (port.empty() || port.size() > 5) return false;
  for (char c : port)
    if (c < '0' || c > '9') return false;
  const int number = std::stoi(port);
  return number >= 1 && number <= 65535;
}

void AddTimeoutOption(CLI::App* command, NetworkOptions& options) {
  command
      ->add_option("--timeout", options.timeout_seconds,
                   "Time limit of each page fetch, in seconds (default 60)")
      ->check(CLI::Validator(
                  [](std::string& text) -> std::string {
                    // A range check alone lets "nan" through: no comparison holds for it.
                    double seconds = 0;
                    return CLI::detail::lexical_cast(text, seconds) && std::isfinite(seconds)
                               ? std::string()
                               : "'" + text + "' is not a number of seconds";
                  },
                  "SECONDS") &
              CLI::Range(0.001, kMaxTimeoutSeconds));
}

void AddNetworkOptions(CLI::App* command, NetworkOptions& options) {
  AddTimeoutOption(command, options);
  command
      ->add_option("--suggest-host", options.suggest_host,
                   "Suggestion service HOST[:PORT] (env QUILLMARK_SUGGEST_HOST)")
      ->check(kEndpointValidator);
  command
      ->add_option("--search-host", options.search_host,
                   "Web-search engine HOST[:PORT] (env QUILLMARK_SEARCH_HOST)")
      ->check(kEndpointValidator);
  command
      ->add_option("--top-host", options.top_host,
                   "Top-searches page HOST[:PORT] (env QUILLMARK_TOP_HOST)")
      ->check(kEndpointValidator);
}

void AddSourceOptions(CLI::App* command, NetworkOptions& options, bool top_searches) {
  std::string names;
  for (const auto name : {sources::SourceName::kStandIn, sources::SourceName::kEndpoints,
                          sources::SourceName::kDataForSeo, sources::SourceName::kTrends}) {
    if (top_searches ? !sources::ServesTopSearches(name) : !sources::ServesResearch(name)) continue;
    names += (names.empty() ? "" : ", ") + std::string(sources::SourceNameText(name));
  }
  command->add_option("--source", options.source,
                      "Where the pages come from: " + names +
                          " (default: the configured hosts, else the stand-in)");
  command->add_flag_callback(
      "--no-cache", [&options] { options.use_cache = false; },
      "Ask the provider again instead of reusing its cached replies");
  if (top_searches) {
    command->add_option("--country", options.country, "Country of the trending searches")
        ->default_str("US")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
              const bool ok = text.size() == 2 &&
                              std::isalpha(static_cast<unsigned char>(text[0])) &&
                              std::isalpha(static_cast<unsigned char>(text[1]));
              return ok ? std::string() : "'" + text + "' is not a two-letter country code";
            },
            "CODE"));
  }
}

std::chrono::milliseconds FetchTimeout(const NetworkOptions& options) {
  const auto milliseconds = std::llround(options.timeout_seconds * 1000.0);
  return std::chrono::milliseconds(std::max<long long>(milliseconds, 1));
}

NetworkSession::NetworkSession(const NetworkOptions& options, EndpointNeeds needs,
                               const std::string& program)
    : timeout_(FetchTimeout(options)) {
  const bool research = needs.suggest || needs.search;
  const auto research_name = research ? ChooseSource(options.source, "--source") : std::nullopt;
  if (research_name && !sources::ServesResearch(*research_name)) {
    throw CLI::ValidationError("--source", "'" + std::string(SourceNameText(*research_name)) +
                                               "' does not serve keyword research");
  }
  std::optional<sources::SourceName> top_name;
  if (needs.top) {
    top_name = ChooseSource(options.top_source, "--source");
    if (top_name && !sources::ServesTopSearches(*top_name)) {
      throw CLI::ValidationError("--source", "'" + std::string(SourceNameText(*top_name)) +
                                                 "' does not serve top searches");
    }
    if (!top_name && research_name && sources::ServesTopSearches(*research_name))
      top_name = research_name;
  }

  const sources::ProviderOptions provider{
      .country = options.country, .use_cache = options.use_cache, .timeout = timeout_};
  // A provider answers by the page's path and query; the host only names it in messages.
  if (sources::IsProvider(research_name)) {
    research_source_ = sources::MakeProviderSource(*research_name, provider);
    endpoints_.suggest_host = endpoints_.search_host = SourceNameText(*research_name);
  }
  if (sources::IsProvider(top_name)) {
    top_source_ = sources::MakeProviderSource(*top_name, provider);
    endpoints_.top_host = SourceNameText(*top_name);
  }

  std::vector<std::string*> unset;
  const auto choose = [&unset](bool needed, std::optional<sources::SourceName> name,
                               std::string& host, const std::string& flag, const char* variable) {
    if (!needed || sources::IsProvider(name)) return;
    if (name != sources::SourceName::kStandIn) host = Choose(flag, variable);
    if (!host.empty()) return;
    if (name == sources::SourceName::kEndpoints) {
      throw CLI::ValidationError(
          "--source", std::string("endpoints needs a host: set ") + variable + " or its flag");
    }
    unset.push_back(&host);
  };
  choose(needs.suggest, research_name, endpoints_.suggest_host, options.suggest_host,
         "QUILLMARK_SUGGEST_HOST");
  choose(needs.search, research_name, endpoints_.search_host, options.search_host,
         "QUILLMARK_SEARCH_HOST");
  choose(needs.top, top_name, endpoints_.top_host, options.top_host, "QUILLMARK_TOP_HOST");
  if (unset.empty()) return;

  demo_ = std::make_unique<demo::DemoService>();
  {
    // The service's threads inherit this mask: Ctrl-C must reach the main thread, where it
    // stops the run, never a server thread.
    const StopSignalsBlocked blocked;
    demo_->Start();
  }
  const std::string local = "127.0.0.1:" + std::to_string(demo_->Port());
  for (std::string* host : unset)
    if (host->empty()) *host = local;
  std::cerr << program << ": using the bundled stand-in service at http://" << local
            << " (generated data; see --suggest-host, --search-host, --top-host)\n";
}

NetworkSession::~NetworkSession() {
  // The fetches still running use the sources and the stand-in: they end first.
  ending_ = true;
  pool_.Shutdown();
  if (demo_) demo_->Stop();
}

FetchResult NetworkSession::Fetch(const std::string& url, const session::CancelTest& also_cancelled,
                                  const FetchReport& report) const {
  // Ctrl-C counts however it raced with the run's clearing of the request.
  const std::function<bool()> cancelled = [this, stop = CancelOnStop(), &also_cancelled] {
    return ending_ || Interrupted() || stop() || (also_cancelled && also_cancelled());
  };
  sources::ProviderSource* provider = pages::ReadPageUrl(url).kind == pages::PageKind::kTopSearches
                                          ? top_source_.get()
                                          : research_source_.get();
  FetchResult result;
  if (provider) {
    const std::lock_guard lock(provider_calls_);
    result = provider->Fetch(url, cancelled);
  } else {
    result = net::FetchPage(url, {.timeout = timeout_, .cancelled = cancelled});
  }
  if (report) report(url, result);
  return result;
}

PageFetcher NetworkSession::Fetcher(FetchReport report) const {
  return
      [this, report = std::move(report)](const std::string& url) { return Fetch(url, {}, report); };
}

void NetworkSession::SetRunParameters(const sources::RunParameters& run) const {
  if (research_source_) research_source_->SetRunParameters(run);
  if (top_source_) top_source_->SetRunParameters(run);
}

sources::CallCounts NetworkSession::Calls() const {
  sources::CallCounts total;
  for (const auto* source : {research_source_.get(), top_source_.get()}) {
    if (!source) continue;
    const sources::CallCounts calls = source->Calls();
    total.made += calls.made;
    total.from_cache += calls.from_cache;
  }
  return total;
}

std::string NetworkSession::CallsText() const {
  const sources::CallCounts calls = Calls();
  return CountText(static_cast<std::size_t>(calls.made), "provider call", "provider calls") + ", " +
         std::to_string(calls.from_cache) + " from the cache";
}

}  // namespace quillmark::cli

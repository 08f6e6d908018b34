#include "session/network_session.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <vector>

#include "demo/demo_pages.h"
#include "demo/demo_service.h"
#include "net/fetch_page.h"
#include "pages/page_request.h"
#include "pages/page_writer.h"
#include "session/provider_calls.h"
#include "session/session_error.h"
#include "session/signals_blocked.h"

namespace quillmark::session {
namespace {

// The flag's value, else the environment's, else "" (left to the stand-in service).
std::string Choose(const std::string& flag, const char* variable) {
  if (!flag.empty()) return flag;
  const char* value = std::getenv(variable);
  if (value == nullptr || *value == '\0') return {};
  if (!IsEndpointText(value))
    throw SessionError(variable, std::string("'") + value + "' is not HOST or HOST:PORT");
  return value;
}

// The source a flag or setting names; nullopt when it names none.
std::optional<sources::SourceKind> ChooseSource(const std::string& text, const char* what) {
  if (text.empty()) return std::nullopt;
  const auto name = sources::ParseSourceName(text);
  if (!name) {
    throw SessionError(
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

std::chrono::milliseconds FetchTimeout(const SessionOptions& options) {
  const auto milliseconds = std::llround(options.timeout_seconds * 1000.0);
  return std::chrono::milliseconds(std::max<long long>(milliseconds, 1));
}

NetworkSession::NetworkSession(const SessionOptions& options, EndpointNeeds needs,
                               const std::string& program)
    : timeout_(FetchTimeout(options)),
      market_{options.location_code, options.language_code},
      program_(program) {
  const bool research = needs.suggest || needs.search;
  const auto research_name = research ? ChooseSource(options.source, "--source") : std::nullopt;
  if (research_name && !sources::ServesResearch(*research_name)) {
    throw SessionError("--source", "'" + std::string(SourceNameText(*research_name)) +
                                       "' does not serve keyword research");
  }
  std::optional<sources::SourceKind> top_name;
  if (needs.top) {
    top_name = ChooseSource(options.top_source, "--source");
    if (top_name && !sources::ServesTopSearches(*top_name)) {
      throw SessionError("--source", "'" + std::string(SourceNameText(*top_name)) +
                                         "' does not serve top searches");
    }
    if (!top_name && research_name && sources::ServesTopSearches(*research_name))
      top_name = research_name;
  }

  const sources::ProviderOptions provider{.country = options.country,
                                          .location_code = options.location_code,
                                          .language_code = options.language_code,
                                          .use_cache = options.use_cache,
                                          .timeout = timeout_,
                                          .sent_calls = sent_calls_};
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
  const auto choose = [&unset](bool needed, std::optional<sources::SourceKind> name,
                               std::string& host, const std::string& flag, const char* variable) {
    if (!needed || sources::IsProvider(name)) return;
    if (name != sources::SourceKind::kStandIn) host = Choose(flag, variable);
    if (!host.empty()) return;
    if (name == sources::SourceKind::kEndpoints) {
      throw SessionError("--source",
                         std::string("endpoints needs a host: set ") + variable + " or its flag");
    }
    unset.push_back(&host);
  };
  choose(needs.suggest, research_name, endpoints_.suggest_host, options.suggest_host,
         "QUILLMARK_SUGGEST_HOST");
  choose(needs.search, research_name, endpoints_.search_host, options.search_host,
         "QUILLMARK_SEARCH_HOST");
  choose(needs.top, top_name, endpoints_.top_host, options.top_host, "QUILLMARK_TOP_HOST");
  if (unset.empty()) return;

  demo_ =
      std::make_unique<demo::DemoService>(demo::DemoOptions{.day = demo::DemoDayFromEnvironment()});
  {
    // The service's threads inherit this mask: Ctrl-C must reach the thread that stops the run,
    // never a server thread.
    const AllSignalsBlocked blocked;
    demo_->Start();
  }
  demo_host_ = "127.0.0.1:" + std::to_string(demo_->Port());
  for (std::string* host : unset)
    if (host->empty()) *host = demo_host_;
  std::cerr << program << ": using the bundled stand-in service at http://" << demo_host_
            << " (generated data; see --suggest-host, --search-host, --top-host)\n";
}

bool NetworkSession::ResearchIsGenerated() const {
  return !demo_host_.empty() &&
         (endpoints_.suggest_host == demo_host_ || endpoints_.search_host == demo_host_);
}

RunOrigin NetworkSession::ResearchOrigin() const {
  RunOrigin origin{.source = "endpoints", .market = market_, .generated = ResearchIsGenerated()};
  if (origin.generated) {
    origin.source = SourceNameText(sources::SourceKind::kStandIn);
  } else if (research_source_) {
    origin.source = endpoints_.suggest_host;
  }
  return origin;
}

RunOrigin NetworkSession::TopOrigin() const {
  RunOrigin origin{.source = "endpoints",
                   .market = market_,
                   .generated = !demo_host_.empty() && endpoints_.top_host == demo_host_};
  if (origin.generated) {
    origin.source = SourceNameText(sources::SourceKind::kStandIn);
  } else if (top_source_) {
    origin.source = endpoints_.top_host;
  }
  return origin;
}

NetworkSession::~NetworkSession() {
  // The fetches still running use the sources and the stand-in: they end first.
  if (const std::int64_t given_up = EndFetches(); given_up > 0)
    std::cerr << program_ << ": " << UnansweredCallsText(given_up) << std::endl;
  if (demo_) demo_->Stop();
}

std::int64_t NetworkSession::EndFetches() {
  if (ending_.exchange(true)) return 0;
  const std::int64_t given_up = sent_calls_->GiveUp(sources::kSentCallsGrace);
  pool_.Shutdown();
  return given_up;
}

FetchResult NetworkSession::Fetch(const std::string& url, sources::ProviderRun& run,
                                  const Cancellation& cancelled) const {
  // Why a fetch stops, in one place: its run was stopped (its caller's test) or the session is
  // ending. Either ends its waits and starts no call. A provider call already sent is paid for,
  // so it goes on to its reply, which its run counts, unless the session's end gives it up.
  const Cancellation stop = [this, &cancelled] { return ending_ || (cancelled && cancelled()); };
  const pages::PageKind kind = pages::ReadPageUrl(url).kind;
  sources::ProviderSource* provider =
      kind == pages::PageKind::kTopSearches ? top_source_.get() : research_source_.get();
  if (provider) return provider->Fetch(url, run, stop);
  if (kind == pages::PageKind::kPhraseList) return PhraseListPage(run, stop);
  return net::FetchPage(url, {.timeout = timeout_, .cancelled = stop});
}

FetchResult NetworkSession::PhraseListPage(const sources::ProviderRun& run,
                                           const Cancellation& stop) const {
  if (stop()) return {.body = {}, .status = FetchStatus::kCancelled, .reason = "stopped"};
  const std::vector<std::string>& phrases = run.Parameters().phrases;
  if (endpoints_.suggest_host == demo_host_) return {.body = demo::DemoListPage(phrases)};
  // A suggestion service answers for one seed at a time: it has no figures for a list, which
  // must not pass for measured ones.
  std::vector<pages::Suggestion> unknown;
  unknown.reserve(phrases.size());
  for (const std::string& phrase : phrases) unknown.push_back({phrase, std::nullopt});
  return {.body = pages::SuggestionPage({}, unknown).text};
}

int NetworkSession::DefaultParallel(ResearchMode mode) const {
  return ProviderName(mode).empty() ? kDefaultParallelFetches : kDefaultProviderParallel;
}

int NetworkSession::MaxParallel(ResearchMode mode) const {
  return ProviderName(mode).empty() ? kMaxParallelFetches : kMaxProviderParallel;
}

std::string NetworkSession::ProviderName(ResearchMode mode) const {
  // A provider's host text is its name.
  if (mode == ResearchMode::kTopSearches) return top_source_ ? endpoints_.top_host : std::string();
  return research_source_ ? endpoints_.suggest_host : std::string();
}

}  // namespace quillmark::session

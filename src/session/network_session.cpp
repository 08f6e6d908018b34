#include "session/network_session.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <vector>

#include "demo/demo_service.h"
#include "net/fetch_page.h"
#include "pages/page_request.h"
#include "research/stop_request.h"
#include "session/count_text.h"
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
std::optional<sources::SourceName> ChooseSource(const std::string& text, const char* what) {
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
    : timeout_(FetchTimeout(options)), front_end_cancelled_(options.cancelled) {
  const bool research = needs.suggest || needs.search;
  const auto research_name = research ? ChooseSource(options.source, "--source") : std::nullopt;
  if (research_name && !sources::ServesResearch(*research_name)) {
    throw SessionError("--source", "'" + std::string(SourceNameText(*research_name)) +
                                       "' does not serve keyword research");
  }
  std::optional<sources::SourceName> top_name;
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
                                          .timeout = timeout_};
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

  demo_ = std::make_unique<demo::DemoService>();
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

NetworkSession::~NetworkSession() {
  // The fetches still running use the sources and the stand-in: they end first.
  ending_ = true;
  pool_.Shutdown();
  if (demo_) demo_->Stop();
}

FetchResult NetworkSession::Fetch(const std::string& url, const CancelTest& also_cancelled,
                                  const FetchReport& report) const {
  // The front end's test (Ctrl-C) counts however it raced with the run's clearing of the request.
  const CancelTest cancelled = [this, stop = CancelOnStop(), &also_cancelled] {
    return ending_ || (front_end_cancelled_ && front_end_cancelled_()) || stop() ||
           (also_cancelled && also_cancelled());
  };
  sources::ProviderSource* provider = pages::ReadPageUrl(url).kind == pages::PageKind::kTopSearches
                                          ? top_source_.get()
                                          : research_source_.get();
  const FetchResult result =
      provider ? provider->Fetch(url, cancelled)
               : net::FetchPage(url, {.timeout = timeout_, .cancelled = cancelled});
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
    total.retries += calls.retries;
    total.cost += calls.cost;
  }
  return total;
}

std::string NetworkSession::CallsText() const {
  return session::CallsText(Calls());
}

std::vector<std::pair<std::string, sources::RunNotes>> NetworkSession::SourceNotes() const {
  std::vector<std::pair<std::string, sources::RunNotes>> notes;
  // A provider's host text is its name.
  if (research_source_) notes.emplace_back(endpoints_.suggest_host, research_source_->Notes());
  if (top_source_) notes.emplace_back(endpoints_.top_host, top_source_->Notes());
  return notes;
}

std::string NetworkSession::Refusal() const {
  for (const auto& [name, notes] : SourceNotes())
    if (!notes.refusal.empty()) return notes.refusal;
  return {};
}

std::vector<std::string> NetworkSession::NoteTexts() const {
  std::vector<std::string> texts;
  for (const auto& [name, notes] : SourceNotes()) {
    if (!notes.refusal.empty()) {
      texts.push_back(name + " refused the account: " + notes.refusal +
                      "; no further calls were made in this run");
    }
    for (const std::string& seed : notes.seeds_without_ideas)
      texts.push_back(name + " knows no phrases for \"" + seed + "\"");
    if (notes.phrases_left_out > 0) {
      const bool one = notes.phrases_left_out == 1;
      texts.push_back(
          CountText(static_cast<std::size_t>(notes.phrases_left_out), "phrase", "phrases") +
          " left out: " + (one ? "it holds" : "they hold") + " characters the list cannot show");
    }
  }
  return texts;
}

}  // namespace quillmark::session

// qmk bridge: serves a source on loopback in the page formats of the three endpoints, so a program
// that only speaks those (an older build's window, another tool) can research through it with
// --suggest-host, --search-host and --top-host.

#include <atomic>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/page_words.h"
#include "cli/row_output.h"
#include "command_line/common_options.h"
#include "demo/page_server.h"
#include "pages/page_format.h"
#include "pages/page_request.h"
#include "research/page_text.h"
#include "research/research_limits.h"
#include "session/count_text.h"
#include "session/network_session.h"
#include "session/provider_calls.h"
#include "session/run_report.h"
#include "session/session_error.h"
#include "sources/source.h"

namespace quillmark::cli {
namespace {

constexpr const char* kPlainText = "text/plain; charset=ISO-8859-1";
// A page the source could not fetch. The status tells a client that reads statuses; the body
// must not read as a page to one that does not (see FailureBody).
constexpr int kNotFetchedStatus = 502;
constexpr int kStoppingStatus = 503;

struct BridgeArgs {
  int port = 0;
  int max_pages = kDefaultMaxPages;
  std::string target;
  session::SessionOptions network;
};

// The reason in words, kept from looking like a page: a client that reads every reply as a page
// whatever its status (an older build's fetch does) must find no table cell, no result item and
// no count in it.
std::string FailureBody(const std::string& reason) {
  std::string text = "Quillmark bridge: page not fetched: ";
  for (char c : reason) {
    if (c == '<' || c == '>') continue;
    text += static_cast<unsigned char>(c) < ' ' ? ' ' : c;
  }
  return ReplaceAllNoCase(text, "of about", "of-about") + "\n";
}

// The pages a source answers; a kind it does not serve is refused rather than made up.
session::EndpointNeeds Served(const std::string& source) {
  const std::optional<sources::SourceKind> name =
      source.empty() ? std::nullopt : sources::ParseSourceName(source);
  // An unknown name is left to the session, which says what the names are.
  const bool research = !name || sources::ServesResearch(*name);
  return {
      .suggest = research, .search = research, .top = !name || sources::ServesTopSearches(*name)};
}

int Bridge(const BridgeArgs& args) {
  // Before any thread starts, so the signal is taken here rather than by a server thread.
  StopSignalsBlocked signals;
  try {
    const session::EndpointNeeds served = Served(args.network.source);
    session::SessionOptions network = args.network;
    // One source for every page kind it serves, the top-searches page included.
    network.top_source = network.source;
    session::NetworkSession session(network, served, "qmk bridge");
    // The bridge is one run from start to stop, a standing one: it cannot see its clients' runs,
    // so it keeps no failure for the next request and a refused account only pauses it. It is
    // told once what they will ask at most.
    sources::ProviderRun bridge_run(
        {.max_pages = args.max_pages, .target = args.target, .standing = true});
    // Raised once the bridge is told to stop: no call starts from then on.
    std::atomic<bool> stopping{false};
    // Called on the server's workers, several at once: each line goes out in one piece.
    const auto fetch = [&](const std::string& url) {
      const FetchResult result =
          session.Fetch(url, bridge_run, [&stopping] { return stopping.load(); });
      if (result.status == FetchStatus::kFailed) {
        std::cerr << "qmk bridge: not fetched: " + TerminalSafe(PageInWords(url)) + ": " +
                         TerminalSafe(result.reason) + "\n"
                  << std::flush;
      }
      return result;
    };
    const Endpoints& hosts = session.GetEndpoints();
    // The request is read as the research code reads its own page URLs, and nothing else is
    // asked of the source: a "?" or "/" inside a value is part of the phrase.
    const auto answer = [&](const std::string& target) -> demo::PageReply {
      const pages::PageRequest asked = pages::ReadPageUrl(target);
      const std::string* host = nullptr;
      switch (asked.kind) {
        case pages::PageKind::kSuggestion:
          if (served.suggest) host = &hosts.suggest_host;
          break;
        case pages::PageKind::kSupply:
        case pages::PageKind::kRank:
          if (served.search) host = &hosts.search_host;
          break;
        case pages::PageKind::kTopSearches:
          if (served.top) host = &hosts.top_host;
          break;
        case pages::PageKind::kUnknown:
          return {400, "Quillmark bridge: not a page the research asks for\n", kPlainText};
      }
      if (host == nullptr) {
        return {404,
                "Quillmark bridge: source " + args.network.source + " does not serve this page\n",
                kPlainText};
      }
      if (asked.kind != pages::PageKind::kTopSearches && asked.phrase.empty())
        return {400, "Quillmark bridge: not a page the research asks for\n", kPlainText};
      // Deeper than --max-pages would cost a deeper provider call than the bridge was told of.
      if (asked.offset > std::int64_t{args.max_pages} * pages::kResultsPerRankPage) {
        return {400,
                "Quillmark bridge: result " + std::to_string(asked.offset) +
                    " lies beyond --max-pages " + std::to_string(args.max_pages) + "\n",
                kPlainText};
      }
      const FetchResult result = fetch("http://" + *host + target);
      switch (result.status) {
        case FetchStatus::kComplete:
          return {.body = result.body};
        case FetchStatus::kFailed:
          return {kNotFetchedStatus, FailureBody(result.reason), kPlainText};
        case FetchStatus::kCancelled:
          break;
      }
      return {kStoppingStatus, "Quillmark bridge: stopping\n", kPlainText};
    };
    demo::PageServer server({.bind = "127.0.0.1",
                             .port = args.port,
                             .name = "Quillmark bridge",
                             .this_machine_only = true},
                            answer);
    server.Start();
    const std::string local = "127.0.0.1:" + std::to_string(server.Port());
    std::cerr << "qmk bridge: serving on http://" << local << " (";
    if (served.suggest) std::cerr << "--suggest-host " << local << " --search-host " << local;
    if (served.suggest && served.top) std::cerr << " ";
    if (served.top) std::cerr << "--top-host " << local;
    std::cerr << ")" << std::endl;
    signals.WaitForStop();
    signals.ExitAtNextStop();
    // No further call starts, and the requests still waiting for a worker are answered 503 now.
    // The calls already sent (paid for) get a moment to answer; those that do not are given up,
    // and the server's threads are free to end.
    stopping = true;
    server.StopTaking();
    const std::int64_t given_up = session.EndFetches();
    server.Stop();
    // What the providers noted is said at the bridge's end.
    session::RunReport report;
    report.provider =
        session.ProviderName(served.suggest ? ResearchMode::kSeed : ResearchMode::kTopSearches);
    report.notes = bridge_run.Notes();
    for (const std::string& note : session::NoteTexts(report))
      std::cerr << "qmk bridge: " << TerminalSafe(note) << "\n";
    if (given_up > 0) {
      std::cerr << "qmk bridge: "
                << session::CountText(static_cast<std::size_t>(given_up), "call", "calls")
                << " given up at stop; the provider may bill " << (given_up == 1 ? "it" : "them")
                << "\n";
    }
    if (session.UsesProvider())
      std::cerr << "qmk bridge: " << session::CallsText(bridge_run.Calls()) << std::endl;
  } catch (const session::SessionError& e) {
    std::cerr << "qmk bridge: " << e.what() << "\n";
    return kExitUsage;
  } catch (const std::exception& e) {
    std::cerr << "qmk bridge: " << e.what() << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

void AddBridgeCommand(CLI::App& app, int& exit_code) {
  auto* cmd = app.add_subcommand(
      "bridge", "Serve a source on loopback as the suggestion, search and top-searches pages");
  auto args = std::make_shared<BridgeArgs>();
  cmd->add_option("--port", args->port, "TCP port on 127.0.0.1 (default 0: any free port)")
      ->check(CLI::Range(0, 65535));
  cmd->add_option("--max-pages", args->max_pages,
                  "Result pages of 20 the clients search for a rank, 1 to 20 (default " +
                      std::to_string(kDefaultMaxPages) + ")")
      ->check(CLI::Range(kMinMaxPages, kMaxMaxPages));
  cmd->add_option("--target", args->target,
                  "Your site, if the clients look for one: a provider stops its result crawl "
                  "once it appears (cheaper)");
  command_line::AddNetworkOptions(cmd, args->network);
  command_line::AddSourceOptions(cmd, args->network, command_line::PagesAsked::kBoth);
  // Every source serves some page kind here; the bridge answers those it serves.
  cmd->get_option("--source")
      ->description("Where the pages come from: " + sources::SourceNamesText() +
                    " (default: the configured hosts, else the stand-in)");
  cmd->callback([args, &exit_code] { exit_code = Bridge(*args); });
}

}  // namespace quillmark::cli

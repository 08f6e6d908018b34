#include "command_line/common_options.h"

#include <cctype>
#include <cmath>
#include <string>

#include "session/network_session.h"
#include "sources/source.h"

namespace quillmark::command_line {
namespace {

const CLI::Validator kEndpointValidator(
    [](std::string& text) -> std::string {
      return session::IsEndpointText(text) ? std::string()
                                           : "'" + text + "' is not HOST or HOST:PORT";
    },
    "HOST[:PORT]");

}  // namespace

void AddTimeoutOption(CLI::App* command, session::SessionOptions& options) {
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
              CLI::Range(0.001, session::kMaxTimeoutSeconds));
}

void AddNetworkOptions(CLI::App* command, session::SessionOptions& options) {
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

void AddSourceOptions(CLI::App* command, session::SessionOptions& options, bool top_searches) {
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

}  // namespace quillmark::command_line

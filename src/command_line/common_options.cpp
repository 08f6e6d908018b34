#include "command_line/common_options.h"

#include <cctype>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "base/ascii.h"
#include "session/network_session.h"
#include "sources/markets.h"
#include "sources/source.h"

namespace quillmark::command_line {
namespace {

const CLI::Validator kEndpointValidator(
    [](std::string& text) -> std::string {
      return session::IsEndpointText(text) ? std::string()
                                           : "'" + text + "' is not HOST or HOST:PORT";
    },
    "HOST[:PORT]");

// The longest location code taken as it stands: the provider numbers its regions and cities
// too, and those are not in the built-in list of countries.
constexpr std::size_t kMaxLocationDigits = 8;

// Quoted for a message, with control bytes shown as '?' so a typed escape cannot reach the
// terminal.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (char c : text) quoted += static_cast<unsigned char>(c) < ' ' || c == 0x7f ? '?' : c;
  return quoted + "\"";
}

// A usage error for a market nobody has heard of, with the names it may have meant:
// unknown --location "Germny"; did you mean Germany?
[[noreturn]] void RefuseName(std::string_view option, std::string_view text,
                             const std::vector<std::string_view>& close, std::string_view what) {
  std::string message = "unknown " + std::string(option) + " " + Quoted(text) + "; ";
  if (close.empty()) {
    message += "give " + std::string(what);
  } else {
    message += "did you mean ";
    for (std::size_t i = 0; i < close.size(); ++i) {
      if (i > 0) message += i + 1 == close.size() ? " or " : ", ";
      message += close[i];
    }
    message += "?";
  }
  throw CLI::ValidationError(message);
}

bool TwoLetters(std::string_view text) {
  return text.size() == 2 && std::isalpha(static_cast<unsigned char>(text[0])) &&
         std::isalpha(static_cast<unsigned char>(text[1]));
}

}  // namespace

void AddMarketOptions(CLI::App* command, session::SessionOptions& options) {
  command
      ->add_option_function<std::string>(
          "--location",
          [&options](const std::string& text) {
            if (const sources::Country* country = sources::FindCountry(text)) {
              options.location_code = country->LocationCode();
            } else if (ascii::AllDigits(text) && text.size() <= kMaxLocationDigits &&
                       std::stoi(text) > 0) {
              options.location_code = std::stoi(text);  // fits: at most 8 digits
            } else {
              RefuseName("--location", text, sources::CloseCountries(text),
                         "a country's name, its two-letter code or a location code");
            }
          },
          "Market of a provider research: a country's name or two-letter code, or the "
          "provider's location code (default: United States)")
      ->type_name("COUNTRY");
  command
      ->add_option_function<std::string>(
          "--language",
          [&options](const std::string& text) {
            const sources::Language* language = sources::FindLanguage(text);
            if (language == nullptr)
              RefuseName("--language", text, sources::CloseLanguages(text),
                         "a language's name or code");
            options.language_code = language->code;
          },
          "Language of a provider research: its name or code (default: English)")
      ->type_name("LANGUAGE");
}

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

void AddSourceOptions(CLI::App* command, session::SessionOptions& options, PagesAsked pages) {
  const bool research = pages != PagesAsked::kTopSearches;
  const bool top_searches = pages != PagesAsked::kResearch;
  std::string names;
  for (const auto kind : {sources::SourceKind::kStandIn, sources::SourceKind::kEndpoints,
                          sources::SourceKind::kDataForSeo, sources::SourceKind::kTrends}) {
    if ((research && sources::ServesResearch(kind)) ||
        (top_searches && sources::ServesTopSearches(kind)))
      names += (names.empty() ? "" : ", ") + std::string(sources::SourceNameText(kind));
  }
  command->add_option("--source", options.source,
                      "Where the pages come from: " + names +
                          " (default: the configured hosts, else the stand-in)");
  command->add_flag_callback(
      "--no-cache", [&options] { options.use_cache = false; },
      "Ask the provider again instead of reusing its cached replies");
  if (research) AddMarketOptions(command, options);
  if (top_searches) {
    command
        ->add_option_function<std::string>(
            "--country",
            [&options](const std::string& text) {
              // A two-letter code outside the built-in list still names a feed of its own.
              if (const sources::Country* country = sources::FindCountry(text)) {
                options.country = country->alpha2;
              } else if (TwoLetters(text)) {
                options.country = text;
              } else {
                RefuseName("--country", text, sources::CloseCountries(text),
                           "a country's name or two-letter code");
              }
            },
            "Country of the trending searches: its name or two-letter code (default: United "
            "States)")
        ->type_name("COUNTRY");
  }
}

}  // namespace quillmark::command_line

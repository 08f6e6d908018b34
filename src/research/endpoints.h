#pragma once
// The three outside endpoints a run talks to, and the URLs it asks them for.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark {

// Each host is "host" or "host:port"; a URL is "http://" + host + path and query, so the port
// reaches the connection while the Host line carries the host alone.
struct Endpoints {
  std::string suggest_host;
  std::string search_host;
  std::string top_host;
};

// The suggestion request for a seed (quotes already removed and trimmed by the caller).
std::string SuggestionUrl(std::string_view host, std::string_view seed);
// The exact-phrase search that carries the supply count.
std::string SupplyUrl(std::string_view host, std::string_view phrase);
// One page of 20 results of the exact-phrase search, starting at the 1-based result `offset`.
std::string RankUrl(std::string_view host, std::string_view phrase, std::int64_t offset);
std::string TopSearchesUrl(std::string_view host);
// The demand of the run's own list of `count` phrases, as a suggestion page in the list's order.
std::string PhraseListUrl(std::string_view host, std::size_t count);

}  // namespace quillmark

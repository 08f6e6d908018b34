#pragma once
// The three endpoints served from memory for qmk's end-to-end tests, recording every request.

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "net/support/scripted_server.h"

namespace quillmark::testing {

// A suggestion page of `n` pairs: demand 100 * (i + 1), phrase "phrase i".
inline std::string SuggestionPage(int n) {
  std::string page = "<html>search done for you<table>";
  for (int i = 0; i < n; ++i) {
    page += "<tr><td>&nbsp;" + std::to_string(100 * (i + 1)) +
            "</td><td><a href=x?a=1&amp;b=" + std::to_string(i) + ">Phrase " + std::to_string(i) +
            "</a></td></tr>";
  }
  return page + "</table></html>";
}

// A result page whose items are numbered from `offset`; `site` stands in item `at` (1-based
// within the page) when `at` > 0.
inline std::string ResultPage(int offset, int at, const std::string& site) {
  std::string page = "results of about 1,234 for it<ol>";
  for (int i = 1; i <= 20; ++i) {
    const std::string host = i == at ? site : "other" + std::to_string(offset + i - 1) + ".test";
    page += "<li><a href=\"http://" + host + "/\">result</a></li>";
  }
  return page + "</ol>";
}

// Serves the three endpoints from memory and records the targets asked for.
class FakeServices {
 public:
  explicit FakeServices(int pairs, std::function<void(const std::string&)> on_request = {})
      : server_([this, pairs, on_request](const std::string& target) {
          {
            std::lock_guard lock(mutex_);
            targets_.push_back(target);
          }
          if (on_request) on_request(target);
          return Answer(target, pairs);
        }) {}

  std::vector<std::string> EndpointFlags() const {
    const std::string host = "127.0.0.1:" + std::to_string(server_.port());
    return {"--suggest-host", host, "--search-host", host, "--top-host", host};
  }
  std::vector<std::string> Targets() const {
    std::lock_guard lock(mutex_);
    return targets_;
  }

 private:
  static std::string Answer(const std::string& target, int pairs) {
    if (target.rfind("/d/searchinventory/suggestion/", 0) == 0)
      return Reply("200 OK", SuggestionPage(pairs));
    if (target == "/top") {
      std::string page = "<table><tr>";
      for (const char* phrase : {"Local News", "new socks", "  ", "blue shoes", "ebay motors"})
        page += std::string("<td><a href=/q>") + phrase + "</a></td>";
      return Reply("200 OK", page + "</tr></table>");
    }
    const auto b = target.find("&b=");
    if (b == std::string::npos) return Reply("200 OK", "about 5 pages of about 12,345 for it");
    const int offset = std::stoi(target.substr(b + 3));
    // "phrase+1" ranks on its second page, third item: rank 23.
    const bool ranked = target.find("phrase+1%22") != std::string::npos && offset == 21;
    return Reply("200 OK", ResultPage(offset, ranked ? 3 : 0, "www.mysite.test"));
  }

  mutable std::mutex mutex_;
  std::vector<std::string> targets_;
  ScriptedServer server_;
};

inline std::vector<std::string> With(std::vector<std::string> args,
                                     const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

}  // namespace quillmark::testing

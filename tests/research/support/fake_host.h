#pragma once
// A ResearchHost for tests: dialog values as plain fields or functions, hooks inside the
// message pump and the dialog, and a record of what the run showed. FakeWeb serves pages from
// memory and records the URLs asked for.

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "research/endpoints.h"
#include "research/page_fetcher.h"
#include "research/research_host.h"

namespace quillmark::testing {

class FakeHost : public ResearchHost {
 public:
  void SetStatusText(const std::string& text) override { statuses.push_back(text); }
  void ProcessMessages() override {
    ++pumps;
    if (on_pump) on_pump();
  }
  bool EscapeDown() override { return escape_down; }

  std::string TargetUrl() override { return target_url ? target_url() : std::string(); }
  std::string MaxPagesText() override { return max_pages ? max_pages() : std::string("1"); }
  int MaxResults() override {
    ++max_results_reads;
    return max_results;
  }
  bool FilterUnwanted() override { return filter_unwanted; }
  std::vector<std::string> UnwantedTerms() override { return unwanted_terms; }

  KeywordList& Keywords() override { return keywords; }
  TopSearchList& TopSearches() override { return top_searches; }
  void PlaceTopSearchesWindow() override { ++placements; }

  // True when `on_dialog` pressed Investigate (set `accepted`).
  bool ShowInvestigateDialog() override {
    ++dialogs_shown;
    accepted = false;
    if (on_dialog) on_dialog();
    return accepted;
  }
  std::string SeedText() override { return seed; }
  ResearchMode Mode() override { return mode; }
  void ShowBusyCursor() override { cursor_calls.push_back("busy"); }
  void RestoreCursor() override { cursor_calls.push_back("restore"); }
  void SetSaveDialogsFileName(const std::string& name) override { save_dialogs_name = name; }

  const std::string& LastStatus() const {
    static const std::string none;
    return statuses.empty() ? none : statuses.back();
  }

  // Dialog values.
  std::function<std::string()> target_url;
  std::function<std::string()> max_pages;
  int max_results = 100;
  bool filter_unwanted = false;
  std::vector<std::string> unwanted_terms;
  std::string seed;
  ResearchMode mode = ResearchMode::kSeed;

  // Hooks: run inside ProcessMessages and inside ShowInvestigateDialog.
  std::function<void()> on_pump;
  std::function<void()> on_dialog;
  bool accepted = false;
  bool escape_down = false;

  // What the run did.
  KeywordList keywords;
  TopSearchList top_searches;
  std::vector<std::string> statuses;
  std::vector<std::string> cursor_calls;
  std::string save_dialogs_name = "(unset)";
  int pumps = 0;
  int placements = 0;
  int dialogs_shown = 0;
  int max_results_reads = 0;
};

// Pages by exact URL ("" for any other); `on_fetch` runs before each answer and may change
// the host's state as a nested command would. Like the real fetch, a stop of the run while a page
// is on its way (`stopped` holds after `on_fetch`) cancels it; `failures` names URLs whose fetch
// fails, with the reason. Workers may fetch at once; the maps are set before the run.
class FakeWeb {
 public:
  PageFetcher Fetcher() {
    return [this](const std::string& url) {
      {
        const std::lock_guard lock(mutex_);
        asked.push_back(url);
      }
      if (on_fetch) on_fetch(url);
      if (stopped && stopped()) return FetchResult{{}, FetchStatus::kCancelled, "stopped"};
      if (const auto failure = failures.find(url); failure != failures.end())
        return FetchResult{{}, FetchStatus::kFailed, failure->second};
      const auto it = pages.find(url);
      return FetchResult{it == pages.end() ? fallback : it->second};
    };
  }

  std::map<std::string, std::string> failures;
  std::map<std::string, std::string> pages;
  std::string fallback;
  std::vector<std::string> asked;
  std::function<void(const std::string&)> on_fetch;
  Cancellation stopped;

 private:
  std::mutex mutex_;
};

inline Endpoints TestEndpoints() {
  return {"suggest.test", "search.test:8080", "top.test"};
}

inline std::string SuggestUrlFor(const std::string& encoded_term) {
  return "http://suggest.test/d/searchinventory/suggestion/?term=" + encoded_term +
         "&mkt=us&lang=en_US";
}
inline std::string SupplyUrlFor(const std::string& encoded_phrase) {
  return "http://search.test:8080/search?p=%22" + encoded_phrase + "%22";
}
inline std::string RankUrlFor(const std::string& encoded_phrase, int offset) {
  return SupplyUrlFor(encoded_phrase) + "&ei=UTF-8&n=20&fl=0&b=" + std::to_string(offset);
}

}  // namespace quillmark::testing

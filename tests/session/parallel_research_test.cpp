// A research with several fetches in flight gives the rows of the research one page at a time:
// the same rows in the same order, the same texts and lookup statuses, the same saved file, and
// the same pages asked for. Replies here are decided by the URL alone and come on the pool's
// workers after random delays.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "research/support/fake_host.h"
#include "session/research_run.h"
#include "session/support/fake_session.h"
#include "store/investigation_file.h"
#include "support/temp_dir.h"

namespace quillmark::testing {
namespace {

struct Case {
  unsigned seed;
  int max_results;
  const char* max_pages;
  const char* target;
  int failure_percent;  // of the search pages
  int max_delay_ms;
};

// The suggestion page and the search engine, with replies that depend on the URL only.
class GeneratedWeb {
 public:
  explicit GeneratedWeb(const Case& c) : case_(c), random_(c.seed) {
    const char* words[] = {"garden", "sheds", "metal", "wooden", "cheap", "uk", "plans", "diy"};
    std::string page = "<p>search done for you</p><table>";
    const int pairs = 10 + static_cast<int>(random_() % 40);
    for (int i = 0; i < pairs; ++i) {
      std::string phrase = words[random_() % 8];
      phrase += std::string(" ") + words[random_() % 8];
      // Now and then a cell of its own that shifts the pairing, a repeated phrase or none.
      if (random_() % 15 == 0) page += "<td>&nbsp;extra</td>";
      if (random_() % 15 == 0) phrase.clear();
      page += "<tr><td>&nbsp;" + std::to_string(random_() % 5000) +
              "</td><td><a href=/q?k=1&amp;n=2>" + phrase + "</a></td></tr>";
    }
    suggestions_ = page + "</table>";
  }

  FetchResult Fetch(const std::string& url, const Cancellation& cancelled) {
    {
      const std::lock_guard lock(mutex_);
      asked_.push_back(url);
    }
    const auto until = std::chrono::steady_clock::now() + Delay();
    while (std::chrono::steady_clock::now() < until) {
      if (cancelled()) return {{}, FetchStatus::kCancelled, "stopped"};
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (url.find("/suggestion/") != std::string::npos) return {suggestions_};
    const std::size_t hash = std::hash<std::string>{}(url) ^ case_.seed;
    std::string body;
    if (url.find("&b=") == std::string::npos) {
      if (hash % 5 != 0) body = "results of about " + std::to_string(hash % 99999) + " for it";
    } else {
      body = "results of about 1,234 for it<ol>";
      const std::size_t at = hash % 4 == 0 ? 1 + hash / 4 % 20 : 0;
      for (std::size_t i = 1; i <= 20; ++i)
        body += i == at ? "<li>www.MySite.test/page" : "<li>other" + std::to_string(i) + ".test";
    }
    if (static_cast<int>(hash / 100 % 100) < case_.failure_percent)
      return {body.substr(0, body.size() / 2), FetchStatus::kFailed, "reply cut short"};
    return {body};
  }

  std::vector<std::string> Asked() {
    const std::lock_guard lock(mutex_);
    std::vector<std::string> asked = asked_;
    std::sort(asked.begin(), asked.end());
    return asked;
  }

 private:
  std::chrono::microseconds Delay() {
    const std::lock_guard lock(mutex_);
    return std::chrono::microseconds(random_() % (case_.max_delay_ms * 1000 + 1));
  }

  Case case_;
  std::mutex mutex_;
  std::mt19937 random_;
  std::string suggestions_;
  std::vector<std::string> asked_;
};

struct Outcome {
  std::vector<std::vector<std::string>> texts;
  std::vector<LookupStatus> lookups;
  std::string saved;
  std::vector<std::string> asked;
  int not_used = 0;
};

Outcome Research(const Case& c, int parallel) {
  GeneratedWeb web(c);
  FakeHost host;
  const auto session = std::make_shared<FakeSession>(
      [&web](const std::string& url, sources::ProviderRun&, const Cancellation& cancelled) {
        return web.Fetch(url, cancelled);
      });
  // A pages text that is not a number ends the run after its first row, as a failure.
  session::ResearchRun run(session, host,
                           {.seed = "garden sheds",
                            .target_url = c.target,
                            .max_pages_text = c.max_pages,
                            .max_results = c.max_results,
                            .parallel = parallel});
  const session::RunReport report = run.ResearchPhrase();

  Outcome outcome;
  for (const KeywordRowPtr& row : host.keywords.Rows()) {
    std::vector<std::string> texts{row->Caption()};
    texts.insert(texts.end(), row->SubItems().begin(), row->SubItems().end());
    texts.push_back(row->Checked() ? "checked" : "unchecked");
    outcome.texts.push_back(texts);
    outcome.lookups.push_back(row->Lookups());
  }
  TempDir dir("parallel-research");
  if (SaveInvestigationFile(host.keywords, dir.File("run.qmk")))
    outcome.saved = ReadBytes(dir.File("run.qmk"));
  outcome.asked = web.Asked();
  outcome.not_used = report.pages_not_used;
  return outcome;
}

TEST(ParallelResearch, GivesTheRowsAndPagesOfTheResearchOnePageAtATime) {
  const Case cases[] = {
      {1, 100, "5", "mysite.test", 0, 3},
      {2, 12, "3", "mysite.test", 25, 4},
      {3, 100, "2", "", 10, 2},
      {4, 9, "20", "MYSITE.TEST", 40, 3},
      {5, 100, "1", "mysite.test", 100, 1},
      {6, 100, "none", "mysite.test", 0, 2},
      {7, 30, "4", "www.mysite.test/page", 15, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.seed);
    const Outcome one = Research(c, 1);
    const Outcome eight = Research(c, 8);
    ASSERT_FALSE(one.texts.empty());
    EXPECT_EQ(eight.texts, one.texts);
    EXPECT_EQ(eight.lookups, one.lookups);
    EXPECT_EQ(eight.saved, one.saved);
    EXPECT_EQ(eight.asked, one.asked);
    EXPECT_EQ(eight.not_used, 0);
  }
}

}  // namespace
}  // namespace quillmark::testing

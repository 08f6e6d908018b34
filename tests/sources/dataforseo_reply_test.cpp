#include "sources/dataforseo_reply.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pages/page_writer.h"
#include "research/supply_lookup.h"
#include "sources/support/fake_provider.h"

namespace quillmark::testing {
namespace {

// A count reaches the list as the provider gave it, however large; never as a smaller number. A
// figure no count can be is a supply not fetched, with the figure in its reason, or a demand not
// known.
TEST(DataForSeoReply, CountsAreTakenAsTheProviderGaveThem) {
  const struct {
    const char* given;
    const char* shown;   // on the list, as the pages carry it
    const char* reason;  // why the supply is not fetched, when it is not
  } cases[] = {
      {"1230000", "1230000", ""},
      {"18000000000000000000", "18000000000000000000", ""},  // beyond 64-bit signed
      {"1.8e19", "18000000000000000000", ""},
      {"9.2e18", "9200000000000000000", ""},
      {"12.7", "12", ""},
      {"1e300", "?", "se_results_count 1e300 is beyond any count"},
      {"-5", "?", "reply without se_results_count"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    std::uint64_t count = 0;
    const sources::ReplyVerdict verdict = sources::ReadResultCount(
        200, fixtures::Ok(std::string(R"([{"se_results_count":)") + c.given + "}]"), count);
    EXPECT_EQ(verdict.reason, c.reason);
    if (verdict.kind == sources::ReplyVerdict::kGood) {
      EXPECT_EQ(ReadSupplyCount(pages::SupplyPage(count)), c.shown);
    }

    std::vector<pages::Suggestion> ideas;
    sources::ReadKeywordIdeas(
        200, fixtures::Ok(std::string(R"([{"keyword":"x","search_volume":)") + c.given + "}]"),
        ideas);
    ASSERT_EQ(ideas.size(), 1u);
    EXPECT_EQ(ideas[0].demand ? std::to_string(*ideas[0].demand) : "?", c.shown);
  }
}

// The queue's replies: each task sent finds its place by its tag whatever the reply's order, a task
// the queue refused says why, and a reply whose envelope is refused gives no task at all.
TEST(DataForSeoReply, QueuedTasksAreMatchedByTheirTagsAndRefusalsSaid) {
  const std::string tasks =
      R"([{"id":"b","status_code":20100,"cost":0.0006,"data":{"tag":"1"}},)"
      R"({"id":"","status_code":40501,"status_message":"Invalid Field: 'depth'.","data":{"tag":"2"}},)"
      R"({"id":"a","status_code":20100,"cost":0.0012,"data":{"tag":"0"}},)"
      R"({"id":"x","status_code":20100,"data":{"tag":"99"}}, 7])";
  const struct {
    long http;
    std::string body;
    sources::ReplyVerdict::Kind kind;
    std::vector<std::string> ids;  // by place; "!" + reason for a refused task
  } cases[] = {
      {200,
       R"({"status_code":20000,"cost":0.0018,"tasks":)" + tasks + "}",
       sources::ReplyVerdict::kGood,
       {"a", "b", "!Invalid Field: 'depth'. (40501)",
        "!the provider's queue did not take the task"}},
      {200,
       fixtures::Envelope(40100, "You are not authorized.", "{}"),
       sources::ReplyVerdict::kRefused,
       {}},
      {200,
       fixtures::Envelope(40202, "Rate limit.", "{}"),
       sources::ReplyVerdict::kRateLimited,
       {}},
      {500, "<html>", sources::ReplyVerdict::kBad, {}},
      {200, R"({"status_code":20000,"tasks":{}})", sources::ReplyVerdict::kBad, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    std::vector<sources::PostedTask> posted;
    const sources::ReplyVerdict verdict = sources::ReadPostedTasks(c.http, c.body, 4, posted);
    EXPECT_EQ(verdict.kind, c.kind);
    if (c.kind != sources::ReplyVerdict::kGood) continue;
    EXPECT_DOUBLE_EQ(verdict.cost, 0.0018);
    ASSERT_EQ(posted.size(), c.ids.size());
    for (std::size_t i = 0; i < posted.size(); ++i)
      EXPECT_EQ(posted[i].id.empty() ? "!" + posted[i].refusal : posted[i].id, c.ids[i]) << i;
    EXPECT_DOUBLE_EQ(posted[0].cost, 0.0012);
  }

  std::vector<std::string> ready;
  EXPECT_EQ(sources::ReadReadyTasks(
                200, fixtures::Ok(R"([{"id":"a"},{"id":7},{"tag":"1"},{"id":"c"}])"), ready)
                .kind,
            sources::ReplyVerdict::kGood);
  EXPECT_EQ(ready, (std::vector<std::string>{"a", "c"}));
  // A task not finished yet is told from a failed one.
  const std::string in_queue = fixtures::Envelope(
      20000, "Ok.", R"({"status_code":40602,"status_message":"Task In Queue."})");
  EXPECT_TRUE(sources::TaskNotReady(sources::ReadTaskStatus(200, in_queue)));
  EXPECT_FALSE(sources::TaskNotReady(sources::ReadTaskStatus(200, fixtures::Ok("[]"))));
  EXPECT_FALSE(sources::TaskNotReady(sources::ReadTaskStatus(
      200,
      fixtures::Envelope(20000, "Ok.", R"({"status_code":40400,"status_message":"Not Found."})"))));
}

}  // namespace
}  // namespace quillmark::testing

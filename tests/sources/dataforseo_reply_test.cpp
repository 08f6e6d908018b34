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

}  // namespace
}  // namespace quillmark::testing

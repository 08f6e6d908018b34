#pragma once
// Reads DataForSEO's JSON replies while they are parsed, keeping only what a page needs, so that
// a reply of many thousand keyword ideas never stands in memory as a document beside its text.
// Every reply has a status at the top and in its first task: 20000 is success, 40202 asks the
// caller to slow down, 40100 (not authorised) and 40200 (payment required) refuse the account.
// A reply a reader refuses leaves its list empty.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pages/page_writer.h"
#include "research/monthly_demand.h"
#include "sources/account.h"
#include "sources/provider_call.h"

namespace quillmark::sources {

// Ideas are listed by demand, largest first, unknown demands last; equal demands keep the reply's
// order.
bool ComesBefore(const pages::Suggestion& a, const pages::Suggestion& b);

// A keyword idea with its monthly figures: every month the reply gave a volume for, oldest first,
// each month once, at most the kMaxIdeaMonths newest.
struct KeywordIdea {
  pages::Suggestion suggestion;
  std::vector<MonthlyDemand> months;
};

// The keyword ideas with last month's searches as the reply gives them (the newest monthly
// figure, else the average, else none known), in ComesBefore order, at most the kMaxSuggestionRows
// first: a page holds no more.
ReplyVerdict ReadKeywordIdeas(long http_status, std::string_view body,
                              std::vector<KeywordIdea>& ideas);
// The same without the months, for the suggestion page.
ReplyVerdict ReadKeywordIdeas(long http_status, std::string_view body,
                              std::vector<pages::Suggestion>& ideas);
// The engine's "about N results" of a search, exactly as the reply gives it.
ReplyVerdict ReadResultCount(long http_status, std::string_view body, std::uint64_t& count);
// The addresses of the organic results in their rank order (ads, boxes and the other item types
// hold no position), at most kMaxOrganicResults of them.
ReplyVerdict ReadOrganicResults(long http_status, std::string_view body,
                                std::vector<std::string>& urls);
// A reply's statuses alone: whether a queued task's result (task_get) is one to keep.
ReplyVerdict ReadTaskStatus(long http_status, std::string_view body);
// Whether a queued task's reply (task_get) says the task is not finished yet.
bool TaskNotReady(const ReplyVerdict& verdict);

// A task as the provider's queue took it (task_post): its id, else why it was refused, and what
// it cost.
struct PostedTask {
  std::string id;
  std::string refusal;
  double cost = 0;
};
// task_post's reply to `sent` tasks, each sent with its place as its tag: one entry per task, in
// the order sent.
ReplyVerdict ReadPostedTasks(long http_status, std::string_view body, std::size_t sent,
                             std::vector<PostedTask>& posted);
// tasks_ready's reply: the ids of the finished tasks not collected yet.
ReplyVerdict ReadReadyTasks(long http_status, std::string_view body, std::vector<std::string>& ids);
// The account call's reply: the login, the balance and the rate limits (the numbers below
// rates.limits, by period and function), at most kMaxRateLimits of them.
ReplyVerdict ReadAccount(long http_status, std::string_view body, Account& account);

}  // namespace quillmark::sources

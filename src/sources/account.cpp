#include "sources/account.h"

#include "sources/dataforseo_reply.h"
#include "sources/dataforseo_source.h"
#include "sources/https_call.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {

// One call, straight through HTTPS: the account is never cached (the balance changes with every
// paid call, and a login has no business on disk), and a person waits for the answer, so a rate
// limit is said rather than waited out.
AccountCheck CheckDataForSeoAccount(const Credentials& credentials,
                                    std::chrono::milliseconds timeout,
                                    const Cancellation& cancelled) {
  const HttpsRequest request{.method = "GET",
                             .url = DataForSeoBaseUrl() + "/v3/appendix/user_data",
                             .body = {},
                             .headers = {},
                             .login = credentials.login,
                             .password = credentials.password,
                             .max_reply_bytes = kMaxAccountBytes};
  const HttpsReply reply = HttpsCall(request, Clock::now() + timeout, cancelled);
  AccountCheck check;
  if (reply.outcome == HttpsOutcome::kCancelled) {
    check.outcome = AccountCheck::kCancelled;
    check.failure = "stopped";
    return check;
  }
  ReplyVerdict verdict{ReplyVerdict::kBad, reply.error};
  if (reply.outcome == HttpsOutcome::kReplied)
    verdict = ReadAccount(reply.status, reply.body, check.account);
  if (verdict.kind == ReplyVerdict::kGood) {
    check.outcome = AccountCheck::kOk;
    return check;
  }
  check.account = {};
  const bool refused = verdict.kind == ReplyVerdict::kRefused || reply.status == 401 ||
                       reply.status == 402 || reply.status == 403;
  check.outcome = refused ? AccountCheck::kRefused : AccountCheck::kFailed;
  check.failure = WithoutSecrets(std::move(verdict.reason), {credentials.password});
  return check;
}

}  // namespace quillmark::sources

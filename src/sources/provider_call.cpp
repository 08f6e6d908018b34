#include "sources/provider_call.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "net/http_date.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {
namespace {

// How long a reply's Retry-After asks to wait: whole seconds or an HTTP date (RFC 9110 section
// 10.2.3). Nothing for a value that asks for no wait (0, a date past) or cannot be read: the
// backoff decides then.
std::optional<std::chrono::milliseconds> RetryAfter(const std::string& text) {
  if (text.empty()) return std::nullopt;
  std::chrono::seconds wait{0};
  if (text.find_first_not_of("0123456789") == std::string::npos) {
    for (char c : text) {
      wait = wait * 10 + std::chrono::seconds(c - '0');
      if (wait > kLongestRetryAfter) break;
    }
  } else {
    const net::TNetDateTime date = net::ReadHttpDate(text);
    if (date == 0) return std::nullopt;
    // The date is read as local time: now is taken the same way.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return std::nullopt;
    const double days =
        date - net::EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                   local.tm_hour, local.tm_min, local.tm_sec);
    if (days > 2) return kLongestRetryAfter;
    wait = std::chrono::seconds(std::llround(days * 24 * 3600));
  }
  if (wait <= std::chrono::seconds(0)) return std::nullopt;
  return std::min(wait, kLongestRetryAfter);
}

// "3 s", for a wait.
std::string Seconds(Clock::duration wait) {
  return std::to_string(std::chrono::ceil<std::chrono::seconds>(wait).count()) + " s";
}

// Sleeps until `until`, looking at the cancel test; false when it said stop.
bool WaitUntil(Clock::time_point until, const Cancellation& cancelled) {
  while (Clock::now() < until) {
    if (cancelled && cancelled()) return false;
    std::this_thread::sleep_for(std::min<Clock::duration>(kCancelPoll, until - Clock::now()));
  }
  return !(cancelled && cancelled());
}

// A reader that trips over a reply it did not foresee reports it, never passes the exception on.
ReplyVerdict SafeRead(const ReplyReader& read, long http_status, const std::string& body) {
  try {
    return read(http_status, body);
  } catch (const std::exception& e) {
    return {ReplyVerdict::kBad, std::string("unreadable reply: ") + e.what()};
  }
}

}  // namespace

ProviderCaller::ProviderCaller(const ProviderOptions& options, std::vector<std::string> secrets,
                               std::chrono::seconds cache_lifetime)
    : options_(options),
      secrets_(std::move(secrets)),
      cache_(cache_lifetime),
      sent_(options.sent_calls ? options.sent_calls : std::make_shared<SentCalls>()) {}

std::string WithoutSecrets(std::string text, const std::vector<std::string>& secrets) {
  for (const std::string& secret : secrets) {
    if (secret.empty()) continue;
    for (std::size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + 3))
      text.replace(at, secret.size(), "***");
  }
  return text;
}

FetchResult ProviderCaller::Failure(const std::string& why) const {
  return {.body = {}, .status = FetchStatus::kFailed, .reason = WithoutSecrets(why, secrets_)};
}

// A request under way: the thread that makes it answers everyone who asked it meanwhile.
struct ProviderCaller::Flight {
  std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  // The maker was stopped, or tripped: those waiting make the request themselves.
  bool given_up = false;
  std::shared_ptr<const Answer> answer;
};

bool ProviderCaller::FromCache(const HttpsRequest& request, ProviderRun& run,
                               const ReplyReader& read) const {
  if (!options_.use_cache) return false;
  const auto reply = cache_.Find({request.method, request.url, request.body});
  if (!reply || SafeRead(read, 200, *reply).kind != ReplyVerdict::kGood) return false;
  run.CountCachedReply();
  return true;
}

void ProviderCaller::Keep(const HttpsRequest& request, const std::string& reply) const {
  cache_.Store({request.method, request.url, request.body}, reply);
}

FetchResult ProviderCaller::Call(const HttpsRequest& request, ProviderRun& run,
                                 const Cancellation& cancelled, const ReplyReader& read,
                                 CallUse use) {
  const CachedRequest key{request.method, request.url, request.body};
  if (use != CallUse::kKept) return Ask(request, key, run, cancelled, read, use).result;
  const std::string text = key.Text();
  // The same request twice in a run (a phrase the provider listed twice) is one call, whether
  // the first is still under way or answered: what it was answered is given again, uncounted.
  if (const std::optional<std::string> earlier = run.Earlier(text)) {
    if (!earlier->empty()) return Failure(*earlier);
    if (const auto reply = cache_.Find(key);
        reply && SafeRead(read, 200, *reply).kind == ReplyVerdict::kGood)
      return {};
  }
  for (;;) {
    std::shared_ptr<Flight> flight;
    bool make = false;
    {
      const std::lock_guard lock(mutex_);
      auto [at, added] = flights_.try_emplace(text);
      if (added) at->second = std::make_shared<Flight>();
      flight = at->second;
      make = added;
    }
    // Whoever makes the request takes it off the list before saying how it went: a thread that
    // comes later asks the cache, which then holds the reply.
    const auto finish = [&](std::shared_ptr<const Answer> answer) {
      {
        const std::lock_guard lock(mutex_);
        flights_.erase(text);
      }
      {
        const std::lock_guard lock(flight->mutex);
        flight->done = true;
        flight->given_up = answer == nullptr;
        flight->answer = std::move(answer);
      }
      flight->ended.notify_all();
    };
    if (make) {
      Answer answer;
      try {
        answer = Ask(request, key, run, cancelled, read, use);
      } catch (...) {
        finish(nullptr);
        throw;
      }
      const bool stopped = answer.result.status == FetchStatus::kCancelled;
      if (!stopped) run.Remember(text, answer.result.Complete() ? "" : answer.result.reason);
      FetchResult result = answer.result;
      finish(stopped ? nullptr : std::make_shared<const Answer>(std::move(answer)));
      return result;
    }

    std::unique_lock lock(flight->mutex);
    while (!flight->done) {
      if (cancelled && cancelled())
        return {.body = {}, .status = FetchStatus::kCancelled, .reason = "stopped"};
      flight->ended.wait_for(lock, kCancelPoll);
    }
    if (flight->given_up) {
      // Its maker was stopped: this thread asks itself, unless it was stopped too.
      if (cancelled && cancelled())
        return {.body = {}, .status = FetchStatus::kCancelled, .reason = "stopped"};
      continue;
    }
    const Answer& answer = *flight->answer;
    lock.unlock();
    if (!answer.result.Complete()) return answer.result;
    const ReplyVerdict verdict = SafeRead(read, 200, answer.body);
    if (verdict.kind != ReplyVerdict::kGood) return Failure(verdict.reason);
    return {};
  }
}

std::optional<FetchResult> ProviderCaller::WaitForSlowDown(Clock::time_point deadline,
                                                           ProviderRun& run,
                                                           const Cancellation& cancelled) {
  for (;;) {
    Clock::time_point until;
    std::string reason;
    {
      const std::lock_guard lock(mutex_);
      until = slow_until_;
      reason = slow_reason_;
    }
    // Waited out within the time limit; what cannot be waited out fails now, not at the limit.
    const Clock::time_point now = Clock::now();
    if (until <= now) return std::nullopt;
    if (until >= deadline) {
      return Failure(reason + "; waiting " + Seconds(until - now) +
                     " for it would outlast the time limit");
    }
    run.NoteWait(until);
    if (!WaitUntil(until, cancelled))
      return FetchResult{.body = {}, .status = FetchStatus::kCancelled, .reason = "stopped"};
    // A slow-down that began meanwhile holds this call as well.
  }
}

ProviderCaller::Answer ProviderCaller::Ask(const HttpsRequest& request, const CachedRequest& key,
                                           ProviderRun& run, const Cancellation& cancelled,
                                           const ReplyReader& read, CallUse use) {
  const auto stopped = [] {
    return Answer{{.body = {}, .status = FetchStatus::kCancelled, .reason = "stopped"}, {}};
  };
  // A free look at a queue is neither held back by the run's bounds nor counted: it collects
  // what the run paid for.
  const bool counted = use != CallUse::kFree;
  if (options_.use_cache && use == CallUse::kKept) {
    if (auto reply = cache_.Find(key);
        reply && SafeRead(read, 200, *reply).kind == ReplyVerdict::kGood) {
      run.CountCachedReply();
      return {{}, std::move(*reply)};
    }
  }
  const Clock::time_point deadline = Clock::now() + options_.timeout;
  for (bool retry = false;; retry = true) {
    // Calls of other threads may have been refused meanwhile, also while this one waited.
    if (std::string refusal = counted ? run.Refusal() : std::string(); !refusal.empty())
      return {{.body = {}, .status = FetchStatus::kFailed, .reason = std::move(refusal)}, {}};
    if (counted && run.OutOfCalls()) return {Failure(run.CallLimitReason()), {}};
    if (auto held = WaitForSlowDown(deadline, run, cancelled)) return {std::move(*held), {}};
    std::uint64_t slow_downs = 0;
    {
      const std::lock_guard lock(mutex_);
      slow_downs = slow_downs_;
    }
    // Out before the stop is looked at: a session's end that began meanwhile waits for this
    // call, or this call sees the stop.
    const SentCalls::Sending sending(*sent_);
    if (cancelled && cancelled()) return stopped();
    if (counted && !run.StartCall()) return {Failure(run.CallLimitReason()), {}};
    // Sent, the call is paid for: only the session's end gives it up.
    HttpsReply reply = HttpsCall(request, deadline, [this] { return sent_->GivenUp(); });
    if (reply.outcome == HttpsOutcome::kCancelled) {
      if (counted) run.CallUnanswered();
      return stopped();
    }
    if (reply.outcome == HttpsOutcome::kFailed) {
      if (counted) run.CallAnswered(retry, 0);
      return {Failure(reply.error), {}};
    }
    ReplyVerdict verdict = reply.status == 429
                               ? ReplyVerdict{ReplyVerdict::kRateLimited, "rate limit (HTTP 429)"}
                               : SafeRead(read, reply.status, reply.body);
    if (counted) run.CallAnswered(retry, verdict.cost);
    // An HTTP refusal of a request that carried an account is a refusal of the account.
    if (verdict.kind == ReplyVerdict::kBad && !request.login.empty() &&
        (reply.status == 401 || reply.status == 402 || reply.status == 403))
      verdict.kind = ReplyVerdict::kRefused;
    if (verdict.kind != ReplyVerdict::kRefused) run.CallAccepted();
    switch (verdict.kind) {
      case ReplyVerdict::kGood: {
        {
          // A good reply to a call made since the last slow-down began: the limit has passed.
          const std::lock_guard lock(mutex_);
          if (slow_downs == slow_downs_) next_wait_ = kFirstRateLimitWait;
        }
        // Also without reading the cache: a fresh reply replaces what a later run would find.
        if (use == CallUse::kKept) cache_.Store(key, reply.body);
        return {{}, std::move(reply.body)};
      }
      case ReplyVerdict::kBad:
        return {Failure(verdict.reason), {}};
      case ReplyVerdict::kRefused: {
        FetchResult refused = Failure(verdict.reason);
        run.Refuse(refused.reason);
        return {std::move(refused), {}};
      }
      case ReplyVerdict::kRateLimited:
        break;
    }
    const std::optional<std::chrono::milliseconds> asked = RetryAfter(reply.retry_after);
    const std::lock_guard lock(mutex_);
    if (slow_downs == slow_downs_) {
      // The first limited reply since this call went out begins the slow-down for all. It is
      // never shorter than the backoff: a provider that says "0" must not be asked again at
      // once, over and over.
      slow_until_ = Clock::now() + std::max(asked.value_or(next_wait_), next_wait_);
      next_wait_ = std::min(next_wait_ * 2, kLongestRateLimitWait);
      ++slow_downs_;
      slow_reason_ = Failure(verdict.reason).reason;
    } else if (asked) {
      // One begun since: this reply only says how long, when it says so.
      slow_until_ = std::max(slow_until_, Clock::now() + *asked);
    }
  }
}

std::string ProviderBaseUrl(const char* variable, const std::string& fallback) {
  std::string base = fallback;
  if (const char* value = std::getenv(variable); value && *value) base = value;
  const bool secure = base.rfind("https://", 0) == 0;
  const bool plain = base.rfind("http://", 0) == 0;
  if ((!secure && !plain) || base.find_first_of(" \t\r\n?#@") != std::string::npos)
    throw SourceError(std::string(variable) + " must be an http:// or https:// address");
  while (!base.empty() && base.back() == '/') base.pop_back();
  if (plain) {
    // Plain HTTP would carry the account in clear: only for a server on this machine (tests).
    std::string host = base.substr(std::string_view("http://").size());
    host = host.substr(0, host.find('/'));
    host = host.rfind('[', 0) == 0 ? host.substr(0, host.find(']') + 1)
                                   : host.substr(0, host.find(':'));
    if (host != "127.0.0.1" && host != "localhost" && host != "[::1]")
      throw SourceError(std::string(variable) + " may use http:// only for this machine (" +
                        "127.0.0.1, localhost); use https://");
  }
  return base;
}

}  // namespace quillmark::sources

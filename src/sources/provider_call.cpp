#include "sources/provider_call.h"

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <thread>

#include "sources/sources_limits.h"

namespace quillmark::sources {
namespace {

// The Retry-After seconds of a reply, when it gives a plain number.
std::optional<std::chrono::milliseconds> RetryAfter(const std::string& text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  long seconds = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    seconds = seconds * 10 + (c - '0');
  }
  return std::chrono::seconds(seconds);
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
    : options_(options), secrets_(std::move(secrets)), cache_(cache_lifetime) {}

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

FetchResult ProviderCaller::Call(const HttpsRequest& request, ProviderRun& run,
                                 const Cancellation& cancelled, const ReplyReader& read) {
  const CachedRequest key{request.method, request.url, request.body};
  const std::string text = key.Text();
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
        answer = Ask(request, key, run, cancelled, read);
      } catch (...) {
        finish(nullptr);
        throw;
      }
      const bool stopped = answer.result.status == FetchStatus::kCancelled;
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
                                                           const Cancellation& cancelled) {
  for (;;) {
    Clock::time_point until;
    std::string reason;
    {
      const std::lock_guard lock(mutex_);
      until = slow_until_;
      reason = slow_reason_;
    }
    // Waited out within the time limit; what cannot be waited out is a failure like any other.
    if (until <= Clock::now()) return std::nullopt;
    if (until >= deadline)
      return Failure(reason + "; still limited when the time limit was reached");
    if (!WaitUntil(until, cancelled))
      return FetchResult{.body = {}, .status = FetchStatus::kCancelled, .reason = "stopped"};
    // A slow-down that began meanwhile holds this call as well.
  }
}

ProviderCaller::Answer ProviderCaller::Ask(const HttpsRequest& request, const CachedRequest& key,
                                           ProviderRun& run, const Cancellation& cancelled,
                                           const ReplyReader& read) {
  if (options_.use_cache) {
    if (auto reply = cache_.Find(key);
        reply && SafeRead(read, 200, *reply).kind == ReplyVerdict::kGood) {
      run.CountCall(true, false, 0);
      return {{}, std::move(*reply)};
    }
  }
  const Clock::time_point deadline = Clock::now() + options_.timeout;
  for (bool retry = false;; retry = true) {
    // Calls of other threads may have been refused meanwhile, also while this one waited.
    if (std::string refusal = run.Refusal(); !refusal.empty())
      return {{.body = {}, .status = FetchStatus::kFailed, .reason = std::move(refusal)}, {}};
    if (auto held = WaitForSlowDown(deadline, cancelled)) return {std::move(*held), {}};
    std::uint64_t slow_downs = 0;
    {
      const std::lock_guard lock(mutex_);
      slow_downs = slow_downs_;
    }
    HttpsReply reply = HttpsCall(request, deadline, cancelled);
    if (reply.outcome == HttpsOutcome::kCancelled)
      return {{.body = {}, .status = FetchStatus::kCancelled, .reason = "stopped"}, {}};
    if (reply.outcome == HttpsOutcome::kFailed) {
      run.CountCall(false, retry, 0);
      return {Failure(reply.error), {}};
    }
    ReplyVerdict verdict = reply.status == 429
                               ? ReplyVerdict{ReplyVerdict::kRateLimited, "rate limit (HTTP 429)"}
                               : SafeRead(read, reply.status, reply.body);
    run.CountCall(false, retry, verdict.cost);
    // An HTTP refusal of a request that carried an account is a refusal of the account.
    if (verdict.kind == ReplyVerdict::kBad && !request.login.empty() &&
        (reply.status == 401 || reply.status == 402 || reply.status == 403))
      verdict.kind = ReplyVerdict::kRefused;
    switch (verdict.kind) {
      case ReplyVerdict::kGood: {
        {
          // A good reply to a call made since the last slow-down began: the limit has passed.
          const std::lock_guard lock(mutex_);
          if (slow_downs == slow_downs_) next_wait_ = kFirstRateLimitWait;
        }
        // Also without reading the cache: a fresh reply replaces what a later run would find.
        cache_.Store(key, reply.body);
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
      // The first limited reply since this call went out begins the slow-down for all.
      slow_until_ = Clock::now() + asked.value_or(next_wait_);
      if (!asked) next_wait_ = std::min(next_wait_ * 2, kLongestRateLimitWait);
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

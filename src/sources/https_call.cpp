#include "sources/https_call.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "research/research_limits.h"
#include "sources/reply_budget.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {
namespace {

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// Idle transfers kept: as many as a research keeps in flight, and the page its run waits for.
constexpr std::size_t kMaxIdleTransfers = kMaxProviderParallel + 1;

// One call's reading of its reply body, within the reply budget.
struct BodyReading {
  CURL* handle;
  HttpsReply* reply;
  std::size_t max_bytes;
  ReplyBudget::Reader* share;
  bool too_large = false;
  bool sized = false;
  bool paused = false;    // the budget is spent: the transfer waits for bytes to come back
  std::size_t taken = 0;  // bytes of the body's room taken from the budget
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* reading = static_cast<BodyReading*>(user);
  std::string& body = reading->reply->body;
  const std::size_t bytes = size * count;
  if (body.size() + bytes > reading->max_bytes) {
    reading->too_large = true;
    return 0;  // ends the transfer with a write error
  }
  std::size_t room = body.size() + bytes;
  if (!reading->sized) {
    // The announced length at once: grown by doubling, a large reply would briefly stand in
    // memory one and a half times over. A compressed reply's length is only a start.
    curl_off_t length = -1;
    if (curl_easy_getinfo(reading->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) ==
            CURLE_OK &&
        length > 0 && static_cast<std::size_t>(length) <= reading->max_bytes)
      room = std::max(room, static_cast<std::size_t>(length));
  } else if (room > reading->taken) {
    room = std::min(std::max(room, 2 * reading->taken), reading->max_bytes);
  }
  if (room > reading->taken) {
    if (!reading->share->Take(room - reading->taken)) {
      reading->paused = true;
      return CURL_WRITEFUNC_PAUSE;  // the same data comes again once the transfer goes on
    }
    reading->taken = room;
    body.reserve(room);
  }
  reading->sized = true;
  body.append(data, bytes);
  return bytes;
}

void InitOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

// A multi handle keeps the connections its transfers made; the easy handle keeps the DNS and TLS
// session caches beside them.
struct ConnectionPool::Transfer {
  std::unique_ptr<CURLM, MultiDeleter> multi{curl_multi_init()};
  std::unique_ptr<CURL, EasyDeleter> easy{curl_easy_init()};
};

ConnectionPool::ConnectionPool() = default;
ConnectionPool::~ConnectionPool() = default;

std::unique_ptr<ConnectionPool::Transfer> ConnectionPool::Take() {
  {
    const std::lock_guard lock(mutex_);
    if (!idle_.empty()) {
      std::unique_ptr<Transfer> transfer = std::move(idle_.back());
      idle_.pop_back();
      return transfer;
    }
  }
  InitOnce();
  return std::make_unique<Transfer>();
}

void ConnectionPool::Give(std::unique_ptr<Transfer> transfer) {
  const std::lock_guard lock(mutex_);
  if (idle_.size() < kMaxIdleTransfers) idle_.push_back(std::move(transfer));
}

HttpsReply HttpsCall(const HttpsRequest& request, Clock::time_point deadline,
                     const Cancellation& cancelled) {
  InitOnce();
  HttpsReply reply;
  const auto fail = [&reply](std::string why) {
    reply.outcome = HttpsOutcome::kFailed;
    reply.error = std::move(why);
    reply.body.clear();
    return reply;
  };
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return fail("time limit reached");

  // The transfer goes back to its pool whatever way the call ends; without a pool it is the
  // call's own.
  const auto give_back = [&request](ConnectionPool::Transfer* transfer) {
    if (request.connections == nullptr) {
      delete transfer;
    } else {
      request.connections->Give(std::unique_ptr<ConnectionPool::Transfer>(transfer));
    }
  };
  std::unique_ptr<ConnectionPool::Transfer, decltype(give_back)> transfer(
      request.connections ? request.connections->Take().release()
                          : std::make_unique<ConnectionPool::Transfer>().release(),
      give_back);
  if (!transfer->multi || !transfer->easy) return fail("cannot start an HTTPS transfer");
  CURL* h = transfer->easy.get();
  CURLM* multi = transfer->multi.get();
  curl_easy_reset(h);

  const auto share = std::make_shared<ReplyBudget::Reader>(ReplyBudget::Shared());
  reply.budget_share = share;
  BodyReading reading{
      .handle = h, .reply = &reply, .max_bytes = request.max_reply_bytes, .share = share.get()};
  std::unique_ptr<curl_slist, ListDeleter> headers;
  for (const std::string& line : request.headers) {
    curl_slist* grown = curl_slist_append(headers.get(), line.c_str());
    if (grown == nullptr) return fail("out of memory");
    static_cast<void>(headers.release());
    headers.reset(grown);
  }

  curl_easy_setopt(h, CURLOPT_URL, request.url.c_str());
  // Only the web: a base URL taken from the environment must not reach files or other schemes.
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(left.count()));
  curl_easy_setopt(h, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(h, CURLOPT_USERAGENT, "Quillmark/1.0");
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &reading);
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.max_reply_bytes));
  if (!request.login.empty() || !request.password.empty()) {
    curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC));
    curl_easy_setopt(h, CURLOPT_USERNAME, request.login.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, request.password.c_str());
  }
  if (request.method == "POST") {
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
  }

  // The multi interface lets us look at the cancel test between short waits, also while a peer
  // is silent or the reply waits for the budget.
  curl_multi_add_handle(multi, h);
  CURLcode result = CURLE_OK;
  bool stopped = false;
  for (;;) {
    if (reading.paused) {
      // Bytes may have come back meanwhile; if not, the body callback pauses it again.
      reading.paused = false;
      curl_easy_pause(h, CURLPAUSE_CONT);
    }
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    int queued = 0;
    bool done = false;
    while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
      if (message->msg == CURLMSG_DONE) {
        result = message->data.result;
        done = true;
      }
    }
    if (done || running == 0) break;
    if (cancelled && cancelled()) {
      stopped = true;
      break;
    }
    curl_multi_poll(multi, nullptr, 0, static_cast<int>(kCancelPoll.count()), nullptr);
  }
  share->Done();
  curl_multi_remove_handle(multi, h);

  if (stopped) {
    reply.outcome = HttpsOutcome::kCancelled;
    reply.error = "stopped";
    reply.body.clear();
    return reply;
  }
  if (reading.too_large || result == CURLE_FILESIZE_EXCEEDED) return fail("reply too large");
  if (result == CURLE_OPERATION_TIMEDOUT) return fail("time limit reached");
  if (result != CURLE_OK) return fail(curl_easy_strerror(result));
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &reply.status);
  // The value comes without its surrounding blanks.
  if (curl_header* retry_after = nullptr;
      curl_easy_header(h, "Retry-After", 0, CURLH_HEADER, -1, &retry_after) == CURLHE_OK)
    reply.retry_after = retry_after->value;
  reply.outcome = HttpsOutcome::kReplied;
  return reply;
}

}  // namespace quillmark::sources

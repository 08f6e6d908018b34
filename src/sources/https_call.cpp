#include "sources/https_call.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>
#include <mutex>

#include "sources/sources_limits.h"

namespace quillmark::sources {
namespace {

struct Transfer {
  CURL* handle;
  HttpsReply* reply;
  std::size_t max_bytes;
  bool too_large = false;
  bool sized = false;
};

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* transfer = static_cast<Transfer*>(user);
  std::string& body = transfer->reply->body;
  const std::size_t bytes = size * count;
  if (body.size() + bytes > transfer->max_bytes) {
    transfer->too_large = true;
    return 0;  // ends the transfer with a write error
  }
  if (!transfer->sized) {
    // The announced length at once: grown by doubling, a large reply would briefly stand in
    // memory one and a half times over. A compressed reply's length is only a start.
    transfer->sized = true;
    curl_off_t length = -1;
    if (curl_easy_getinfo(transfer->handle, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) ==
            CURLE_OK &&
        length > 0 && static_cast<std::size_t>(length) <= transfer->max_bytes)
      body.reserve(static_cast<std::size_t>(length));
  }
  body.append(data, bytes);
  return bytes;
}

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

void InitOnce() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

HttpsReply HttpsCall(const HttpsRequest& request, Clock::time_point deadline,
                     const Cancellation& cancelled) {
  InitOnce();
  HttpsReply reply;
  const auto fail = [&reply](std::string why) {
    reply.outcome = HttpsOutcome::kFailed;
    reply.error = std::move(why);
    return reply;
  };
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  if (left.count() <= 0) return fail("time limit reached");

  std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
  std::unique_ptr<CURLM, MultiDeleter> multi(curl_multi_init());
  if (!easy || !multi) return fail("cannot start an HTTPS transfer");
  Transfer transfer{.handle = easy.get(), .reply = &reply, .max_bytes = request.max_reply_bytes};
  std::unique_ptr<curl_slist, ListDeleter> headers;
  for (const std::string& line : request.headers) {
    curl_slist* grown = curl_slist_append(headers.get(), line.c_str());
    if (grown == nullptr) return fail("out of memory");
    static_cast<void>(headers.release());
    headers.reset(grown);
  }

  CURL* h = easy.get();
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
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
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
  // is silent.
  curl_multi_add_handle(multi.get(), h);
  CURLcode result = CURLE_OK;
  bool stopped = false;
  for (;;) {
    int running = 0;
    if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    int queued = 0;
    bool done = false;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &queued)) {
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
    curl_multi_poll(multi.get(), nullptr, 0, static_cast<int>(kCancelPoll.count()), nullptr);
  }
  curl_multi_remove_handle(multi.get(), h);

  if (stopped) {
    reply.outcome = HttpsOutcome::kCancelled;
    reply.error = "stopped";
    reply.body.clear();
    return reply;
  }
  if (transfer.too_large || result == CURLE_FILESIZE_EXCEEDED) return fail("reply too large");
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

#pragma once
// A data provider on 127.0.0.1 for tests: records every request (method, path and query, body,
// Authorization) and answers each by a handler. Replies the handler holds back end when the
// server stops, so no test hangs on them. Like the provider it keeps connections open between
// calls, answers many at once, and counts the connections opened and the calls in flight.

#include <httplib.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quillmark::testing {

struct ProviderRequest {
  std::string method;
  std::string target;  // path and query
  std::string body;
  std::string authorization;
};

struct ProviderReply {
  int status = 200;
  std::string body = {};
  std::chrono::milliseconds delay{0};
  std::string content_type = "application/json";
  std::vector<std::pair<std::string, std::string>> headers = {};
};

class FakeProvider {
 public:
  using Handler = std::function<ProviderReply(const ProviderRequest&)>;

  explicit FakeProvider(Handler handler) : handler_(std::move(handler)) {
    const auto serve = [this](const httplib::Request& req, httplib::Response& res) {
      ProviderRequest request{req.method, req.target, req.body,
                              req.get_header_value("Authorization")};
      {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        ports_.insert(req.remote_port);
        most_in_flight_ = std::max(most_in_flight_, ++in_flight_);
      }
      const ProviderReply reply = handler_(request);
      {
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, reply.delay, [this] { return stopping_; });
        --in_flight_;
      }
      res.status = reply.status;
      for (const auto& [name, value] : reply.headers) res.set_header(name, value);
      res.set_content(reply.body, reply.content_type);
    };
    server_.Post(".*", serve);
    server_.Get(".*", serve);
    server_.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    server_.set_keep_alive_max_count(1000);
    // An idle connection holds a thread until this passes, also when the server stops.
    server_.set_keep_alive_timeout(1);
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    while (!server_.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ~FakeProvider() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    wake_.notify_all();
    server_.stop();
    thread_.join();
  }

  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  std::vector<ProviderRequest> Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  // TCP connections the requests came on (by the client's port), and the most calls that were
  // in flight at once.
  std::size_t Connections() const {
    std::lock_guard lock(mutex_);
    return ports_.size();
  }
  int MostInFlight() const {
    std::lock_guard lock(mutex_);
    return most_in_flight_;
  }

 private:
  Handler handler_;
  httplib::Server server_;
  int port_ = 0;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::vector<ProviderRequest> requests_;
  std::set<int> ports_;
  int in_flight_ = 0;
  int most_in_flight_ = 0;
  // More than any research keeps in flight: a connection kept open holds one.
  static constexpr std::size_t kServerThreads = 128;
};

// Replies written from the providers' documented shapes.
namespace fixtures {

inline std::string Envelope(int top_code, const std::string& top_message, const std::string& task) {
  return R"({"version":"0.1.20261101","status_code":)" + std::to_string(top_code) +
         R"(,"status_message":")" + top_message + R"(","time":"0.51 sec.","cost":0.075,)" +
         R"("tasks_count":1,"tasks_error":0,"tasks":[)" + task + "]}";
}

inline std::string Task(int code, const std::string& message, const std::string& result) {
  return R"({"id":"11081508-1535-0216-0000-b1c8a8d1fbc5","status_code":)" + std::to_string(code) +
         R"(,"status_message":")" + message + R"(","cost":0.075,"result_count":1,"result":)" +
         result + "}";
}

inline std::string Ok(const std::string& result) {
  return Envelope(20000, "Ok.", Task(20000, "Ok.", result));
}

// Keyword ideas: a tie at 14800 (provider order kept), a null volume, an older month listed
// after the newest.
inline std::string KeywordIdeas() {
  return Ok(R"([
    {"keyword":"metal garden sheds","location_code":2840,"language_code":"en","search_volume":2900,
     "monthly_searches":[{"year":2026,"month":10,"search_volume":2400},{"year":2026,"month":9,"search_volume":3600}],
     "competition":"HIGH","cpc":1.2},
    {"keyword":"garden sheds","search_volume":12100,
     "monthly_searches":[{"year":2026,"month":9,"search_volume":9900},{"year":2026,"month":10,"search_volume":14800}]},
    {"keyword":"garden sheds uk","search_volume":null,"monthly_searches":null},
    {"keyword":"wooden garden sheds","search_volume":14800,"monthly_searches":[]}
  ])");
}

// Organic results with ads, a featured snippet and a people-also-ask box among them; the
// organic result 23 is on `target`.
inline std::string OrganicResults(long long count, const std::string& target) {
  std::string items;
  int absolute = 0;
  const auto add = [&](const std::string& type, int group, const std::string& url) {
    if (!items.empty()) items += ",";
    items += R"({"type":")" + type + R"(","rank_group":)" + std::to_string(group) +
             R"(,"rank_absolute":)" + std::to_string(++absolute) + R"(,"url":")" + url +
             R"(","domain":"x"})";
  };
  add("paid", 1, "https://ads.example/" + target);
  add("featured_snippet", 1, "https://snippet.example/");
  for (int i = 1; i <= 30; ++i) {
    if (i == 5) add("people_also_ask", 1, "https://" + target + "/asked");
    if (i == 21) add("paid", 2, "https://" + target + "/ad");
    add("organic", i,
        i == 23 ? "https://www." + target + "/sheds"
                : "https://site" + std::to_string(i) + ".example/");
  }
  // Fields of unexpected kinds must be skipped, not trusted.
  items += R"(,{"type":7},{"type":"organic","rank_group":null,"url":null,"domain":null})";
  return Ok(R"([{"keyword":"garden sheds","se_results_count":)" + std::to_string(count) +
            R"(,"items_count":33,"items":[)" + items + "]}]");
}

// The free account call's reply; its rate limits nest one function by its family.
inline std::string UserData(const std::string& login, const std::string& balance) {
  return Ok(R"([{"login":")" + login + R"(","timezone":"UTC","rates":{"limits":{)" +
            R"("day":{"serp":0,"keywords_data":{"google_ads":2000}},)" +
            R"("minute":{"serp":2000,"keywords_data":{"google_ads":12}}},"statistics":{}},)" +
            R"("money":{"total":50,"balance":)" + balance + R"(,"limits":{}},"price":{}}])");
}

inline std::string TrendsFeed(const std::vector<std::string>& titles) {
  std::string feed = R"(<?xml version="1.0" encoding="UTF-8"?>
<rss xmlns:atom="http://www.w3.org/2005/Atom" xmlns:ht="https://trends.google.com/trending/rss" version="2.0"><channel><title>Daily Search Trends</title>)";
  for (const std::string& title : titles)
    feed += "<item><title>" + title +
            "</title><ht:approx_traffic>2000+</ht:approx_traffic><pubDate>Tue, 8 Dec 2026 "
            "10:00:00 -0800</pubDate></item>";
  return feed + "</channel></rss>";
}

}  // namespace fixtures

// DataForSEO's queue, as its documentation shows it: posted tasks get ids, the finished ones are
// listed, and a finished task's result has the live reply's shape.
struct QueueProvider {
  static constexpr std::string_view kQueue = "/v3/serp/google/organic/";
  std::mutex mutex;
  std::vector<std::string> ids;
  std::atomic<bool> finished{false};
  std::atomic<std::size_t> lost{0};        // it no longer knows the tasks posted before this
  std::atomic<bool> listing_fails{false};  // tasks_ready answers HTTP 500
  std::string refused;                     // a keyword task_post refuses

  ProviderReply Answer(const ProviderRequest& request) {
    const std::lock_guard lock(mutex);
    const std::string path = request.target.substr(kQueue.size());
    nlohmann::json reply = nlohmann::json::parse(fixtures::Ok("null"));
    if (path == "task_post") {
      reply["tasks"] = nlohmann::json::array();
      for (const nlohmann::json& task : nlohmann::json::parse(request.body)) {
        const bool refuse = task["keyword"] == refused;
        if (!refuse) ids.push_back("id-" + std::to_string(ids.size()));
        reply["tasks"].push_back({{"id", refuse ? "" : ids.back()},
                                  {"status_code", refuse ? 40501 : 20100},
                                  {"status_message", refuse ? "Invalid Field." : "Task Created."},
                                  {"cost", refuse ? 0 : 0.0006},
                                  {"data", task}});
      }
      reply["cost"] = 0.0006 * static_cast<double>(ids.size());
    } else if (path == "tasks_ready") {
      if (listing_fails) return ProviderReply{.status = 500, .body = "down"};
      reply["tasks"][0]["result"] = nlohmann::json::array();
      for (const std::string& id : ids)
        if (finished) reply["tasks"][0]["result"].push_back({{"id", id}});
    } else if (std::stoul(path.substr(path.rfind('-') + 1)) < lost) {
      reply["tasks"][0]["status_code"] = 40400;
      reply["tasks"][0]["status_message"] = "Task Not Found.";
    } else if (!finished) {
      reply["tasks"][0]["status_code"] = 40602;
      reply["tasks"][0]["status_message"] = "Task In Queue.";
    } else {
      return ProviderReply{.body = fixtures::OrganicResults(4321, "x.example")};
    }
    return ProviderReply{.body = reply.dump()};
  }
  std::vector<nlohmann::json> Posts(const FakeProvider& provider) const {
    std::vector<nlohmann::json> bodies;
    for (const ProviderRequest& request : provider.Requests())
      if (request.target == std::string(kQueue) + "task_post")
        bodies.push_back(nlohmann::json::parse(request.body));
    return bodies;
  }
};

}  // namespace quillmark::testing

// qmk bridge end to end: qmk research and top through a bridge over a source, and what a client
// gets for a page the source could not fetch.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "cli/qmk_runner.h"
#include "cli/support/fake_services.h"
#include "demo/support/raw_client.h"
#include "net/support/closed_port.h"
#include "net/support/scripted_server.h"
#include "sources/support/fake_provider.h"

namespace quillmark::testing {
namespace {

using ::testing::HasSubstr;

constexpr std::string_view kServing = "serving on http://127.0.0.1:";

// The environment of a bridge over dataforseo at `provider`, with its folders in `folders`.
std::vector<std::string> DataForSeoAt(const FakeProvider& provider, const TempDir& folders) {
  return {"QUILLMARK_DATAFORSEO_URL=" + provider.Url(), "QUILLMARK_DATAFORSEO_LOGIN=login",
          "QUILLMARK_DATAFORSEO_PASSWORD=secret", "QUILLMARK_CACHE_DIR=" + folders.File("cache"),
          "QUILLMARK_CONFIG_DIR=" + folders.File("config")};
}

// A running `qmk bridge`, with the port it printed.
class Bridge {
 public:
  explicit Bridge(const std::vector<std::string>& args, std::vector<std::string> environment = {})
      : run_(With({"bridge", "--port", "0"}, args), std::move(environment)) {
    for (int tries = 0; tries < 1000 && port_ == 0; ++tries) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      const std::string err = run_.ErrorSoFar();
      if (const auto at = err.find(kServing); at != std::string::npos)
        port_ = std::atoi(err.c_str() + at + kServing.size());
    }
  }
  int port() const { return port_; }
  std::vector<std::string> EndpointFlags() const {
    const std::string host = "127.0.0.1:" + std::to_string(port_);
    return {"--suggest-host", host, "--search-host", host, "--top-host", host};
  }
  httplib::Result Get(const std::string& target) const {
    httplib::Client client("127.0.0.1", port_);
    client.set_url_encode(false);
    client.set_read_timeout(30, 0);
    return client.Get(target);
  }
  QmkResult Stop() {
    ::kill(run_.pid(), SIGTERM);
    return run_.Finish(std::chrono::seconds(10));
  }

 private:
  QmkRun run_;
  int port_ = 0;
};

TEST(BridgeCommand, ResearchAndTopThroughTheBridgeAskTheSourceWhatTheyWouldAskDirectly) {
  FakeServices services(5);
  Bridge bridge(With({"--source", "endpoints"}, services.EndpointFlags()));
  ASSERT_GT(bridge.port(), 0);
  const std::vector<std::string> research = {"research",    "--format",     "tsv", "--results",
                                             "2",           "--pages",      "2",   "--target",
                                             "MySite.test", "\"c++ books\""};

  const QmkResult direct = RunQmk(With(research, services.EndpointFlags()));
  auto asked_directly = services.Targets();
  const QmkResult bridged = RunQmk(With(research, bridge.EndpointFlags()));
  ASSERT_EQ(bridged.exit_code(), 0) << bridged.err;
  const auto asked = services.Targets();
  ASSERT_EQ(asked.size(), 2 * asked_directly.size());
  // The same pages, in whatever order the research's fetches in flight ask for them.
  std::vector asked_through(asked.begin() + asked_directly.size(), asked.end());
  std::sort(asked_through.begin(), asked_through.end());
  std::sort(asked_directly.begin(), asked_directly.end());
  EXPECT_EQ(asked_through, asked_directly);
  EXPECT_EQ(bridged.out, direct.out);

  const QmkResult top = RunQmk(With({"top", "--format", "tsv"}, bridge.EndpointFlags()));
  ASSERT_EQ(top.exit_code(), 0) << top.err;
  EXPECT_THAT(top.out, HasSubstr("new socks"));

  const QmkResult stopped = bridge.Stop();
  EXPECT_EQ(stopped.exit_code(), 0) << stopped.err;
}

// Over a provider, the bridge's --max-pages and --target make the one organic call per phrase
// that covers every rank page its clients ask for; a page kind the provider lacks is refused.
TEST(BridgeCommand, AProviderAnswersThroughTheBridgeWithTheDepthItWasGiven) {
  FakeProvider provider([](const ProviderRequest& request) -> ProviderReply {
    if (request.target.find("keywords_for_keywords") != std::string::npos)
      return {.body = fixtures::KeywordIdeas()};
    return {.body = fixtures::OrganicResults(4560000, "mysite.example")};
  });
  TempDir folders("bridge-provider");
  Bridge bridge({"--source", "dataforseo", "--max-pages", "2", "--target", "mysite.example"},
                DataForSeoAt(provider, folders));
  ASSERT_GT(bridge.port(), 0);

  const QmkResult research =
      RunQmk(With({"research", "--format", "tsv", "--results", "2", "--pages", "2", "--target",
                   "mysite.example", "garden sheds"},
                  bridge.EndpointFlags()));
  ASSERT_EQ(research.exit_code(), 0) << research.err;
  const auto lines = SplitLines(research.out);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_THAT(SplitFields(lines[0]),
              ::testing::ElementsAre("garden sheds", "14800", "4560000", ::testing::_, "23",
                                     ::testing::_, ::testing::_));
  // Ideas once, then per phrase a supply call and one rank call 40 deep, in whatever order the
  // research's fetches in flight reach it.
  const auto requests = provider.Requests();
  ASSERT_EQ(requests.size(), 5u);
  EXPECT_EQ(std::count_if(requests.begin(), requests.end(),
                          [](const ProviderRequest& request) {
                            return request.body.find("\"depth\":40") != std::string::npos &&
                                   request.body.find("mysite.example") != std::string::npos;
                          }),
            2);
  EXPECT_EQ(bridge.Get("/top")->status, 404);

  const QmkResult stopped = bridge.Stop();
  EXPECT_EQ(stopped.exit_code(), 0) << stopped.err;
  EXPECT_THAT(stopped.err, HasSubstr("qmk bridge: 5 provider calls (0 from the cache), $0.3750\n"));
}

// A provider's phrase reaches a client of the bridge with its characters, and the client's
// searches for it reach the provider as the same phrase.
TEST(BridgeCommand, AProvidersPhraseKeepsItsCharactersThroughTheBridge) {
  const std::string phrase = "at&t \"deals\" c++ 100% caf\xC3\xA9 ac/dc?b=21&p='n' #1";
  const std::string in_json = "at&t \\\"deals\\\" c++ 100% caf\xC3\xA9 ac/dc?b=21&p='n' #1";
  FakeProvider provider([&in_json](const ProviderRequest& request) -> ProviderReply {
    if (request.target.find("keywords_for_keywords") != std::string::npos)
      return {.body = fixtures::Ok(R"([{"keyword":")" + in_json + R"(","search_volume":90}])")};
    return {.body = fixtures::OrganicResults(4560000, "mysite.example")};
  });
  TempDir folders("bridge-phrase");
  Bridge bridge({"--source", "dataforseo", "--max-pages", "1"}, DataForSeoAt(provider, folders));
  ASSERT_GT(bridge.port(), 0);

  const QmkResult research = RunQmk(With(
      {"research", "--format", "tsv", "--pages", "1", "--target", "mysite.example", "garden sheds"},
      bridge.EndpointFlags()));
  ASSERT_EQ(research.exit_code(), 0) << research.err;
  const auto lines = SplitLines(research.out);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(SplitFields(lines[0]).at(0), phrase);
  const auto requests = provider.Requests();
  ASSERT_EQ(requests.size(), 3u);  // ideas, then supply and rank in either order
  EXPECT_THAT((std::vector{requests[1].body, requests[2].body}),
              ::testing::UnorderedElementsAre(HasSubstr(R"("keyword":"\")" + in_json + R"(\"")"),
                                              HasSubstr(R"("keyword":")" + in_json + R"(")")));
  EXPECT_EQ(bridge.Stop().exit_code(), 0);
}

// A failed fetch answers 502 with the reason; a request without a phrase is refused without a
// fetch; a stop ends the bridge at once even while a fetch is held.
TEST(BridgeCommand, APageNotFetchedIsAnErrorReplyAndAStopEndsTheFetchInFlight) {
  const ClosedPort closed_port;
  ScriptedServer silent(Script{}.Hold());
  const std::string closed = closed_port.Host();
  Bridge bridge({"--source", "endpoints", "--suggest-host", closed, "--search-host", closed,
                 "--top-host", "127.0.0.1:" + std::to_string(silent.port())});
  ASSERT_GT(bridge.port(), 0);

  const auto failed = bridge.Get("/search?p=%22blue+widgets%22");
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->status, 502);
  EXPECT_EQ(failed->body,
            "Quillmark bridge: page not fetched: Socket Error # 10061 Connection refused.\n");
  // A client of this build reads the error reply as a page not fetched, with the bridge's reason.
  const QmkResult through =
      RunQmk(With({"research", "--format", "tsv", "blue widgets"}, bridge.EndpointFlags()));
  EXPECT_EQ(through.exit_code(), 3) << through.err;
  EXPECT_THAT(through.err, HasSubstr("server error 502 Bad Gateway: Quillmark bridge: page not "
                                     "fetched: Socket Error # 10061 Connection refused."));
  const auto empty = bridge.Get("/d/searchinventory/suggestion/?term=&mkt=us&lang=en_US");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->status, 400);

  std::thread held([&bridge] { bridge.Get("/top"); });
  while (silent.Requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  const QmkResult stopped = bridge.Stop();
  held.join();
  EXPECT_EQ(stopped.exit_code(), 0) << stopped.err;
  EXPECT_THAT(stopped.err, HasSubstr("not fetched: supply of \"blue widgets\": Socket Error"));
}

// The bridge reads a request as the research code writes it, and answers only programs on this
// machine, only for the pages it was set up for.
TEST(BridgeCommand, AnswersWhatTheResearchAsksAndNothingElse) {
  FakeProvider provider([](const ProviderRequest&) -> ProviderReply {
    return {.body = fixtures::OrganicResults(4560000, "mysite.example")};
  });
  TempDir folders("bridge-requests");
  Bridge bridge({"--source", "dataforseo", "--max-pages", "2"}, DataForSeoAt(provider, folders));
  ASSERT_GT(bridge.port(), 0);
  const std::string own = "127.0.0.1:" + std::to_string(bridge.port());
  const struct {
    const char* name;
    std::string target;
    std::string headers;
    int status;
  } cases[] = {
      // An older client sends a "?" in a phrase as it is.
      {"raw ?", "/search?p=%22ac/dc?b=21%22", "Host: 127.0.0.1\r\n", 200},
      {"own port", "/search?p=%22x%22&b=21", "Host: " + own + "\r\n", 200},
      {"localhost", "/search?p=%22x%22", "Host: localhost\r\nSec-Fetch-Site: none\r\n", 200},
      {"other host", "/search?p=%22x%22", "Host: evil.example:" + own.substr(10) + "\r\n", 403},
      {"other port", "/search?p=%22x%22", "Host: 127.0.0.1:1\r\n", 403},
      {"no host", "/search?p=%22x%22", "", 403},
      {"web page", "/search?p=%22x%22", "Host: 127.0.0.1\r\nOrigin: https://evil.example\r\n", 403},
      {"other site", "/search?p=%22x%22", "Host: 127.0.0.1\r\nSec-Fetch-Site: cross-site\r\n", 403},
      {"beyond --max-pages", "/search?p=%22x%22&b=999999999999", "Host: 127.0.0.1\r\n", 400},
      {"just beyond", "/search?p=%22x%22&b=41", "Host: 127.0.0.1\r\n", 400},
      {"no offset", "/search?p=%22x%22&b=0", "Host: 127.0.0.1\r\n", 400},
      {"no slash", "/d/searchinventory/suggestion?term=x", "Host: 127.0.0.1\r\n", 400},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RawClient client(bridge.port());
    ASSERT_TRUE(client.Send("GET " + c.target + " HTTP/1.1\r\n" + c.headers + "\r\n"));
    EXPECT_THAT(client.Reply(), ::testing::StartsWith("HTTP/1.1 " + std::to_string(c.status)));
  }
  // Only the three pages answered 200 were asked of the provider.
  const auto requests = provider.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_THAT(requests[0].body, HasSubstr(R"("keyword":"\"ac/dc?b=21\"")"));
  EXPECT_EQ(bridge.Stop().exit_code(), 0);
}

// The bridge keeps no failure: a page whose call failed is asked again. Told to stop, it starts
// no further call, answers the requests waiting for a worker 503 at once, gives the calls sent a
// second, and says those it gave up.
TEST(BridgeCommand, AFailureIsAskedAgainAndAStopStartsNoCall) {
  using namespace std::chrono_literals;
  std::atomic<int> calls{0};
  FakeProvider provider([&calls](const ProviderRequest&) -> ProviderReply {
    if (calls++ == 0) return {.status = 500};
    if (calls.load() == 2) return {.body = fixtures::OrganicResults(7, "x")};
    return {.body = fixtures::OrganicResults(7, "x"), .delay = 20s};
  });
  TempDir folders("bridge-stop");
  Bridge bridge({"--source", "dataforseo"}, DataForSeoAt(provider, folders));
  ASSERT_GT(bridge.port(), 0);
  EXPECT_EQ(bridge.Get("/search?p=%22x%22")->status, 502);
  EXPECT_EQ(bridge.Get("/search?p=%22x%22")->status, 200);

  // 8 requests answered at once, 12 waiting behind them.
  constexpr int kAnswered = 8;
  constexpr int kWaiting = 12;
  std::vector<int> statuses(kAnswered + kWaiting, 0);
  std::vector<std::thread> clients;
  for (int i = 0; i < kAnswered + kWaiting; ++i) {
    clients.emplace_back([&, i] {
      if (const auto reply = bridge.Get("/search?p=%22y" + std::to_string(i) + "%22"))
        statuses[i] = reply->status;
    });
    if (i < kAnswered) {
      while (provider.Requests().size() < static_cast<std::size_t>(3 + i))
        std::this_thread::sleep_for(1ms);
    }
  }
  std::this_thread::sleep_for(300ms);
  const auto start = std::chrono::steady_clock::now();
  const QmkResult stopped = bridge.Stop();
  const auto took = std::chrono::steady_clock::now() - start;
  for (std::thread& client : clients) client.join();
  EXPECT_EQ(stopped.exit_code(), 0) << stopped.err;
  // One second for the calls sent; the margin is for a busy machine.
  EXPECT_LT(took, 2500ms);
  EXPECT_EQ(provider.Requests().size(), static_cast<std::size_t>(2 + kAnswered));
  EXPECT_GE(std::count(statuses.begin(), statuses.end(), 503), kWaiting);
  EXPECT_THAT(stopped.err, HasSubstr("qmk bridge: 8 calls given up at stop; the provider may "
                                     "bill them\n"));
}

// Clients that send slowly, or never, hold nobody up: others are answered meanwhile, and a stop
// ends the bridge at once.
TEST(BridgeCommand, SlowClientsNeitherBlockOthersNorTheStop) {
  FakeServices services(2);
  Bridge bridge(With({"--source", "endpoints"}, services.EndpointFlags()));
  ASSERT_GT(bridge.port(), 0);
  std::vector<std::unique_ptr<RawClient>> slow;
  for (int i = 0; i < 20; ++i) {
    slow.push_back(std::make_unique<RawClient>(bridge.port()));
    ASSERT_TRUE(slow.back()->Send("GET /top HTTP/1.1\r\nHo"));
  }
  for (int i = 0; i < 3; ++i) {
    const auto start = std::chrono::steady_clock::now();
    const auto top = bridge.Get("/top");
    ASSERT_TRUE(top);
    EXPECT_EQ(top->status, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    for (auto& client : slow) client->Send("s");
  }
  const auto start = std::chrono::steady_clock::now();
  const QmkResult stopped = bridge.Stop();
  EXPECT_EQ(stopped.exit_code(), 0) << stopped.err;
  // Within a second; the margin is for a busy machine.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_EQ(slow.front()->Reply(), "");  // closed unanswered
}

}  // namespace
}  // namespace quillmark::testing

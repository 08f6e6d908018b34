// FetchPage against real servers on loopback: nginx for HTTP/1.1 (lengths, chunks, error pages)
// and python's http.server for HTTP/1.0. Skipped where the peer program is not installed.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "net/fetch_page.h"
#include "net/support/closed_port.h"
#include "net/support/nginx_fixture.h"

namespace quillmark::net {
namespace {

using testing::kNginxBinary;
using testing::kPythonBinary;
using testing::MissingProgram;
using testing::NginxServer;
using testing::PythonHttpServer;

// The raw reply to a hand-written request, to check what the peer really sends.
std::string RawExchange(int port, const std::string& request) {
  testing::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return {};
  ::send(fd.get(), request.data(), request.size(), MSG_NOSIGNAL);
  std::string reply;
  char block[65536];
  for (ssize_t got; (got = ::recv(fd.get(), block, sizeof block, 0)) > 0;) reply.append(block, got);
  return reply;
}

class NginxPeerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (MissingProgram(kNginxBinary)) return;
    nginx_ = std::make_unique<NginxServer>();
  }
  static void TearDownTestSuite() { nginx_.reset(); }
  void SetUp() override {
    if (auto missing = MissingProgram(kNginxBinary)) GTEST_SKIP() << *missing;
  }
  static std::unique_ptr<NginxServer> nginx_;
};
std::unique_ptr<NginxServer> NginxPeerTest::nginx_;

TEST_F(NginxPeerTest, StaticFilesArriveByteForByte) {
  const std::string page = nginx_->ReadFile("index.html");
  // One fresh connection per fetch: repeated fetches must not wear anything out.
  for (int i = 0; i < 20; ++i) ASSERT_EQ(FetchPage(nginx_->Url("/index.html")).body, page) << i;

  const std::string big = FetchPage(nginx_->Url("/big.bin")).body;
  ASSERT_EQ(big.size(), NginxServer::kBigFileSize);
  EXPECT_TRUE(big == nginx_->ReadFile("big.bin"));
}

TEST_F(NginxPeerTest, EmptyFileGivesEmptyPageWithoutWaitingForAClose) {
  nginx_->WriteFile("empty.html", "");
  // nginx keeps the connection alive after "Content-Length: 0"; the fetch must not wait it out.
  // A fetch that waited would end at its time limit, which counts as a failure.
  const FetchResult empty =
      FetchPage(nginx_->Url("/empty.html"), {.timeout = std::chrono::seconds(30)});
  EXPECT_EQ(empty.body, "");
  EXPECT_EQ(empty.status, FetchStatus::kComplete) << empty.reason;
}

TEST_F(NginxPeerTest, NotFoundGivesTheErrorPageBody) {
  EXPECT_EQ(FetchPage(nginx_->Url("/no/such/page.html")).body, nginx_->ReadFile("404.html"));
}

TEST_F(NginxPeerTest, ChunkedReplyIsReassembled) {
  // Guard the premise: nginx really answers this location in chunks.
  const std::string raw = RawExchange(
      nginx_->port(), "GET /chunked/text.txt HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
  const std::string head = raw.substr(0, raw.find("\r\n\r\n"));
  ASSERT_NE(head.find("Transfer-Encoding: chunked"), std::string::npos) << head;

  EXPECT_EQ(FetchPage(nginx_->Url("/chunked/text.txt")).body, NginxServer::ChunkedExpected());
}

TEST_F(NginxPeerTest, RefusedPortGivesEmptyPageQuickly) {
  const testing::ClosedPort closed;
  EXPECT_EQ(FetchPage(closed.Url()).body, "");
}

TEST(PythonPeerTest, Http10PeerBodiesArriveWhole) {
  if (auto missing = MissingProgram(kPythonBinary)) GTEST_SKIP() << *missing;
  PythonHttpServer python;
  // The premise: this peer speaks HTTP/1.0.
  ASSERT_EQ(RawExchange(python.port(), "GET /hello.txt HTTP/1.1\r\nHost: x\r\n\r\n").substr(0, 8),
            "HTTP/1.0");

  EXPECT_EQ(FetchPage(python.Url("/hello.txt")).body, python.ReadFile("hello.txt"));
  EXPECT_TRUE(FetchPage(python.Url("/data.bin")).body == python.ReadFile("data.bin"));
  EXPECT_NE(FetchPage(python.Url("/missing.txt")).body.find("404"), std::string::npos);
}

}  // namespace
}  // namespace quillmark::net

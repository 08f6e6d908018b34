// The TCP connection and socket layer against a real loopback peer that the test drives by hand.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>

#include "net/net_errors.h"
#include "net/net_stack.h"
#include "net/support/closed_port.h"
#include "net/support/scripted_server.h"
#include "net/tcp_client.h"

namespace quillmark::net {
namespace {

using quillmark::testing::ClosedPort;
using quillmark::testing::UniqueFd;
using namespace std::chrono_literals;

// A listener on 127.0.0.1; Accept() hands back the server end of the client's connection.
class Listener {
 public:
  Listener() : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(bind(fd_.get(), reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(listen(fd_.get(), 8), 0);
    socklen_t len = sizeof a;
    getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  int port() const { return port_; }
  UniqueFd Accept() { return UniqueFd(accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC)); }

 private:
  UniqueFd fd_;
  int port_ = 0;
};

class ConnectionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    client_.SetHost("127.0.0.1");
    client_.SetPort(listener_.port());
    client_.OpenConnection();
    peer_ = listener_.Accept();
    ASSERT_TRUE(peer_);
  }
  void PeerSends(const std::string& bytes) {
    ASSERT_EQ(send(peer_.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
  }
  void PeerCloses() { peer_.Reset(); }
  void PeerResets() {
    const linger abort{1, 0};
    setsockopt(peer_.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    peer_.Reset();
  }
  // Waits until the peer's close or reset has reached the client's socket, reading nothing.
  void ClientSeesThePeerGo() {
    pollfd socket{client_.Socket().Handle(), POLLIN | POLLRDHUP, 0};
    int ready = 0;
    do {
      ready = poll(&socket, 1, 10000);
    } while (ready < 0 && errno == EINTR);
    ASSERT_EQ(ready, 1) << "the peer's close never reached the client";
  }

  Listener listener_;
  TNetTCPClient client_;
  UniqueFd peer_;
};

TEST_F(ConnectionTest, ReceiveLineHandlesEveryLineEnd) {
  PeerSends("crlf\r\nlf\ntwo-cr\r\r\n\r\nlast\n");
  PeerCloses();
  // All of these were buffered or still in flight when the peer closed: each is still returned.
  EXPECT_EQ(client_.ReceiveLine(), "crlf");
  EXPECT_EQ(client_.ReceiveLine(), "lf");
  EXPECT_EQ(client_.ReceiveLine(), "two-cr\r");
  EXPECT_EQ(client_.ReceiveLine(), "");
  EXPECT_FALSE(client_.LineTimedOut());
  EXPECT_EQ(client_.ReceiveLine(), "last");
  EXPECT_THROW(client_.ReceiveLine(), ENetConnClosedGracefully);
}

TEST_F(ConnectionTest, PartialLineAtCloseStaysBufferedAndTheNextReadRaises) {
  PeerSends("no line end");
  PeerCloses();
  EXPECT_EQ(client_.ReceiveLine(), "");
  EXPECT_TRUE(client_.LineTimedOut());
  EXPECT_EQ(client_.PendingCount(), 11u);
  EXPECT_FALSE(client_.Socket().HasSocket());
  EXPECT_THROW(client_.ReceiveLine(), ENetConnClosedGracefully);
}

TEST_F(ConnectionTest, FiniteWaitEndsWithoutALine) {
  PeerSends("partial");
  EXPECT_EQ(client_.ReceiveLine({}, 50ms), "");
  EXPECT_TRUE(client_.LineTimedOut());
  EXPECT_TRUE(client_.Socket().HasSocket());
  PeerSends(" line\n");
  EXPECT_EQ(client_.ReceiveLine(), "partial line");
  EXPECT_FALSE(client_.LineTimedOut());
}

TEST_F(ConnectionTest, TerminatorSplitAcrossArrivalsIsFound) {
  PeerSends("alphaE");
  EXPECT_EQ(client_.ReceiveLine("END", 20ms), "");
  PeerSends("NDbeta\r\n");
  EXPECT_EQ(client_.ReceiveLine("END"), "alpha");
  // An explicit terminator keeps the CR.
  EXPECT_EQ(client_.ReceiveLine("\n"), "beta\r");
}

TEST_F(ConnectionTest, OverlongLineIsRefused) {
  PeerSends(std::string(kMaxHeaderLine + 10, 'x'));
  EXPECT_THROW(client_.ReceiveLine(), ENetReplyTooLarge);
  EXPECT_FALSE(client_.Socket().HasSocket());
}

TEST_F(ConnectionTest, CountedReadTakesBufferedBytesFirst) {
  PeerSends("head\nABC");
  EXPECT_EQ(client_.ReceiveLine(), "head");
  PeerSends("DEFGHIJtail\n");
  TNetBuffer sink;
  client_.ReceiveIntoSink(sink, 10);
  EXPECT_EQ(sink.View(), "ABCDEFGHIJ");
  // The read stopped at its count: what follows is still there for the next line.
  EXPECT_EQ(client_.ReceiveLine(), "tail");
}

TEST_F(ConnectionTest, CountedReadEndedByCloseKeepsWhatArrived) {
  PeerSends("12345");
  PeerCloses();
  TNetBuffer sink;
  EXPECT_THROW(client_.ReceiveIntoSink(sink, 10), ENetConnClosedGracefully);
  EXPECT_EQ(sink.View(), "12345");
  EXPECT_EQ(sink.Size(), 5u);
}

TEST_F(ConnectionTest, ExactReadTakesBufferedBytesAndRaisesWhenThePeerClosesShort) {
  PeerSends("line\nAB");
  EXPECT_EQ(client_.ReceiveLine(), "line");
  PeerSends("CDEF");
  char got[4] = {};
  client_.ReceiveExact(got, 4);
  EXPECT_EQ(std::string(got, 4), "ABCD");
  // Two bytes stay buffered when the peer goes: asking for more must fail, not spin forever.
  PeerCloses();
  char more[8] = {};
  EXPECT_THROW(client_.ReceiveExact(more, 8), ENetConnClosedGracefully);
  EXPECT_EQ(client_.PendingCount(), 2u);
}

TEST_F(ConnectionTest, NegativeCountIsRefused) {
  TNetBuffer sink;
  EXPECT_THROW(client_.ReceiveIntoSink(sink, -1), ENetInvalidByteCount);
  EXPECT_EQ(sink.Size(), 0u);
}

TEST_F(ConnectionTest, ReadUntilCloseEndsNormallyOnOrderlyClose) {
  PeerSends("first\nbody bytes");
  EXPECT_EQ(client_.ReceiveLine(), "first");
  PeerCloses();
  TNetBuffer sink;
  EXPECT_FALSE(client_.ReceiveUntilClose(sink));
  EXPECT_EQ(sink.View(), "body bytes");
}

TEST_F(ConnectionTest, ReadUntilCloseStopsAtItsLimit) {
  PeerSends("0123456789");
  TNetBuffer sink;
  EXPECT_TRUE(client_.ReceiveUntilClose(sink, 4));
  EXPECT_EQ(sink.View(), "0123");
}

TEST_F(ConnectionTest, ResetRaisesInAReadUntilClose) {
  PeerResets();
  TNetBuffer sink;
  try {
    client_.ReceiveUntilClose(sink);
    FAIL() << "a reset must not read as an orderly close";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.Code(), 10054);
  }
}

TEST_F(ConnectionTest, ResetRaisesInACountedRead) {
  PeerResets();
  TNetBuffer sink;
  try {
    client_.ReceiveIntoSink(sink, 100);
    FAIL() << "a reset must raise";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.Code(), 10054);
  }
}

TEST_F(ConnectionTest, SendingToAVanishedPeerRaisesInsteadOfSignalling) {
  // The default action of SIGPIPE would end the test program: the send must not raise it.
  auto* previous = std::signal(SIGPIPE, SIG_DFL);
  PeerResets();
  ClientSeesThePeerGo();
  const std::string block(64 * 1024, 'x');
  try {
    for (int i = 0; i < 64; ++i) client_.SendText(block);
    ADD_FAILURE() << "sending to a reset connection must fail";
  } catch (const ENetSocketError& e) {
    EXPECT_TRUE(e.Code() == 10054 || e.Code() == 10058) << e.Code();
  } catch (const ENetConnClosedGracefully&) {
  }
  std::signal(SIGPIPE, previous);
}

TEST_F(ConnectionTest, SecondOpenIsRefusedAndLeavesTheConnectionAlone) {
  const int fd = client_.Socket().Handle();
  EXPECT_THROW(client_.OpenConnection(), ENetAlreadyConnected);
  EXPECT_EQ(client_.Socket().Handle(), fd);
  client_.SendLine("still here");
  char got[16] = {};
  ASSERT_EQ(recv(peer_.get(), got, sizeof got, 0), 12);
  EXPECT_EQ(std::string(got, 12), "still here\r\n");
}

TEST_F(ConnectionTest, DeadlineEndsAWaitAndDropsTheSocket) {
  client_.SetDeadline(TNetDeadline::After(150ms));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(client_.ReceiveLine(), ENetTimedOut);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, 140ms);
  EXPECT_FALSE(client_.Socket().HasSocket());
}

TEST_F(ConnectionTest, ProbeNoticesAnOrderlyClose) {
  PeerCloses();
  ClientSeesThePeerGo();
  client_.ProbeForClose(false, 0ms);
  EXPECT_FALSE(client_.IsOpen());
}

TEST(OpenConnection, RefusedConnectLeavesNoSocket) {
  const ClosedPort closed;
  TNetTCPClient client;
  client.SetHost("127.0.0.1");
  client.SetPort(closed.port());
  try {
    client.OpenConnection();
    FAIL() << "connect to a closed port must fail";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(e.Code(), 10061);
    EXPECT_STREQ(e.what(), "Socket Error # 10061\r\nConnection refused.");
  }
  EXPECT_FALSE(client.Socket().HasSocket());
}

TEST(OpenConnection, FailedLookupLeavesNoSocket) {
  TNetTCPClient client;
  client.SetHost("no-such-host.invalid");
  client.SetPort(80);
  // The machine's resolver may be slow or absent; the deadline keeps the test from hanging on it.
  client.SetDeadline(TNetDeadline::After(std::chrono::seconds(10)));
  try {
    client.OpenConnection();
    FAIL() << "the name cannot resolve";
  } catch (const ENetSocketError& e) {
    EXPECT_GE(e.Code(), kHostNotFound);
    EXPECT_LE(e.Code(), kNoData);
    EXPECT_EQ(std::string(e.what()), "Socket Error # " + std::to_string(e.Code()) + "\r\n");
  } catch (const ENetTimedOut&) {
  }
  EXPECT_FALSE(client.Socket().HasSocket());
}

TEST(SocketStack, NameLookupsKeepTheFetchDeadline) {
  TNetTCPClient keeps_stack_alive;
  // "127.1" is no dotted quad, so it goes to the resolver, which reads it as 127.0.0.1.
  EXPECT_EQ(SharedStack().LookupAddress("127.1", TNetDeadline::After(std::chrono::seconds(30))),
            "127.0.0.1");
  EXPECT_THROW(SharedStack().LookupAddress("127.1", TNetDeadline::After(std::chrono::seconds(-1))),
               ENetTimedOut);
  TNetDeadline stopped = TNetDeadline::After(std::chrono::seconds(30));
  stopped.SetCancellation([] { return true; });
  EXPECT_THROW(SharedStack().LookupAddress("127.1", stopped), ENetCancelled);
  // Lookups share one helper thread, started once and kept.
  const auto threads = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                         std::filesystem::directory_iterator{});
  };
  const auto before = threads();
  for (int i = 0; i < 5; ++i)
    SharedStack().LookupAddress("127.1", TNetDeadline::After(std::chrono::seconds(30)));
  EXPECT_EQ(threads(), before);
  // Names that need no lookup never time out.
  EXPECT_EQ(SharedStack().LookupAddress("localhost", TNetDeadline::After(std::chrono::seconds(-1))),
            "127.0.0.1");
}

TEST(SocketStack, NamesThatNeedNoLookup) {
  TNetTCPClient keeps_stack_alive;
  EXPECT_EQ(SharedStack().LookupAddress("LoCaLhOsT"), "127.0.0.1");
  EXPECT_EQ(SharedStack().LookupAddress("10.1.2.3"), "10.1.2.3");
  EXPECT_TRUE(TNetStack::IsDottedQuad("1.2.3.4"));
  EXPECT_TRUE(TNetStack::IsDottedQuad("0.0.0.255"));
  EXPECT_FALSE(TNetStack::IsDottedQuad("1.2.3"));
  EXPECT_FALSE(TNetStack::IsDottedQuad("1.2.3.256"));
  EXPECT_FALSE(TNetStack::IsDottedQuad("1.2.3.4.5"));
  EXPECT_FALSE(TNetStack::IsDottedQuad("1..3.4"));
  EXPECT_FALSE(TNetStack::IsDottedQuad("a.b.c.d"));
  EXPECT_FALSE(TNetStack::IsDottedQuad("-1.2.3.4"));
}

TEST(SocketStack, AddressTexts) {
  EXPECT_EQ(TNetStack::AddressToText({192, 168, 0, 255}), "192.168.0.255");
  EXPECT_EQ(TNetStack::TextToAddress("127.0.0.1"), (std::array<std::uint8_t, 4>{127, 0, 0, 1}));
  EXPECT_THROW(TNetStack::TextToAddress("1.2.x.4"), EConvertError);
}

TEST(SocketStack, ErrorTextsAndChecks) {
  EXPECT_EQ(TNetStack::SocketErrorText(10035), "Operation would block. ");
  EXPECT_EQ(TNetStack::SocketErrorText(10066), "Directory not empty");
  EXPECT_EQ(TNetStack::SocketErrorText(10004), "Interrupted system call.");
  EXPECT_EQ(TNetStack::SocketErrorText(11001), "");
  EXPECT_STREQ(ENetSocketError(11001).what(), "Socket Error # 11001\r\n");
  EXPECT_EQ(WinsockCode(ECONNRESET), 10054);
  EXPECT_EQ(WinsockCode(EPIPE), 10058);
  EXPECT_EQ(WinsockCode(EHOSTUNREACH), 10065);

  EXPECT_FALSE(TNetStack::CheckSocketResult(0));
  errno = EWOULDBLOCK;
  EXPECT_TRUE(TNetStack::CheckSocketResult(-1, {10035}));
  errno = ECONNREFUSED;
  EXPECT_THROW(TNetStack::CheckSocketResult(-1, {10035}), ENetSocketError);
}

TEST(SocketStack, LivesWhileAComponentLives) {
  const int before = LiveComponentCount();
  {
    TNetTCPClient a;
    TNetTCPClient b;
    EXPECT_EQ(LiveComponentCount(), before + 2);
  }
  EXPECT_EQ(LiveComponentCount(), before);
}

}  // namespace
}  // namespace quillmark::net

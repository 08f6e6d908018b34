// Runs the built qmk binary; skipped when it has not been built in this tree.

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

// A qmk process with its standard error on a pipe; killed if a test leaves it running.
class QmkProcess {
 public:
  explicit QmkProcess(std::vector<std::string> args) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    args.insert(args.begin(), QMK_BINARY);
    std::vector<char*> argv;
    for (auto& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, QMK_BINARY, &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    err_ = fds[0];
  }
  ~QmkProcess() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (err_ >= 0) close(err_);
  }

  // Standard error up to the first line end, or what arrived within the time limit.
  std::string FirstErrorLine(std::chrono::seconds limit = std::chrono::seconds(10)) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      pollfd pfd{err_, POLLIN, 0};
      if (poll(&pfd, 1, 100) <= 0) continue;
      char buf[256];
      ssize_t n = read(err_, buf, sizeof buf);
      if (n <= 0) break;
      text.append(buf, static_cast<std::size_t>(n));
    }
    return text;
  }

  void Signal(int sig) { kill(pid_, sig); }

  // The exit status, or -1 when the process did not end normally.
  int Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  pid_t pid_ = -1;
  int err_ = -1;
};

class ServeDemoCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(QMK_BINARY)) GTEST_SKIP() << "qmk not built";
  }
};

TEST_F(ServeDemoCommand, ServesUntilASignalThenExitsCleanly) {
  for (int sig : {SIGINT, SIGTERM}) {
    QmkProcess qmk({"serve-demo", "--port", "0", "--latency-ms", "1"});
    const std::string line = qmk.FirstErrorLine();
    const std::string prefix = "Quillmark demo service listening on http://127.0.0.1:";
    ASSERT_EQ(line.rfind(prefix, 0), 0u) << line;
    EXPECT_NE(line.find("(generated data)"), std::string::npos);
    const int port = std::stoi(line.substr(prefix.size()));

    httplib::Client client("127.0.0.1", port);
    auto reply = client.Get("/top");
    ASSERT_TRUE(reply);
    EXPECT_NE(reply->body.find("<table"), std::string::npos);

    qmk.Signal(sig);
    EXPECT_EQ(qmk.Wait(), 0);
  }
}

// A research sends its fetches at once: while the service is too busy to take them (here
// stopped), the system holds all of them rather than dropping some for a retry a second later.
TEST_F(ServeDemoCommand, ConnectionsArrivingTogetherAreAllHeldForTheService) {
  QmkProcess qmk({"serve-demo", "--port", "0"});
  const std::string line = qmk.FirstErrorLine();
  const std::size_t colon = line.rfind(':');
  ASSERT_NE(colon, std::string::npos) << line;
  const int port = std::stoi(line.substr(colon + 1));
  qmk.Signal(SIGSTOP);

  constexpr int kConnections = 32;
  std::vector<int> sockets;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  for (int i = 0; i < kConnections; ++i) {
    sockets.push_back(socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    connect(sockets.back(), reinterpret_cast<sockaddr*>(&address), sizeof address);
  }
  // A connection the system dropped would wait a whole second for its retry.
  int connected = 0;
  for (int fd : sockets) {
    pollfd pfd{fd, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    if (poll(&pfd, 1, 300) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
        error == 0)
      ++connected;
  }
  EXPECT_EQ(connected, kConnections);
  for (int fd : sockets) close(fd);
  qmk.Signal(SIGCONT);
  qmk.Signal(SIGTERM);
  EXPECT_EQ(qmk.Wait(), 0);
}

TEST_F(ServeDemoCommand, RejectsOutOfRangeValuesAsUsageErrors) {
  for (std::vector<std::string> args : {std::vector<std::string>{"serve-demo", "--port", "70000"},
                                        {"serve-demo", "--port", "-1"},
                                        {"serve-demo", "--latency-ms", "-5"},
                                        {"serve-demo", "--port", "abc"}}) {
    QmkProcess qmk(args);
    EXPECT_FALSE(qmk.FirstErrorLine().empty());
    EXPECT_EQ(qmk.Wait(), 2) << args[1] << " " << args[2];
  }
}

TEST_F(ServeDemoCommand, BusyPortIsAFailureWithAMessage) {
  httplib::Server holder;
  const int port = holder.bind_to_any_port("127.0.0.1");
  ASSERT_GT(port, 0);
  QmkProcess qmk({"serve-demo", "--port", std::to_string(port)});
  EXPECT_NE(qmk.FirstErrorLine().find("cannot listen"), std::string::npos);
  EXPECT_EQ(qmk.Wait(), 1);
}

}  // namespace

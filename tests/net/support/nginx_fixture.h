#pragma once
// Real HTTP peers on loopback for tests and benchmarks: Debian's nginx (HTTP/1.1: static files,
// a custom 404 page and a chunked location) and python3's http.server (an HTTP/1.0 peer that
// ends every body by closing). Each runs as a child process in its own temporary folder with its
// own configuration, on a free port, and is stopped by its destructor.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "../../support/child_process.h"
#include "../../support/temp_dir.h"
#include "scripted_server.h"

namespace quillmark::testing {

inline constexpr std::string_view kNginxBinary = "/usr/sbin/nginx";
inline constexpr std::string_view kPythonBinary = "/usr/bin/python3";
inline constexpr std::chrono::seconds kPeerStartLimit{10};

// Deterministic bytes covering all 256 values, for binary files.
inline std::string PatternBytes(std::size_t size, std::uint32_t seed = 1) {
  std::string out(size, '\0');
  std::uint32_t state = seed;
  for (char& c : out) {
    state = state * 1664525u + 1013904223u;  // LCG: cheap and reproducible
    c = static_cast<char>(state >> 24);
  }
  return out;
}

// A port that was free a moment ago (bound to port 0, then released).
inline int FreeLoopbackPort() {
  UniqueFd probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (!probe || ::bind(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::getsockname(probe.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    throw std::runtime_error("no free loopback port");
  }
  return ntohs(address.sin_port);
}

inline bool AcceptsConnections(int port) {
  UniqueFd probe(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  return probe &&
         ::connect(probe.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

// Why a peer program cannot run here, or nothing when it can.
inline std::optional<std::string> MissingProgram(std::string_view path) {
  if (::access(std::string(path).c_str(), X_OK) == 0) return std::nullopt;
  return std::string(path) +
         " is not installed (Debian package: " + (path == kNginxBinary ? "nginx" : "python3") + ")";
}

// A peer program serving the files of a temporary folder on 127.0.0.1.
class LoopbackPeer {
 public:
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;
  virtual ~LoopbackPeer() = default;

  int port() const { return port_; }
  std::string Url(std::string_view target) const {
    return "http://127.0.0.1:" + std::to_string(port_) + std::string(target);
  }
  // The folder served at "/"; files written here are served at once.
  std::filesystem::path root() const { return dir_.path() / "www"; }
  void WriteFile(std::string_view name, std::string_view bytes) const {
    dir_.Write("www/" + std::string(name), bytes);
  }
  std::string ReadFile(std::string_view name) const {
    return dir_.Read("www/" + std::string(name));
  }

 protected:
  explicit LoopbackPeer(std::string_view name) : dir_(name) {
    std::filesystem::create_directories(root());
    // A peer that drops privileges must still reach its files.
    std::filesystem::permissions(dir_.path(), std::filesystem::perms::owner_all |
                                                  std::filesystem::perms::group_exec |
                                                  std::filesystem::perms::others_exec);
  }

  // Starts the program on a free port, retrying when another process took the port first.
  void Launch() {
    std::string failure;
    for (int attempt = 0; attempt < 3; ++attempt) {
      port_ = FreeLoopbackPort();
      ChildProcess::Options options;
      options.stdout_file = dir_.path() / "stdout.log";
      options.stderr_file = dir_.path() / "stderr.log";
      process_ = std::make_unique<ChildProcess>(CommandLine(), options);
      const auto deadline = std::chrono::steady_clock::now() + kPeerStartLimit;
      while (std::chrono::steady_clock::now() < deadline) {
        if (AcceptsConnections(port_)) return;
        if (process_->Poll()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      }
      process_.reset();
      failure = Logs();
    }
    throw std::runtime_error("cannot start " + CommandLine()[0] + ":\n" + failure);
  }

  virtual std::vector<std::string> CommandLine() const = 0;

  std::string Logs() const {
    std::string logs;
    for (const char* name : {"stderr.log", "stdout.log", "error.log"}) {
      if (std::filesystem::exists(dir_.path() / name)) logs += dir_.Read(name);
    }
    return logs;
  }

  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  int port_ = 0;
  std::unique_ptr<ChildProcess> process_;  // declared after dir_: stopped before it is removed
};

// nginx, single process in the foreground. Files it serves:
//   /index.html       a small static page
//   /big.bin          5 MB of binary bytes
//   /missing          answered 404 with the body of /404.html
//   /chunked/text.txt rewritten on the fly by sub_filter, which drops the length and so makes
//                     an HTTP/1.1 reply chunked; the expected body is ChunkedExpected()
// Tests and benchmarks may add files with WriteFile().
class NginxServer : public LoopbackPeer {
 public:
  static constexpr std::size_t kBigFileSize = 5 * 1024 * 1024;

  NginxServer() : LoopbackPeer("quillmark-nginx") {
    WriteFile("index.html",
              "<html><head><title>Quillmark test</title></head><body><p>Hello from nginx.</p>"
              "</body></html>\n");
    WriteFile("big.bin", PatternBytes(kBigFileSize));
    WriteFile("404.html", "<html><body><h1>Nothing here</h1><p>custom 404</p></body></html>\n");
    WriteFile("chunked/text.txt", ChunkedSource());
    std::filesystem::create_directories(dir().path() / "tmp");
    Launch();
  }

  // The text file behind /chunked/text.txt before and after nginx rewrites it.
  static std::string ChunkedSource() { return ChunkedText("@WORD@"); }
  static std::string ChunkedExpected() { return ChunkedText("quillmark"); }

 private:
  static std::string ChunkedText(std::string_view word) {
    std::string text;
    for (int line = 0; line < 4000; ++line) {
      text += "line " + std::to_string(line) + ": ";
      text += word;
      text += " keyword research\n";
    }
    return text;
  }

  std::string Config() const {
    const std::string prefix = dir().path().string();
    std::string config =
        "daemon off;\n"
        "master_process off;\n"
        "worker_processes 1;\n"
        "pid " +
        prefix +
        "/nginx.pid;\n"
        "error_log " +
        prefix +
        "/error.log warn;\n"
        "events { worker_connections 1024; }\n"
        "http {\n"
        "  access_log off;\n"
        "  types { text/html html; text/plain txt; application/octet-stream bin; }\n"
        "  default_type application/octet-stream;\n"
        "  sendfile on;\n"
        "  client_body_temp_path " +
        prefix +
        "/tmp/body;\n"
        "  proxy_temp_path " +
        prefix +
        "/tmp/proxy;\n"
        "  fastcgi_temp_path " +
        prefix +
        "/tmp/fastcgi;\n"
        "  uwsgi_temp_path " +
        prefix +
        "/tmp/uwsgi;\n"
        "  scgi_temp_path " +
        prefix +
        "/tmp/scgi;\n"
        "  server {\n"
        "    listen 127.0.0.1:" +
        std::to_string(port()) +
        ";\n"
        "    root " +
        root().string() +
        ";\n"
        "    error_page 404 /404.html;\n"
        "    location /chunked/ {\n"
        "      sub_filter '@WORD@' 'quillmark';\n"
        "      sub_filter_once off;\n"
        "      sub_filter_types text/plain;\n"
        "    }\n"
        "  }\n"
        "}\n";
    return config;
  }

  std::vector<std::string> CommandLine() const override {
    // The configuration names the port, so it is written per launch attempt.
    dir().Write("nginx.conf", Config());
    const std::string prefix = dir().path().string();
    return {std::string(kNginxBinary), "-p", prefix + "/",         "-c",
            prefix + "/nginx.conf",    "-e", prefix + "/error.log"};
  }
};

// python3 -m http.server: an HTTP/1.0 peer serving the files written with WriteFile().
class PythonHttpServer : public LoopbackPeer {
 public:
  PythonHttpServer() : LoopbackPeer("quillmark-pyhttp") {
    WriteFile("hello.txt", "Hello from an HTTP/1.0 peer.\n");
    WriteFile("data.bin", PatternBytes(256 * 1024, 7));
    Launch();
  }

 private:
  std::vector<std::string> CommandLine() const override {
    return {std::string(kPythonBinary),
            "-m",
            "http.server",
            "--bind",
            "127.0.0.1",
            "--directory",
            root().string(),
            std::to_string(port())};
  }
};

}  // namespace quillmark::testing

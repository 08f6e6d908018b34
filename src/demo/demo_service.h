#pragma once
// The bundled stand-in for the three outside endpoints: a page server (page_server.h) that
// answers the suggestion, search and top-searches requests with generated pages (demo_pages.h).

#include <memory>
#include <string>

namespace quillmark::demo {

// The day the stand-in's ranks stand as: $QUILLMARK_DEMO_DAY when it is a whole number, else 0.
int DemoDayFromEnvironment();

class PageServer;

struct DemoOptions {
  std::string bind = "127.0.0.1";
  int port = 0;         // 0 = any free port
  int latency_ms = 0;   // delay before every reply
  int suggestions = 0;  // phrases per suggestion page; 0 = the seed's own 30 to 60
  int day = 0;          // moves the demo sites' ranks as on that day; 0 = their fixed ranks
};

class DemoService {
 public:
  explicit DemoService(DemoOptions options = {});
  ~DemoService();
  DemoService(const DemoService&) = delete;
  DemoService& operator=(const DemoService&) = delete;

  // Binds and starts serving; returns once the socket is listening. Throws std::invalid_argument
  // for a port or latency out of range, std::runtime_error when the address cannot be bound,
  // std::logic_error when already started. A stopped service may be started again.
  void Start();
  // The port being listened on (the chosen one when the options asked for 0); 0 when stopped.
  int Port() const;
  // Stops serving, waking replies held back by the latency; idempotent.
  void Stop();

 private:
  DemoOptions options_;
  std::unique_ptr<PageServer> server_;
};

}  // namespace quillmark::demo

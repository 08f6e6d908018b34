// qmk serve-demo: runs the bundled stand-in service in the foreground until Ctrl-C or SIGTERM.

#include <exception>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "demo/demo_limits.h"
#include "demo/demo_service.h"

namespace quillmark::cli {

namespace {

struct ServeDemoArgs {
  int port = demo::kDefaultDemoPort;
  int latency_ms = 0;
  int day = demo::DemoDayFromEnvironment();
};

int ServeDemo(const ServeDemoArgs& args) {
  // Before the service starts its threads, so the signal is taken here rather than by a worker.
  StopSignalsBlocked signals;
  try {
    demo::DemoService service(
        {.bind = "127.0.0.1", .port = args.port, .latency_ms = args.latency_ms, .day = args.day});
    service.Start();
    std::cerr << "Quillmark demo service listening on http://127.0.0.1:" << service.Port()
              << " (generated data)" << std::endl;
    signals.WaitForStop();
    service.Stop();
  } catch (const std::exception& e) {
    std::cerr << "qmk serve-demo: " << e.what() << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

void AddServeDemoCommand(CLI::App& app, int& exit_code) {
  auto* cmd = app.add_subcommand(
      "serve-demo", "Serve generated suggestion, search and top-searches pages on loopback");
  auto args = std::make_shared<ServeDemoArgs>();
  cmd->add_option("--port", args->port,
                  "TCP port on 127.0.0.1 (0 = any free port; default " +
                      std::to_string(demo::kDefaultDemoPort) + ")")
      ->check(CLI::Range(0, 65535));
  cmd->add_option("--latency-ms", args->latency_ms, "Delay every reply by this many milliseconds")
      ->check(CLI::Range(0, demo::kMaxLatencyMs));
  cmd->add_option("--day", args->day,
                  "Move the demo sites' ranks as on this day, to see them change between two "
                  "researches (default $QUILLMARK_DEMO_DAY, else 0: the fixed ranks)");
  cmd->callback([args, &exit_code] { exit_code = ServeDemo(*args); });
}

}  // namespace quillmark::cli

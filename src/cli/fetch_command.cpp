// qmk fetch URL [--timeout SECONDS]: one page fetch, its bytes to standard output unchanged.

#include <chrono>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "net/fetch_page.h"

namespace quillmark::cli {

namespace {

// Longest time limit accepted, so the milliseconds always fit.
constexpr double kMaxTimeoutSeconds = 24.0 * 3600.0;

}  // namespace

void AddFetchCommand(CLI::App& app, int& exit_code) {
  auto* cmd = app.add_subcommand("fetch", "Fetch one URL over HTTP and write its body to stdout");
  auto url = std::make_shared<std::string>();
  auto seconds =
      std::make_shared<double>(std::chrono::duration<double>(net::kDefaultFetchTimeout).count());
  cmd->add_option("URL", *url, "http:// address of the page")->required();
  cmd->add_option("--timeout", *seconds, "Whole-fetch time limit in seconds (default 60)")
      ->check(CLI::Range(0.001, kMaxTimeoutSeconds)
                  .description("a number of seconds above 0")
                  .name("POSITIVE"));
  cmd->callback([&exit_code, url, seconds] {
    const auto timeout = std::chrono::milliseconds(std::llround(*seconds * 1000.0));
    const std::string page = net::FetchPage(*url, timeout);
    // fwrite: the page is bytes, NULs and all, and stdout is not a text stream here.
    const bool written =
        std::fwrite(page.data(), 1, page.size(), stdout) == page.size() && std::fflush(stdout) == 0;
    exit_code = written ? kExitOk : kExitFailure;
  });
}

}  // namespace quillmark::cli

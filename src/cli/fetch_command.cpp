// qmk fetch URL [--timeout SECONDS]: one page fetch, its bytes to standard output unchanged as
// they arrive.

#include <cstdio>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/row_output.h"
#include "command_line/common_options.h"
#include "net/fetch_page.h"
#include "session/network_session.h"

namespace quillmark::cli {
namespace {

int RunFetch(const std::string& url, const session::SessionOptions& network) {
  if (const std::string reason = net::UnsafeUrlReason(url); !reason.empty()) {
    std::cerr << "qmk fetch: " << TerminalSafe(reason) << "\n";
    return kExitUsage;
  }
  InstallInterruptHandler();
  bool written = true;
  // fwrite: the page is bytes, NULs and all, and stdout is not a text stream here. Each block
  // goes out as it arrives, so memory stays flat however large the body.
  const FetchResult result = net::FetchPageTo(
      url, {.timeout = session::FetchTimeout(network), .cancelled = [] { return Interrupted(); }},
      [&written](std::string_view bytes) {
        written = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
        return written;
      });
  written = std::fflush(stdout) == 0 && written;
  if (Interrupted()) return InterruptExitCode();
  if (!written) {
    std::cerr << "qmk fetch: cannot write the body to standard output\n";
    return kExitFailure;
  }
  if (!result.Complete()) {
    std::cerr << "qmk fetch: page not fetched: " << TerminalSafe(url) << ": "
              << TerminalSafe(result.reason) << "\n";
    return kExitNotFetched;
  }
  return kExitOk;
}

}  // namespace

void AddFetchCommand(CLI::App& app, int& exit_code) {
  auto* cmd = app.add_subcommand("fetch", "Fetch one URL over HTTP and write its body to stdout");
  auto url = std::make_shared<std::string>();
  auto network = std::make_shared<session::SessionOptions>();
  cmd->add_option("URL", *url, "http:// address of the page")->required();
  command_line::AddTimeoutOption(cmd, *network);
  cmd->callback([&exit_code, url, network] { exit_code = RunFetch(*url, *network); });
}

}  // namespace quillmark::cli

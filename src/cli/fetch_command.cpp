// qmk fetch URL [--timeout SECONDS]: one page fetch, its bytes to standard output unchanged.

#include <cstdio>
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/network_options.h"
#include "net/fetch_page.h"

namespace quillmark::cli {

void AddFetchCommand(CLI::App& app, int& exit_code) {
  auto* cmd = app.add_subcommand("fetch", "Fetch one URL over HTTP and write its body to stdout");
  auto url = std::make_shared<std::string>();
  auto network = std::make_shared<NetworkOptions>();
  cmd->add_option("URL", *url, "http:// address of the page")->required();
  // The endpoint flags are accepted like on every fetching command; the URL names the host here.
  AddNetworkOptions(cmd, *network);
  cmd->callback([&exit_code, url, network] {
    const std::string page = net::FetchPage(*url, FetchTimeout(*network));
    // fwrite: the page is bytes, NULs and all, and stdout is not a text stream here.
    const bool written =
        std::fwrite(page.data(), 1, page.size(), stdout) == page.size() && std::fflush(stdout) == 0;
    exit_code = written ? kExitOk : kExitFailure;
  });
}

}  // namespace quillmark::cli

#include "cli/terminal_host.h"

#include <unistd.h>

#include <iostream>
#include <ostream>

#include "cli/interrupt.h"
#include "cli/network_options.h"
#include "cli/row_output.h"
#include "research/researcher.h"
#include "research/start_command.h"
#include "research/stop_request.h"
#include "research/unwanted_terms.h"

namespace quillmark::cli {
namespace {

// Keeps the progress line on one terminal row.
constexpr std::size_t kMaxStatusWidth = 78;

}  // namespace

TerminalHost::TerminalHost(RunSettings settings, std::ostream& status_stream,
                           bool status_is_terminal)
    : settings_(std::move(settings)),
      status_(status_stream),
      status_is_terminal_(status_is_terminal) {}

TerminalHost::~TerminalHost() {
  FinishStatus();
}

void TerminalHost::SetStatusText(const std::string& text) {
  last_status_ = text;
  std::string shown = TerminalSafe(text);
  if (status_is_terminal_) {
    if (shown.size() > kMaxStatusWidth) shown.resize(kMaxStatusWidth);
    status_ << "\r\x1b[K" << shown << std::flush;
    status_line_open_ = true;
  } else {
    status_ << shown << '\n' << std::flush;
  }
}

void TerminalHost::FinishStatus() {
  if (status_line_open_) status_ << '\n' << std::flush;
  status_line_open_ = false;
}

void TerminalHost::ProcessMessages() {
  if (Interrupted()) SetStopRequest();
}

std::vector<std::string> TerminalHost::UnwantedTerms() {
  return DefaultUnwantedTerms();
}

void TerminalHost::ShowInvestigateDialog() {
  ConfirmInvestigate(*this);
}

std::unique_ptr<TerminalHost> RunFromTerminal(const RunSettings& settings,
                                              const NetworkOptions& network) {
  InstallInterruptHandler();
  NetworkSession session(network);
  auto host = std::make_unique<TerminalHost>(settings, std::cerr, ::isatty(STDERR_FILENO) == 1);
  Researcher researcher(*host, session.Fetcher(), session.GetEndpoints());
  StartCommand(researcher);
  host->FinishStatus();
  return host;
}

}  // namespace quillmark::cli

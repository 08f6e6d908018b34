#pragma once
// What the research benchmarks share: a qmk research run with its progress kept off the terminal,
// and its rows as `--format tsv` prints them, so that every run measured can be checked against
// the first.

#include <iostream>
#include <sstream>
#include <string>

#include "cli/keyword_rows.h"
#include "cli/row_output.h"
#include "cli/terminal_host.h"
#include "session/research_run.h"
#include "session/session_options.h"

namespace quillmark::bench {

struct QuietRun {
  cli::TerminalRun run;
  std::string rows;
};

inline QuietRun ResearchQuietly(const session::RunRequest& request,
                                const session::SessionOptions& network) {
  std::ostringstream progress;
  std::streambuf* stderr_buffer = std::cerr.rdbuf(progress.rdbuf());
  QuietRun quiet{cli::RunFromTerminal(request, network), {}};
  std::cerr.rdbuf(stderr_buffer);
  std::ostringstream rows;
  cli::WriteRows(rows, cli::KeywordRowTable(quiet.run.host->Keywords(), false),
                 cli::OutputFormat::kTsv);
  quiet.rows = rows.str();
  return quiet;
}

}  // namespace quillmark::bench

#pragma once
// Runs the built qmk binary for end-to-end tests and collects what it printed.

#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "support/child_process.h"
#include "support/temp_dir.h"

namespace quillmark::testing {

struct QmkResult {
  ChildResult child;
  std::string out;
  std::string err;
  int exit_code() const { return child.exited ? child.exit_code : -1; }
};

class QmkRun {
 public:
  explicit QmkRun(const std::vector<std::string>& args, std::vector<std::string> environment = {})
      : dir_("qmk-run") {
    std::vector<std::string> argv{QMK_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess::Options options;
    options.stdout_file = dir_.path() / "out";
    options.stderr_file = dir_.path() / "err";
    options.extra_environment = std::move(environment);
    child_.emplace(argv, options);
  }

  pid_t pid() const { return child_->pid(); }
  // What the running command has written to standard error so far.
  std::string ErrorSoFar() const {
    try {
      return dir_.Read("err");
    } catch (const std::exception&) {
      return {};
    }
  }

  QmkResult Finish(std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    QmkResult result;
    result.child = child_->Wait(limit);
    result.out = dir_.Read("out");
    result.err = dir_.Read("err");
    return result;
  }

 private:
  TempDir dir_;
  std::optional<ChildProcess> child_;
};

inline QmkResult RunQmk(const std::vector<std::string>& args,
                        std::vector<std::string> environment = {}) {
  return QmkRun(args, std::move(environment)).Finish();
}

inline std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline std::vector<std::string> SplitFields(const std::string& line, char separator = '\t') {
  std::vector<std::string> fields;
  std::string field;
  for (char c : line) {
    if (c == separator) {
      fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(field);
  return fields;
}

}  // namespace quillmark::testing

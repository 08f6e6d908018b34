#pragma once
// Runs the built qmk binary for end-to-end tests and collects what it printed.

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "net/support/child_process.h"
#include "net/support/temp_dir.h"

namespace quillmark::testing {

struct QmkResult {
  ChildResult child;
  std::string out;
  std::string err;
  int exit_code() const { return child.exited ? child.exit_code : -1; }
};

inline std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

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

  QmkResult Finish(std::chrono::milliseconds limit = std::chrono::seconds(60)) {
    QmkResult result;
    result.child = child_->Wait(limit);
    result.out = ReadWholeFile(dir_.path() / "out");
    result.err = ReadWholeFile(dir_.path() / "err");
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

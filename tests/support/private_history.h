#pragma once
// Keeps a test program's runs out of the user's history: unless QUILLMARK_DATA_DIR is set
// already, it points at a folder of the program's own for as long as this lives, and every
// program the tests start inherits it.

#include <stdlib.h>

#include <memory>

#include "support/temp_dir.h"

namespace quillmark::testing {

class PrivateHistory {
 public:
  PrivateHistory() {
    if (::getenv("QUILLMARK_DATA_DIR") != nullptr) return;
    folder_ = std::make_unique<TempDir>("quillmark-test-data");
    ::setenv("QUILLMARK_DATA_DIR", folder_->path().c_str(), 1);
  }

 private:
  std::unique_ptr<TempDir> folder_;
};

}  // namespace quillmark::testing

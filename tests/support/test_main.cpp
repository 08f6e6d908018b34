#include <gtest/gtest.h>

#include <csignal>

#include "support/private_history.h"

int main(int argc, char** argv) {
  // Tests talk to peers that may vanish; a write to a closed socket must fail, not kill the run.
  std::signal(SIGPIPE, SIG_IGN);
  const quillmark::testing::PrivateHistory history;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// main() of the test programs that drive widgets: one QApplication for the whole run, on Qt's
// offscreen platform unless QT_QPA_PLATFORM names another (xcb under Xvfb, for a look).
#include <gtest/gtest.h>

#include <QApplication>
#include <csignal>
#include <cstdlib>

#include "support/private_history.h"

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const quillmark::testing::PrivateHistory history;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

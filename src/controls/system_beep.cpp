#include "controls/system_beep.h"

#include <QApplication>

namespace quillmark {
namespace {

void QtBeep() {
  QApplication::beep();
}

BeepHandler current_handler = &QtBeep;

}  // namespace

void SystemBeep() {
  current_handler();
}

BeepHandler SetBeepHandler(BeepHandler handler) {
  BeepHandler previous = current_handler;
  current_handler = handler ? handler : &QtBeep;
  return previous;
}

}  // namespace quillmark

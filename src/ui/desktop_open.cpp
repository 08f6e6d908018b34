#include "ui/desktop_open.h"

#include <QDesktopServices>

namespace quillmark::ui {
namespace {

RecordedOpens* recorder = nullptr;

}  // namespace

RecordedOpens::RecordedOpens() : previous_(recorder) {
  recorder = this;
}

RecordedOpens::~RecordedOpens() {
  recorder = previous_;
}

void OpenWithDesktop(const QUrl& url) {
  if (recorder != nullptr) {
    recorder->urls_.append(url);
    return;
  }
  QDesktopServices::openUrl(url);
}

}  // namespace quillmark::ui

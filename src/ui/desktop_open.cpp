#include "ui/desktop_open.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace quillmark::ui {
namespace {

RecordedOpens* recorder = nullptr;

// xdg-mime answers in a moment; a desktop that hangs it counts as naming nothing.
constexpr int kMimeQueryMilliseconds = 3000;

// The browsers tried when the desktop has no program for a page: Qt hands a local file only to
// the desktop's launcher, which a bare window manager lacks, while a browser may well be there.
// Only programs that are browsers themselves: a dispatcher such as sensible-browser starts
// whether or not it then finds one, and could not tell us.
QStringList BrowserPrograms() {
  QStringList programs =
      qEnvironmentVariable("BROWSER").split(QLatin1Char(':'), Qt::SkipEmptyParts);
  programs << QStringLiteral("x-www-browser") << QStringLiteral("firefox")
           << QStringLiteral("firefox-esr") << QStringLiteral("chromium")
           << QStringLiteral("google-chrome");
  return programs;
}

}  // namespace

RecordedOpens::RecordedOpens() : previous_(recorder) {
  recorder = this;
}

RecordedOpens::~RecordedOpens() {
  recorder = previous_;
}

bool RecordedOpens::Record(const QUrl& url) {
  urls_.append(url);
  return !refuse_;
}

bool OpenWithDesktop(const QUrl& url) {
  if (recorder != nullptr) return recorder->Record(url);
  return QDesktopServices::openUrl(url);
}

bool DesktopOpens(const QString& mime_type) {
  QProcess query;
  query.start(QStringLiteral("xdg-mime"),
              {QStringLiteral("query"), QStringLiteral("default"), mime_type});
  if (!query.waitForFinished(kMimeQueryMilliseconds)) {
    query.kill();
    query.waitForFinished();
    return false;
  }
  return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
         !query.readAllStandardOutput().trimmed().isEmpty();
}

bool OpenInBrowser(const QUrl& page) {
  if (recorder != nullptr) return recorder->Record(page);
  // The desktop's launcher starts, and Qt reports success, whether or not it finds a program.
  if (DesktopOpens(QStringLiteral("text/html")) && QDesktopServices::openUrl(page)) return true;
  for (const QString& program : BrowserPrograms()) {
    const QString path = QStandardPaths::findExecutable(program);
    if (!path.isEmpty() && QProcess::startDetached(path, {page.toString()})) return true;
  }
  return false;
}

}  // namespace quillmark::ui

#pragma once
// Hands a file or an address to the desktop's "open" action (the help, the homepage, a mail to
// support). Whether the program it starts then shows anything is not watched; only a desktop that
// has nothing to start is told back. Tests record what would have been opened instead.

#include <QList>
#include <QString>
#include <QUrl>

namespace quillmark::ui {

// Asks the desktop to open `url` with the program it uses for that kind of address. False when
// the desktop has no way to open anything (no launcher).
bool OpenWithDesktop(const QUrl& url);

// Whether the desktop names a program for files of this MIME type (xdg-mime's default); false
// where it names none or cannot be asked.
bool DesktopOpens(const QString& mime_type);

// Opens a local web page in a browser: the desktop's "open" action where the desktop has a
// program for web pages, else the first web browser found on the PATH ($BROWSER, Debian's
// x-www-browser, then the common ones). False when none could be started.
bool OpenInBrowser(const QUrl& page);

// Test seam: while one exists, OpenWithDesktop() and OpenInBrowser() record their address here,
// open nothing, and say they succeeded unless told to refuse.
class RecordedOpens {
 public:
  RecordedOpens();
  RecordedOpens(const RecordedOpens&) = delete;
  RecordedOpens& operator=(const RecordedOpens&) = delete;
  ~RecordedOpens();

  const QList<QUrl>& Urls() const { return urls_; }
  // Every open from now on fails, as on a desktop without a launcher or a browser.
  void Refuse() { refuse_ = true; }

 private:
  friend bool OpenWithDesktop(const QUrl& url);
  friend bool OpenInBrowser(const QUrl& page);
  bool Record(const QUrl& url);

  QList<QUrl> urls_;
  bool refuse_ = false;
  RecordedOpens* previous_;
};

}  // namespace quillmark::ui

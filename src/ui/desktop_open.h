#pragma once
// Hands a file or an address to the desktop's "open" action (the help file, the homepage, a mail
// to support). The outcome is not watched: the desktop reports its own failures. Tests record
// what would have been opened instead.

#include <QList>
#include <QUrl>

namespace quillmark::ui {

// Asks the desktop to open `url` with the program it uses for that kind of address.
void OpenWithDesktop(const QUrl& url);

// Test seam: while one exists, OpenWithDesktop() records its address here and opens nothing.
class RecordedOpens {
 public:
  RecordedOpens();
  RecordedOpens(const RecordedOpens&) = delete;
  RecordedOpens& operator=(const RecordedOpens&) = delete;
  ~RecordedOpens();

  const QList<QUrl>& Urls() const { return urls_; }

 private:
  friend void OpenWithDesktop(const QUrl& url);
  QList<QUrl> urls_;
  RecordedOpens* previous_;
};

}  // namespace quillmark::ui

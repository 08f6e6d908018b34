#pragma once
// Where the window's pages come from: the sources named on the command line, else those the
// settings remember, and the session that serves them.

#include <memory>

#include "session/network_session.h"
#include "session/session_options.h"
#include "ui/pumping_fetcher.h"

namespace quillmark::ui {

// Fills `network.source` and `network.top_source` from the settings where the command line gave
// none (`*_given` false), and opens the session. With `remember`, a choice the command line gave
// is kept for the next start once the session opens. A source that cannot be used (an unknown name,
// no credentials) is said in a message box and gives nullptr: the window never falls back to other
// data unasked.
std::unique_ptr<session::NetworkSession> OpenWindowSession(session::SessionOptions network,
                                                           bool source_given, bool top_source_given,
                                                           bool remember);

// The session's fetch as the window runs it on the session's pool. Refers to the session.
PooledFetch SessionFetch(const session::NetworkSession& session);

}  // namespace quillmark::ui

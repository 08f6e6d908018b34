#include "ui/window_sources.h"

#include <exception>

#include "store/settings_key.h"
#include "ui/message_box.h"
#include "ui/text_convert.h"

namespace quillmark::ui {

std::unique_ptr<session::NetworkSession> OpenWindowSession(session::SessionOptions network,
                                                           bool source_given, bool top_source_given,
                                                           bool remember) {
  const store::SourceChoice stored = store::LoadSourceChoice();
  if (!source_given) network.source = stored.source;
  if (!top_source_given) network.top_source = stored.top_source;
  std::unique_ptr<session::NetworkSession> session;
  try {
    session = std::make_unique<session::NetworkSession>(
        network, session::EndpointNeeds{.suggest = true, .search = true, .top = true}, "quillmark");
  } catch (const std::exception& e) {
    // The settings may name the source, so the way out is said too.
    ShowWarning(nullptr, QStringLiteral("Quillmark cannot use its data source: ") +
                             ToQString(e.what()) +
                             QStringLiteral("\n\nStart it with --source stand-in --top-source "
                                            "stand-in to use the generated data, or see \"Real "
                                            "data\" in the README."));
    return nullptr;
  }
  if (remember && (source_given || top_source_given))
    store::SaveSourceChoice({network.source, network.top_source});
  return session;
}

PooledFetch SessionFetch(const session::NetworkSession& session) {
  return [&session](const std::string& url, const session::CancelTest& cancelled) {
    return session.Fetch(url, cancelled);
  };
}

}  // namespace quillmark::ui

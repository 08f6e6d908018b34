#include "ui/window_sources.h"

#include <exception>
#include <tuple>
#include <utility>

#include "session/provider_calls.h"
#include "sources/markets.h"
#include "sources/source.h"
#include "store/settings_key.h"
#include "ui/message_box.h"
#include "ui/text_convert.h"

namespace quillmark::ui {
namespace {

constexpr session::EndpointNeeds kWindowNeeds{.suggest = true, .search = true, .top = true};
constexpr char kProgram[] = "quillmark";

bool Names(const std::string& source, sources::SourceName name) {
  return sources::ParseSourceName(source) == name;
}

// Whether two sets of options ask for the same data: the same sources, hosts and market.
bool SameChoice(const session::SessionOptions& a, const session::SessionOptions& b) {
  const auto choice = [](const session::SessionOptions& o) {
    return std::tie(o.source, o.top_source, o.suggest_host, o.search_host, o.top_host,
                    o.location_code, o.language_code, o.country);
  };
  return choice(a) == choice(b);
}

QString CannotUse(const std::exception& e) {
  return QStringLiteral("Quillmark cannot use its data source: ") + ToQString(e.what());
}

}  // namespace

session::SessionOptions WithRememberedChoice(session::SessionOptions network, GivenOptions given) {
  const store::SourceChoice stored = store::LoadSourceChoice();
  const auto take_host = [](const std::string& remembered, std::string& host) {
    if (!remembered.empty()) host = remembered;
  };
  if (!given.source) {
    network.source = stored.source;
    if (Names(stored.source, sources::SourceName::kEndpoints)) {
      take_host(stored.suggest_host, network.suggest_host);
      take_host(stored.search_host, network.search_host);
    }
  }
  if (!given.top_source) {
    network.top_source = stored.top_source;
    const bool own_top = Names(stored.top_source, sources::SourceName::kEndpoints) ||
                         (stored.top_source.empty() && !given.source &&
                          Names(stored.source, sources::SourceName::kEndpoints));
    if (own_top) take_host(stored.top_host, network.top_host);
  }
  if (!given.market) {
    if (stored.location != 0) network.location_code = static_cast<int>(stored.location);
    if (!stored.language.empty()) network.language_code = stored.language;
    if (!stored.country.empty()) network.country = stored.country;
  }
  return network;
}

std::unique_ptr<session::NetworkSession> OpenWindowSession(session::SessionOptions network,
                                                           GivenOptions given, bool remember,
                                                           const ChooseAgain& choose_again,
                                                           session::SessionOptions* opened_with) {
  for (;;) {
    const session::SessionOptions chosen = WithRememberedChoice(network, given);
    try {
      auto session = std::make_unique<session::NetworkSession>(chosen, kWindowNeeds, kProgram);
      if (remember && (given.source || given.top_source)) {
        // Only the names: the market and hosts the dialog keeps stay as they were.
        store::SourceChoice stored = store::LoadSourceChoice();
        stored.source = chosen.source;
        stored.top_source = chosen.top_source;
        store::SaveSourceChoice(stored);
      }
      if (opened_with != nullptr) *opened_with = chosen;
      return session;
    } catch (const std::exception& e) {
      // Only a remembered research source is chosen anew: one given for this start is the
      // user's word, and a terminal is at hand to say what is wrong with it.
      if (given.source || !choose_again) {
        // The settings may name the source, so the way out is said too.
        ShowWarning(nullptr, CannotUse(e) +
                                 QStringLiteral("\n\nStart it with --source stand-in --top-source "
                                                "stand-in to use the generated data, or see \"Real "
                                                "data\" in the README."));
        return nullptr;
      }
      if (choose_again(CannotUse(e))) continue;
    }
    // Declined: the generated data for this start only; the remembered choice stays.
    if (!given.source) network.source = "stand-in";
    if (!given.top_source) network.top_source = "stand-in";
    return OpenWindowSession(network, {true, true, true}, false, {}, opened_with);
  }
}

SourceLabel DescribeSource(const session::NetworkSession& session,
                           const session::SessionOptions& opened_with) {
  if (session.ResearchIsGenerated()) {
    return {QStringLiteral("Generated data"),
            QStringLiteral("The numbers are made up by the bundled stand-in service.\nTo use real "
                           "data choose File > \"Data Source...\".")};
  }
  if (Names(opened_with.source, sources::SourceName::kDataForSeo)) {
    const sources::Country* country = sources::CountryOfLocation(opened_with.location_code);
    const sources::Language* language = sources::FindLanguage(opened_with.language_code);
    const std::string market =
        (country != nullptr ? std::string(country->name)
                            : std::to_string(opened_with.location_code)) +
        "/" + (language != nullptr ? std::string(language->name) : opened_with.language_code);
    return {ToQString("DataForSEO, " + market),
            QStringLiteral("The numbers come from DataForSEO, and each research costs money: "
                           "the status bar says how much after \"Done!\".\nFile > \"Data "
                           "Source...\" changes the source and the market.")};
  }
  const Endpoints& hosts = session.GetEndpoints();
  const std::string research = hosts.suggest_host == hosts.search_host
                                   ? hosts.suggest_host
                                   : hosts.suggest_host + ", " + hosts.search_host;
  return {ToQString("Own endpoints: " + research),
          ToQString("Suggestions from " + hosts.suggest_host + ", web search from " +
                    hosts.search_host + ", top searches from " + hosts.top_host + ".")};
}

WindowSession::WindowSession(std::shared_ptr<session::NetworkSession> session,
                             session::SessionOptions opened_with, session::SessionOptions given,
                             GivenOptions fixed)
    : current_(std::move(session)),
      opened_with_(std::move(opened_with)),
      considered_(WithRememberedChoice(given, fixed)),
      given_(std::move(given)),
      fixed_(fixed) {}

PooledFetch WindowSession::Fetch() const {
  return [this](const std::string& url, const session::CancelTest& cancelled) {
    const std::shared_ptr<const session::NetworkSession> session = Current();
    return session->Fetch(url, cancelled);
  };
}

std::shared_ptr<const session::NetworkSession> WindowSession::Current() const {
  const std::lock_guard lock(mutex_);
  return current_;
}

Endpoints WindowSession::GetEndpoints() const {
  return Current()->GetEndpoints();
}

void WindowSession::RunStarting(std::int64_t max_pages, const std::string& target) {
  const session::SessionOptions wanted = WithRememberedChoice(given_, fixed_);
  if (choice_saved_ || !SameChoice(wanted, considered_)) {
    choice_saved_ = false;
    considered_ = wanted;
    try {
      auto next = std::make_shared<session::NetworkSession>(wanted, kWindowNeeds, kProgram);
      {
        const std::lock_guard lock(mutex_);
        current_.swap(next);
      }
      // `next` now holds the session before, which goes here unless a fetch still holds it.
      opened_with_ = wanted;
      if (desk_ != nullptr) desk_->SetEndpoints(current_->GetEndpoints());
    } catch (const std::exception& e) {
      ShowWarning(nullptr, CannotUse(e) + QStringLiteral("\n\nThis research uses: ") +
                               Label().text + QStringLiteral("."));
    }
  }
  current_->SetRunParameters({.max_pages = max_pages, .target = target});
  run_start_calls_ = current_->Calls();
}

std::vector<std::string> WindowSession::NoteTexts() const {
  return Current()->NoteTexts();
}

SourceLabel WindowSession::Label() const {
  return DescribeSource(*current_, opened_with_);
}

bool WindowSession::ProviderResearch() const {
  return sources::IsProvider(sources::ParseSourceName(opened_with_.source));
}

std::string WindowSession::MostCallsText(int max_results) const {
  return ProviderResearch() ? session::MostCallsText(max_results) : std::string();
}

std::string WindowSession::RunCallsText() const {
  const sources::CallCounts calls = current_->Calls().Since(run_start_calls_);
  if (!ProviderResearch() && calls.made == 0) return {};
  return session::CallsText(calls);
}

std::unique_ptr<session::ResearchDesk> MakeWindowDesk(WindowSession& sessions) {
  auto desk = std::make_unique<session::ResearchDesk>(
      sessions.Fetch(), sessions.GetEndpoints(),
      [&sessions](std::int64_t max_pages, const std::string& target) {
        sessions.RunStarting(max_pages, target);
      },
      [&sessions] { return sessions.NoteTexts(); });
  sessions.AttachDesk(desk.get());
  return desk;
}

}  // namespace quillmark::ui

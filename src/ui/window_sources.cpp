#include "ui/window_sources.h"

#include <exception>
#include <tuple>
#include <utility>

#include "sources/markets.h"
#include "sources/source.h"
#include "store/settings_key.h"
#include "ui/message_box.h"
#include "ui/text_convert.h"

namespace quillmark::ui {
namespace {

constexpr session::EndpointNeeds kWindowNeeds{.suggest = true, .search = true, .top = true};
constexpr char kProgram[] = "quillmark";

bool Names(const std::string& source, sources::SourceKind name) {
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
    if (Names(stored.source, sources::SourceKind::kEndpoints)) {
      take_host(stored.suggest_host, network.suggest_host);
      take_host(stored.search_host, network.search_host);
    }
  }
  if (!given.top_source) {
    network.top_source = stored.top_source;
    const bool own_top = Names(stored.top_source, sources::SourceKind::kEndpoints) ||
                         (stored.top_source.empty() && !given.source &&
                          Names(stored.source, sources::SourceKind::kEndpoints));
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
  if (Names(opened_with.source, sources::SourceKind::kDataForSeo)) {
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

ChosenSession::ChosenSession(std::shared_ptr<session::NetworkSession> session,
                             session::SessionOptions opened_with, session::SessionOptions given,
                             GivenOptions fixed)
    : current_(std::move(session)),
      opened_with_(std::move(opened_with)),
      considered_(WithRememberedChoice(given, fixed)),
      given_(std::move(given)),
      fixed_(fixed) {}

std::shared_ptr<const session::NetworkSession> ChosenSession::ForNextRun() {
  const session::SessionOptions wanted = WithRememberedChoice(given_, fixed_);
  if (choice_saved_ || !SameChoice(wanted, considered_)) {
    choice_saved_ = false;
    considered_ = wanted;
    try {
      // The session before goes once the last run that uses it has ended.
      current_ = std::make_shared<session::NetworkSession>(wanted, kWindowNeeds, kProgram);
      opened_with_ = wanted;
    } catch (const std::exception& e) {
      ShowWarning(nullptr, CannotUse(e) + QStringLiteral("\n\nThis research uses: ") +
                               Label().text + QStringLiteral("."));
    }
  }
  return current_;
}

SourceLabel ChosenSession::Label() const {
  return DescribeSource(*current_, opened_with_);
}

}  // namespace quillmark::ui

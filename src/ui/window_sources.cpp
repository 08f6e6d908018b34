#include "ui/window_sources.h"

#include <exception>
#include <tuple>
#include <utility>

#include "sources/markets.h"
#include "sources/source.h"
#include "store/settings_key.h"
#include "ui/message_box.h"
#include "ui/source_words.h"
#include "ui/text_convert.h"

namespace quillmark::ui {
namespace {

constexpr session::EndpointNeeds kWindowNeeds{.suggest = true, .search = true, .top = true};
constexpr char kProgram[] = "quillmark";
constexpr char kStandIn[] = "stand-in";

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

// The market of a provider research: "Germany/German".
std::string Market(const session::SessionOptions& options) {
  return ToStdString(MarketText(options.location_code, options.language_code));
}

// What a choice that is not yet in use will be, for the label's tooltip; "" when it is the one in
// use as far as the label tells.
QString NextChoiceText(const session::SessionOptions& next, const session::SessionOptions& now) {
  const auto kind = sources::ParseSourceName(next.source);
  if (kind == sources::SourceKind::kDataForSeo) {
    if (Names(now.source, *kind) && Market(now) == Market(next)) return {};
    return ToQString("DataForSEO from the next Start, in " + Market(next) + ".");
  }
  if (!kind || sources::ParseSourceName(now.source) == kind) return {};
  return kind == sources::SourceKind::kEndpoints
             ? QStringLiteral("Your own endpoints from the next Start.")
             : QStringLiteral("Generated data from the next Start.");
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

store::SourceChoice ChoiceInUse(const CommandLineChoice& command_line) {
  store::SourceChoice shown = store::LoadSourceChoice();
  const session::SessionOptions& given = command_line.options;
  if (command_line.given.source) {
    const bool hosts = !given.suggest_host.empty() || !given.search_host.empty();
    shown.source = given.source.empty() && hosts ? "endpoints" : given.source;
    shown.suggest_host = given.suggest_host;
    shown.search_host = given.search_host;
  }
  if (command_line.given.top_source) {
    shown.top_source = given.top_source;
    shown.top_host = given.top_host;
  }
  if (command_line.given.market) {
    shown.location = static_cast<std::uint32_t>(given.location_code);
    shown.language = given.language_code;
    shown.country = given.country;
  }
  return shown;
}

std::unique_ptr<session::NetworkSession> OpenWindowSession(session::SessionOptions network,
                                                           GivenOptions given, bool remember,
                                                           const ChooseAgain& choose_again,
                                                           session::SessionOptions* opened_with) {
  // What this start takes as given: the command line's, and the generated data standing in for
  // a remembered source that cannot be used.
  GivenOptions taken = given;
  for (;;) {
    const store::SourceChoice stored = store::LoadSourceChoice();
    const QString bad = BadSettingText(stored, !taken.source, !taken.top_source);
    QString reason;
    if (bad.isEmpty()) {
      const session::SessionOptions chosen = WithRememberedChoice(network, taken);
      try {
        auto session = std::make_unique<session::NetworkSession>(chosen, kWindowNeeds, kProgram);
        if (remember && (given.source || given.top_source)) {
          // Only the names given: the market and hosts the dialog keeps stay as they were.
          store::SourceChoice kept = stored;
          if (given.source) kept.source = chosen.source;
          if (given.top_source) kept.top_source = chosen.top_source;
          store::SaveSourceChoice(kept);
        }
        if (opened_with != nullptr) *opened_with = chosen;
        return session;
      } catch (const std::exception& e) {
        // Only a remembered research source is chosen anew: one given for this start is the
        // user's word, and a terminal is at hand to say what is wrong with it.
        if (given.source || !choose_again) {
          // The settings may name the source, so the way out is said too.
          ShowWarning(nullptr,
                      QStringLiteral("Quillmark cannot use its data source: ") +
                          ToQString(e.what()) +
                          QStringLiteral("\n\nStart it with --source stand-in --top-source "
                                         "stand-in to use the generated data, or see \"Real "
                                         "data\" in the README."));
          return nullptr;
        }
        reason =
            StartUpReason(e) + QStringLiteral("\nCancel uses the generated data for this start.");
      }
    } else if (choose_again) {
      reason = bad + QStringLiteral("\nTo use another, choose it below and press OK.");
    } else {
      ShowWarning(nullptr, bad);
    }
    if (!reason.isEmpty() && choose_again(reason)) continue;
    // Declined, or a bad setting: the generated data for this start only, in place of what
    // cannot be used; the remembered choice stays.
    const bool all = bad.isEmpty();
    if (!taken.source && (all || !BadSettingText(stored, true, false).isEmpty())) {
      network.source = kStandIn;
      taken.source = true;
    }
    if (!taken.top_source && (all || !BadSettingText(stored, false, true).isEmpty())) {
      network.top_source = kStandIn;
      taken.top_source = true;
    }
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
    const std::string name = "DataForSEO, " + Market(opened_with);
    return {ToQString(name),
            ToQString(name + ".\n") +
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

session::SessionOptions ChosenSession::Wanted() const {
  return WithRememberedChoice(given_, fixed_);
}

bool ChosenSession::NewChoice(const session::SessionOptions& wanted) const {
  return choice_saved_ || !SameChoice(wanted, considered_);
}

std::shared_ptr<const session::NetworkSession> ChosenSession::ForNextRun() {
  const session::SessionOptions wanted = Wanted();
  if (NewChoice(wanted)) {
    choice_saved_ = false;
    considered_ = wanted;
    try {
      // The session before goes once the last run that uses it has ended.
      current_ = std::make_shared<session::NetworkSession>(wanted, kWindowNeeds, kProgram);
      opened_with_ = wanted;
    } catch (const std::exception& e) {
      const bool account = dynamic_cast<const sources::CredentialsError*>(&e) != nullptr;
      ShowWarning(
          nullptr,
          CannotUseText(e) +
              (account ? QStringLiteral(" File > \"Data Source...\" says why.") : QString()) +
              QStringLiteral("\n\nThis research uses: ") + Label().text + QStringLiteral("."));
    }
  }
  return current_;
}

SourceLabel ChosenSession::Label() const {
  SourceLabel label = DescribeSource(*current_, opened_with_);
  const session::SessionOptions wanted = Wanted();
  if (NewChoice(wanted)) {
    const QString next = NextChoiceText(wanted, opened_with_);
    if (!next.isEmpty()) label.tooltip += QLatin1Char('\n') + next;
  }
  return label;
}

}  // namespace quillmark::ui

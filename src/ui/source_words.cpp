#include "ui/source_words.h"

#include <QStringList>

#include "sources/markets.h"
#include "sources/source.h"
#include "ui/text_convert.h"

namespace quillmark::ui {
namespace {

using sources::AccountProblem;

// Why a remembered source name does not serve its pages; "" when it does.
QString UnfitName(const std::string& name, bool top) {
  if (name.empty()) return {};
  const auto kind = sources::ParseSourceName(name);
  const QString quoted = QLatin1Char('\'') + ToQString(name) + QLatin1Char('\'');
  const QString setting = top ? QStringLiteral("The saved top-searches source ")
                              : QStringLiteral("The saved data source ");
  const QString instead = top ? QStringLiteral("generated top searches are used.")
                              : QStringLiteral("generated data is used.");
  if (!kind) return setting + quoted + QStringLiteral(" is unknown; ") + instead;
  if (top ? !sources::ServesTopSearches(*kind) : !sources::ServesResearch(*kind)) {
    return setting + quoted +
           (top ? QStringLiteral(" lists no top searches; ")
                : QStringLiteral(" does no keyword research; ")) +
           instead;
  }
  return {};
}

}  // namespace

QString LocationText(int location_code) {
  const sources::Country* country = sources::CountryOfLocation(location_code);
  return country != nullptr ? ToQString(country->name)
                            : QStringLiteral("location %1").arg(location_code);
}

QString LanguageText(const std::string& language_code) {
  const sources::Language* language = sources::FindLanguage(language_code);
  return language != nullptr ? ToQString(language->name)
                             : QStringLiteral("language ") + ToQString(language_code);
}

QString TopCountryText(const std::string& country_code) {
  const sources::Country* country = sources::FindCountry(country_code);
  return country != nullptr && country_code.size() == 2
             ? ToQString(country->name)
             : QStringLiteral("country ") + ToQString(country_code);
}

QString MarketText(int location_code, const std::string& language_code) {
  return LocationText(location_code) + QLatin1Char('/') + LanguageText(language_code);
}

QString AccountProblemText(const sources::CredentialsError& error) {
  const QString type_anew =
      QStringLiteral("Type your API login and password and press OK to save them anew.");
  switch (error.Problem()) {
    case AccountProblem::kMissing:
      return QStringLiteral("Type your DataForSEO API login and password and press OK.");
    case AccountProblem::kPartInEnvironment:
      return QStringLiteral(
          "Quillmark was started with only a part of a DataForSEO account in its environment "
          "(a login without its password, or a password without its login), so no account can "
          "be used. Start Quillmark again with both, or with neither to use the account saved "
          "here.");
    case AccountProblem::kLink:
      return QStringLiteral(
                 "The saved DataForSEO account is a link to another file, which is not "
                 "read. ") +
             type_anew;
    case AccountProblem::kNotAFile:
      return QStringLiteral(
                 "Something other than a file stands where the DataForSEO account is "
                 "saved (%1). Remove it, then type your API login and password and "
                 "press OK.")
          .arg(ToQString(sources::CredentialsFilePath()));
    case AccountProblem::kOthersMayRead:
      return QStringLiteral(
                 "Other users of this computer may read the saved DataForSEO account, "
                 "so it is not used. ") +
             type_anew + QStringLiteral(" Only you can read them then.");
    case AccountProblem::kMalformed:
      return QStringLiteral("The saved DataForSEO account lacks its login or its password. ") +
             type_anew;
    case AccountProblem::kUnreadable:
      return QStringLiteral("The saved DataForSEO account cannot be read (%1). ")
                 .arg(ToQString(error.what())) +
             type_anew;
  }
  return ToQString(error.what());
}

QString BadSettingText(const store::SourceChoice& stored, bool research, bool top) {
  QStringList said;
  if (research) said << UnfitName(stored.source, false);
  if (top) said << UnfitName(stored.top_source, true);
  said.removeAll(QString());
  return said.join(QLatin1Char('\n'));
}

QString CannotUseText(const std::exception& error) {
  if (dynamic_cast<const sources::CredentialsError*>(&error) != nullptr)
    return QStringLiteral(
        "Quillmark cannot use DataForSEO, the chosen data source, without its account.");
  return QStringLiteral("Quillmark cannot use its data source: ") + ToQString(error.what());
}

QString StartUpReason(const std::exception& error) {
  const auto* account = dynamic_cast<const sources::CredentialsError*>(&error);
  return CannotUseText(error) + (account != nullptr
                                     ? QLatin1Char(' ') + AccountProblemText(*account)
                                     : QStringLiteral("\nChoose where the numbers come from "
                                                      "below and press OK."));
}

}  // namespace quillmark::ui

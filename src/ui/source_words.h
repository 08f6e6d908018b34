#pragma once
// What the window says about its data source, in words for the person at it: the market by its
// names, why a source cannot be used and what to do about it in the window. Never a variable or a
// command: those are the terminal's words (qmk says them).

#include <QString>
#include <exception>
#include <string>

#include "sources/credentials.h"
#include "store/settings_key.h"

namespace quillmark::ui {

// A market's parts by name; a code the built-in lists lack as itself: "location 1003854",
// "language xx", "country XY".
QString LocationText(int location_code);
QString LanguageText(const std::string& language_code);
QString TopCountryText(const std::string& country_code);
// "Germany/German".
QString MarketText(int location_code, const std::string& language_code);

// What stands in the way of the DataForSEO account, and what to type in the Data Source dialog.
QString AccountProblemText(const sources::CredentialsError& error);

// The remembered source names that name no source fit for their pages, said as the settings
// they are ("The saved data source 'bogus' is unknown; generated data is used."); "" when
// the names are fit. `research`/`top`: whether that name is the one in use (not given for this
// start).
QString BadSettingText(const store::SourceChoice& stored, bool research, bool top);

// Why the chosen source cannot be used, in a sentence.
QString CannotUseText(const std::exception& error);
// Why the remembered source could not be opened at start, and what to do in the dialog shown
// with it.
QString StartUpReason(const std::exception& error);

}  // namespace quillmark::ui

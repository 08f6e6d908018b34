#pragma once
// Text helpers for writing the generated pages: phrase clean-up, HTML escaping, link encoding and
// number formatting. Texts are byte strings; bytes above 127 pass through untouched.

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark::demo {

// The canonical form of a phrase: A-Z lower-cased, control bytes and the characters that would
// break a table cell or its link text (< > ; & ") turned into blanks, runs of blanks collapsed,
// ends trimmed, cut to kMaxPhraseLength. Used for the phrases shown on suggestion pages and as
// the key every per-phrase figure is derived from.
std::string NormalizePhrase(std::string_view raw);

// Escapes & < > " so a phrase from a request can be shown without adding markup.
std::string HtmlEscape(std::string_view text);

// Percent-encodes all but unreserved URL characters; a blank becomes "+" or "%20".
std::string PercentEncode(std::string_view text, bool blank_as_plus);

// A URL path segment from a phrase: lower-case letters and digits joined by single hyphens.
std::string Slug(std::string_view phrase);

// 1230000 -> "1,230,000".
std::string GroupThousands(std::uint64_t value);

// "blue widgets" -> "Blue Widgets" (A-Z only, like the rest of the program's case rules).
std::string TitleCase(std::string_view phrase);

}  // namespace quillmark::demo

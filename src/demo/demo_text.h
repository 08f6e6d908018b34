#pragma once
// Text helpers for writing the generated pages: phrase clean-up, names and number formatting
// (escaping and link encoding are the page writer's, pages/page_writer.h). Texts are byte
// strings; bytes above 127 pass through untouched.

#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark::demo {

// The canonical form of a phrase: A-Z lower-cased, control bytes and the characters that would
// break a table cell or its link text (< > ; & ") turned into blanks, runs of blanks collapsed,
// ends trimmed, cut to kMaxPhraseLength. Used for the phrases shown on suggestion pages and as
// the key every per-phrase figure is derived from.
std::string NormalizePhrase(std::string_view raw);

// A URL path segment from a phrase: lower-case letters and digits joined by single hyphens.
std::string Slug(std::string_view phrase);

// 1230000 -> "1,230,000".
std::string GroupThousands(std::uint64_t value);

// "blue widgets" -> "Blue Widgets" (A-Z only, like the rest of the program's case rules).
std::string TitleCase(std::string_view phrase);

}  // namespace quillmark::demo

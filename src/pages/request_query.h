#pragma once
// Reads parameters from the raw query of a request target. Queries are decoded here, not by an
// HTTP library, because the research code encodes them two ways: a suggestion seed goes out with
// only blanks escaped (a literal "+" is a plus), a search phrase with blanks as "+" and a plus as
// "%2B".

#include <optional>
#include <string>
#include <string_view>

namespace quillmark::pages {

// The still-encoded value of the first `name`=... parameter after the "?" of `target`; nullopt
// when the parameter is absent. A parameter written without "=" has the empty value.
std::optional<std::string_view> FindQueryValue(std::string_view target, std::string_view name);

// Decodes %XX escapes (a "%" not followed by two hex digits stays as it is) and, when
// `plus_is_blank`, turns "+" into a blank. Decoding is one pass, so "%2B" is always a plus.
std::string DecodeQueryValue(std::string_view raw, bool plus_is_blank);

}  // namespace quillmark::pages

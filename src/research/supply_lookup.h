#pragma once
// Reading the supply (the result count for an exact phrase) from a search-result page.

#include <string>
#include <string_view>

namespace quillmark {

// The supply text of a lower-cased result page: the count between "of about" and the next
// "for" within the 100 characters after the marker, as plain digits; "?" when the page has no
// "of about", "0" when nothing stands there. `has_marker`, when given, tells whether the page
// had the marker, so a caller need not search the page again.
std::string ReadSupplyCount(std::string_view lowered_page, bool* has_marker = nullptr);

}  // namespace quillmark

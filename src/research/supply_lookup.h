#pragma once
// Reading the supply (the result count for an exact phrase) from a search-result page.

#include <string>
#include <string_view>

namespace quillmark {

// The supply text of a lower-cased result page: the count between "of about" and the next
// "for" within the 100 characters after the marker, as plain digits; "?" when the page has no
// "of about", "0" when nothing stands there.
std::string ReadSupplyCount(std::string_view lowered_page);

}  // namespace quillmark

#pragma once
// Finding where the target site stands within one page of search results.

#include <cstdint>
#include <string_view>

namespace quillmark {

// How many "<li>" items stand between the page's "of about" (its start when there is none)
// and the first item that holds the target; 0 when no item holds it. Both texts lower-cased.
// An item runs from its "<li>" up to the next one; the page's last item runs to its end.
std::int64_t RankItemOffset(std::string_view lowered_page, std::string_view lowered_target);

}  // namespace quillmark

#pragma once
// The filter dialog's pruning: rows whose supply is above a threshold leave the keyword list.

#include <cstddef>
#include <cstdint>

#include "research/keyword_list.h"

namespace quillmark {

// Deletes, in place, every row whose Supply text reads as a whole number greater than
// `threshold`. Unreadable supplies ("?", "", figures beyond 32 bits) stay; the rows left keep
// their order and check marks. Returns how many rows went.
std::size_t DeleteRowsAboveSupply(KeywordList& list, std::int32_t threshold);

}  // namespace quillmark

#pragma once
// Counts in the front ends' messages.

#include <cstddef>
#include <string>

namespace quillmark::session {

// "1 row", "2 rows".
std::string CountText(std::size_t count, const char* one, const char* many);

}  // namespace quillmark::session

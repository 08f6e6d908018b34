#pragma once
// Puts a phrase into a URL query so that the server reads back the same bytes.

#include <string>
#include <string_view>

namespace quillmark {

// Writes as %XX (upper-case hex) every byte that would end, split or corrupt a query component:
// control bytes 0x00-0x1F and 0x7F, '#', '&', '+', '%', '"', '\\', '?' and every byte 0x80-0xFF.
// Then each blank becomes `blank` ("%20" for the suggestion service, "+" for the search engine).
// All other bytes stay as they are.
std::string EncodeQueryText(std::string_view text, std::string_view blank);

}  // namespace quillmark

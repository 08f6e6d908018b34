#pragma once
// A page the research asked for, in the words of its lookup, for qmk's messages: a user acts on
// "supply of \"at&t\"", not on the URL a source answers internally.

#include <string>

namespace quillmark::cli {

// "suggestions for \"SEED\"", "supply of \"PHRASE\"", "rank page N of \"PHRASE\"", "the top
// searches"; the URL itself for a page of no known kind. Not yet made terminal-safe.
std::string PageInWords(const std::string& url);

}  // namespace quillmark::cli

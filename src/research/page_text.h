#pragma once
// The text conventions of the page readers: 1-based positions, clamped substrings, A-Z
// lower-casing, trimming of control codes and blanks, and the small marker-cutting routines.
// Pages are read by searching for fixed markers, never as HTML trees.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace quillmark {

// 1-based position of the first occurrence of `pattern` in `text`, compared byte for byte;
// 0 when there is none or when either text is empty.
std::size_t FindText(std::string_view pattern, std::string_view text);
// The same, searching from the 1-based position `from` (below 1 counts as 1); the result is
// still a position in the whole text.
std::size_t FindText(std::string_view pattern, std::string_view text, std::size_t from);

// `count` characters from the 1-based `start`: a start below 1 counts as 1 without shortening the
// count; a start past the end or a negative count gives the empty text; the end clamps.
std::string_view SubText(std::string_view text, std::int64_t start, std::int64_t count);

// Only A-Z change; every other byte (the code page's accented letters too) stays as it is.
char LowerChar(char c);
std::string LowerText(std::string_view text);
void LowerInPlace(std::string& text);

// Drops the bytes 0..32 at both ends.
std::string_view TrimText(std::string_view text);

std::string ReverseText(std::string_view text);

// Every case-insensitive occurrence of `pattern` replaced by `replacement` (inserted as given);
// the rest keeps its case. A removal that brings the pattern together again removes that too.
std::string ReplaceAllNoCase(std::string_view text, std::string_view pattern,
                             std::string_view replacement);

// Drops every ",", "." and blank: "1,230,000" -> "1230000".
std::string StripNumberPunctuation(std::string_view text);

// The demand figure of a suggestion-page cell (from "<td>" up to its "</td>"): the text after the
// first "&nbsp;" up to the first "</".
std::string ExtractDemandText(std::string_view cell);
// The link text of a suggestion-page cell: what follows the later of the last ">" and the last
// ";" before the first "</a>".
std::string ExtractLinkText(std::string_view cell);

}  // namespace quillmark

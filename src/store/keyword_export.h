#pragma once
// The keyword list export ("Save keywords list..."): the keywords of the checked rows as a
// plain text file, one per line, for pasting into other tools.

#include <string>

#include "research/keyword_list.h"

namespace quillmark {

// The keywords of the checked rows in list order, each ended by LF. A line break inside a
// keyword becomes a blank, so that every line stays one keyword.
std::string CheckedKeywordsText(const KeywordList& list);

// Replaces the file at `path` with CheckedKeywordsText(list), atomically. Raises StoreError
// (the old file stays whole).
void SaveKeywordsList(const KeywordList& list, const std::string& path);

}  // namespace quillmark

#include "store/keyword_export.h"

#include <algorithm>

#include "store/atomic_file.h"

namespace quillmark {

std::string CheckedKeywordsText(const KeywordList& list) {
  std::string text;
  for (const KeywordRowPtr& row : list.Rows()) {
    if (!row->Checked()) continue;
    const std::size_t start = text.size();
    text += row->Caption();
    std::replace_if(
        text.begin() + static_cast<std::ptrdiff_t>(start), text.end(),
        [](char c) { return c == '\n' || c == '\r'; }, ' ');
    text += '\n';
  }
  return text;
}

void SaveKeywordsList(const KeywordList& list, const std::string& path) {
  ReplaceFileAtomically(path, CheckedKeywordsText(list));
}

}  // namespace quillmark

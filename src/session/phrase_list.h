#pragma once
// The user's own phrases for a research, instead of a seed's suggestions: typed or pasted into the
// Investigate dialog, loaded there from a file, or given to `qmk research --phrases`. One phrase a
// line, or a CSV file's first column. What the list cannot research is skipped and counted, so
// the front end can say so before the run.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "research/research_limits.h"

namespace quillmark::session {

struct PhraseList {
  // Trimmed, each once whatever its letter case (the first one written), in the list's order.
  std::vector<std::string> phrases;
  std::size_t duplicates = 0;  // lines that repeated an earlier phrase
  // Phrases the keyword list cannot show as they are (a ";", "<", ">" or a control byte): left
  // out rather than changed into another phrase, as a provider's phrases are.
  std::size_t left_out = 0;

  bool TooMany() const { return phrases.size() > kMaxListPhrases; }
};

// The lines of a text (LF, CR LF or CR ends; a UTF-8 byte-order mark at its start dropped).
std::vector<std::string> TextLines(std::string_view text);
// The first cell of each record of a CSV text (RFC 4180: a quoted cell may hold commas, doubled
// quotes and line breaks). A first record whose cell reads "Keyword" is a header, as Export
// Table writes it, and the "'" that Export Table puts before a text a spreadsheet would evaluate
// is taken off again.
std::vector<std::string> CsvFirstColumn(std::string_view text);
// The list the lines make: blanks at their ends trimmed, empty lines skipped, repeats skipped
// (ASCII letter case ignored) and counted, phrases the list cannot show left out and counted.
PhraseList ReadPhrases(const std::vector<std::string>& lines);

// A list file's lines: a name ending in ".csv" (any case) is read as CSV, any other as lines.
// Throws std::runtime_error, with a text for people, for a file that cannot be read or is larger
// than any list of kMaxListPhrases phrases can be (kMaxListFileBytes).
std::vector<std::string> ReadPhraseFile(const std::string& path);
inline constexpr std::size_t kMaxListFileBytes = 16u << 20;

// "100 phrases", then "; 12 duplicates skipped" and "; 2 left out: they hold characters the
// list cannot show" when there were any.
std::string PhraseListText(const PhraseList& list);
// Why a list is not researched, or "" when it can be: none at all, or more than kMaxListPhrases
// ("1234 phrases: at most 1000 can be researched in one run").
std::string PhraseListRefusal(const PhraseList& list);

}  // namespace quillmark::session

#pragma once
// Turns the keyword list into output rows: the caption and the six column texts, and for
// opened files the check flag last.

#include "cli/row_output.h"
#include "research/keyword_list.h"

namespace quillmark::cli {

RowTable KeywordRowTable(const KeywordList& list, bool with_check_flag);

}  // namespace quillmark::cli

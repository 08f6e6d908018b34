#pragma once
// Investigation files (".qmk"): the rows of the keyword list kept in profile form, one section
// "item<i>" per row, so that a research can be looked at again later.

#include <cstddef>
#include <string>

#include "research/keyword_list.h"
#include "store/profile_file.h"

namespace quillmark {

// Opening appends at most this many rows; a file holding more sections is refused whole.
inline constexpr std::size_t kMaxInvestigationRows = 100000;

// Replaces the file at `path` with exactly the rows of `list`, in list order, and returns true.
// A list without rows writes nothing and leaves a file already there as it was: false. Raises
// StoreError (the old file stays whole).
bool SaveInvestigationFile(const KeywordList& list, const std::string& path);
// Appends the rows stored at `path` after the rows already in `list`, all in one step. A missing
// file adds nothing; an unreadable one raises StoreError and adds nothing.
void OpenInvestigationFile(KeywordList& list, const std::string& path);

// The same two directions on a profile held in memory.
ProfileFile InvestigationProfile(const KeywordList& list, const std::string& path);
void AppendInvestigationRows(KeywordList& list, const ProfileFile& profile);

}  // namespace quillmark

#pragma once
// One line of the keyword list: the phrase as caption, the column texts after it, a check box.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "research/lookup_status.h"

namespace quillmark {

class KeywordList;

// Sub-item i belongs to column i + 1; the texts are stored exactly as they are shown.
enum KeywordColumn : std::size_t {
  kColumnKeyword = 0,
  kColumnDemand,
  kColumnSupply,
  kColumnCost,
  kColumnRank,
  kColumnProfitability,
  kColumnEstimate,
  kColumnEffectiveness,
  kColumnCount
};

// The header texts of the eight columns, in column order.
extern const char* const kColumnTitles[kColumnCount];

// Rows are changed only through their KeywordList, which tells its observers; a row that has
// left its list keeps its texts but can no longer be written.
class KeywordRow {
 public:
  const std::string& Caption() const { return caption_; }
  const std::vector<std::string>& SubItems() const { return sub_items_; }
  // The text of sub-item i, or nullptr when the row has fewer sub-items.
  const std::string* SubItem(std::size_t i) const {
    return i < sub_items_.size() ? &sub_items_[i] : nullptr;
  }
  bool Checked() const { return checked_; }
  // How the row's supply and rank lookups went; see LookupFailed for which cells they taint.
  const LookupStatus& Lookups() const { return lookups_; }
  // The row's position in its list, or npos once it has left the list.
  std::size_t Index() const { return index_; }
  bool InList() const { return owner_ != nullptr; }

 private:
  friend class KeywordList;
  std::string caption_;
  std::vector<std::string> sub_items_;
  bool checked_ = false;
  LookupStatus lookups_;
  const KeywordList* owner_ = nullptr;
  std::size_t index_ = static_cast<std::size_t>(-1);
};

using KeywordRowPtr = std::shared_ptr<KeywordRow>;

}  // namespace quillmark

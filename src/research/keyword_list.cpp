#include "research/keyword_list.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>

namespace quillmark {

const char* const kColumnTitles[kColumnCount] = {"Keyword",
                                                 "Demand",
                                                 "Supply",
                                                 "Cost-per-Prospect",
                                                 "Rank #",
                                                 "Profitability",
                                                 "Estimated prospects #",
                                                 "Keyword Effectiveness"};

KeywordList::~KeywordList() {
  for (auto& row : rows_) Detach(*row);
}

void KeywordList::Detach(KeywordRow& row) {
  row.owner_ = nullptr;
  row.index_ = static_cast<std::size_t>(-1);
}

void KeywordList::Renumber(std::size_t from) {
  for (std::size_t i = from; i < rows_.size(); ++i) rows_[i]->index_ = i;
}

KeywordRowPtr KeywordList::Append() {
  auto row = std::make_shared<KeywordRow>();
  const std::size_t index = rows_.size();
  Notify([&](KeywordListObserver& o) { o.RowsAboutToBeAppended(index, 1); });
  row->owner_ = this;
  row->index_ = index;
  rows_.push_back(row);
  Notify([&](KeywordListObserver& o) { o.RowsAppended(index, 1); });
  return row;
}

void KeywordList::AppendRows(std::vector<KeywordRowPtr> rows) {
  if (rows.empty()) return;
  std::unordered_set<const KeywordRow*> seen;
  for (const auto& row : rows) {
    if (!row || row->owner_ != nullptr || !seen.insert(row.get()).second)
      throw std::invalid_argument("row already in a list");
  }
  const std::size_t first = rows_.size();
  Notify([&](KeywordListObserver& o) { o.RowsAboutToBeAppended(first, rows.size()); });
  rows_.reserve(first + rows.size());
  for (auto& row : rows) {
    row->owner_ = this;
    rows_.push_back(std::move(row));
  }
  Renumber(first);
  Notify([&](KeywordListObserver& o) { o.RowsAppended(first, rows_.size() - first); });
}

bool KeywordList::SetCaption(KeywordRow& row, std::string caption) {
  if (!Contains(row)) return false;
  row.caption_ = std::move(caption);
  Notify([&](KeywordListObserver& o) { o.RowChanged(row.index_); });
  return true;
}

bool KeywordList::AppendSubItem(KeywordRow& row, std::string text) {
  if (!Contains(row)) return false;
  row.sub_items_.push_back(std::move(text));
  Notify([&](KeywordListObserver& o) { o.RowChanged(row.index_); });
  return true;
}

bool KeywordList::SetChecked(KeywordRow& row, bool checked) {
  if (!Contains(row)) return false;
  if (row.checked_ != checked) {
    row.checked_ = checked;
    Notify([&](KeywordListObserver& o) { o.RowChanged(row.index_); });
  }
  return true;
}

bool KeywordList::SetLookups(KeywordRow& row, LookupStatus lookups) {
  if (!Contains(row)) return false;
  if (row.lookups_ != lookups) {
    row.lookups_ = std::move(lookups);
    Notify([&](KeywordListObserver& o) { o.RowChanged(row.index_); });
  }
  return true;
}

void KeywordList::CheckAll(bool checked) {
  for (auto& row : rows_) SetChecked(*row, checked);
}

void KeywordList::InvertChecks() {
  for (auto& row : rows_) SetChecked(*row, !row->checked_);
}

void KeywordList::Clear() {
  ++generation_;
  Notify([&](KeywordListObserver& o) { o.ListAboutToBeReset(); });
  for (auto& row : rows_) Detach(*row);
  rows_.clear();
  Notify([&](KeywordListObserver& o) { o.ListReset(); });
}

void KeywordList::Delete(std::size_t index) {
  if (index >= rows_.size()) throw std::out_of_range("no such row");
  Notify([&](KeywordListObserver& o) { o.RowsAboutToBeRemoved(index, 1); });
  Detach(*rows_[index]);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(index));
  Renumber(index);
  Notify([&](KeywordListObserver& o) { o.RowsRemoved(index, 1); });
}

std::size_t KeywordList::DeleteIf(const std::function<bool(const KeywordRow&)>& doomed) {
  std::size_t removed = 0;
  // From the end, so that each removal leaves the indices still to visit as they were.
  for (std::size_t i = rows_.size(); i-- > 0;) {
    if (doomed(*rows_[i])) {
      Delete(i);
      ++removed;
    }
  }
  return removed;
}

void KeywordList::Sort(const std::function<bool(const KeywordRow&, const KeywordRow&)>& before) {
  Notify([&](KeywordListObserver& o) { o.ListAboutToBeReset(); });
  // The order is worked out on a copy: a comparison that throws then leaves the rows exactly as
  // they were, where a sort in place could leave some of them moved out.
  std::vector<KeywordRowPtr> sorted = rows_;
  try {
    std::stable_sort(
        sorted.begin(), sorted.end(),
        [&](const KeywordRowPtr& a, const KeywordRowPtr& b) { return before(*a, *b); });
  } catch (...) {
    Notify([&](KeywordListObserver& o) { o.ListReset(); });
    throw;
  }
  rows_ = std::move(sorted);
  Renumber(0);
  Notify([&](KeywordListObserver& o) { o.ListReset(); });
}

void KeywordList::Reorder(const std::vector<std::size_t>& order) {
  if (order.size() != rows_.size()) throw std::invalid_argument("not a permutation of the rows");
  std::vector<bool> seen(order.size(), false);
  for (std::size_t i : order) {
    if (i >= order.size() || seen[i]) throw std::invalid_argument("not a permutation of the rows");
    seen[i] = true;
  }
  Notify([&](KeywordListObserver& o) { o.ListAboutToBeReset(); });
  std::vector<KeywordRowPtr> sorted;
  sorted.reserve(rows_.size());
  for (std::size_t i : order) sorted.push_back(std::move(rows_[i]));
  rows_ = std::move(sorted);
  Renumber(0);
  Notify([&](KeywordListObserver& o) { o.ListReset(); });
}

void KeywordList::AddObserver(KeywordListObserver* observer) {
  if (observer && std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void KeywordList::RemoveObserver(KeywordListObserver* observer) {
  observers_.erase(std::remove(observers_.begin(), observers_.end(), observer), observers_.end());
}

}  // namespace quillmark

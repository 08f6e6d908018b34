#pragma once
// The one store of keyword rows: runs append and fill rows, files write and read them, the
// window shows them through an observer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "research/keyword_row.h"

namespace quillmark {

// Told of every change, after it has happened (and, for appends and removals, just before).
class KeywordListObserver {
 public:
  virtual ~KeywordListObserver() = default;
  virtual void RowsAboutToBeAppended(std::size_t /*first*/, std::size_t /*count*/) {}
  virtual void RowsAppended(std::size_t /*first*/, std::size_t /*count*/) {}
  virtual void RowChanged(std::size_t /*index*/) {}
  virtual void RowsAboutToBeRemoved(std::size_t /*first*/, std::size_t /*count*/) {}
  virtual void RowsRemoved(std::size_t /*first*/, std::size_t /*count*/) {}
  virtual void ListAboutToBeReset() {}
  virtual void ListReset() {}
};

class KeywordList {
 public:
  KeywordList() = default;
  KeywordList(const KeywordList&) = delete;
  KeywordList& operator=(const KeywordList&) = delete;
  ~KeywordList();

  std::size_t Count() const { return rows_.size(); }
  bool Empty() const { return rows_.empty(); }
  const KeywordRowPtr& Row(std::size_t i) const { return rows_.at(i); }
  const std::vector<KeywordRowPtr>& Rows() const { return rows_; }

  // A new row at the end: empty caption, no sub-items, unchecked.
  KeywordRowPtr Append();
  // Appends finished rows in one step (opening a file).
  void AppendRows(std::vector<KeywordRowPtr> rows);
  // Whether the row is still one of this list's rows.
  bool Contains(const KeywordRow& row) const { return row.owner_ == this; }

  // Writes into a row; each returns false and changes nothing when the row has left the list.
  bool SetCaption(KeywordRow& row, std::string caption);
  bool AppendSubItem(KeywordRow& row, std::string text);
  bool SetChecked(KeywordRow& row, bool checked);
  bool SetLookups(KeywordRow& row, LookupStatus lookups);
  void SetChecked(std::size_t index, bool checked) { SetChecked(*rows_.at(index), checked); }
  // Check boxes of every row at once.
  void CheckAll(bool checked);
  void InvertChecks();

  // Removes every row and makes every run that is filling this list stale.
  void Clear();
  void Delete(std::size_t index);
  // Removes the rows for which the predicate holds; returns how many went.
  std::size_t DeleteIf(const std::function<bool(const KeywordRow&)>& doomed);
  // Reorders the rows with a stable sort; `before` is a strict "goes before" test. When it
  // throws, the rows stay as they were, observers still hear the reset end, and the throw passes
  // on.
  void Sort(const std::function<bool(const KeywordRow&, const KeywordRow&)>& before);
  // Reorders the rows into the given permutation of the current rows (index order).
  void Reorder(const std::vector<std::size_t>& order);

  // Bumped by Clear() and by every run that starts; a run holding an older number is stale.
  std::uint64_t Generation() const { return generation_; }
  std::uint64_t BumpGeneration() { return ++generation_; }

  void AddObserver(KeywordListObserver* observer);
  void RemoveObserver(KeywordListObserver* observer);

 private:
  void Renumber(std::size_t from);
  void Detach(KeywordRow& row);
  // Observers may add or remove observers (themselves included) while they are told: the round
  // goes over the observers of its start, skipping any removed meanwhile.
  template <typename F>
  void Notify(F&& f) {
    const std::vector<KeywordListObserver*> round = observers_;
    for (KeywordListObserver* o : round) {
      if (std::find(observers_.begin(), observers_.end(), o) != observers_.end()) f(*o);
    }
  }

  std::vector<KeywordRowPtr> rows_;
  std::vector<KeywordListObserver*> observers_;
  std::uint64_t generation_ = 0;
};

}  // namespace quillmark

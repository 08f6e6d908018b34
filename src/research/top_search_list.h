#pragma once
// The rows of the top searches window: the phrase's number and the phrase. Qt-free, so the run,
// the terminal front end and the tests share it; the window shows it through an observer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillmark {

struct TopSearchRow {
  std::string caption;  // the phrase's number, "1", "2", ...
  std::string keyword;
};

class TopSearchListObserver {
 public:
  virtual ~TopSearchListObserver() = default;
  virtual void RowAppended(std::size_t /*index*/) {}
  virtual void ListCleared() {}
};

class TopSearchList {
 public:
  std::size_t Count() const { return rows_.size(); }
  const TopSearchRow& Row(std::size_t i) const { return rows_.at(i); }
  const std::vector<TopSearchRow>& Rows() const { return rows_; }

  void Append(std::string caption, std::string keyword);
  // Also makes a listing that is filling this list stale, so it ends at its next step.
  void Clear();
  std::uint64_t Generation() const { return generation_; }

  // One observer at a time (the window); nullptr removes it.
  void SetObserver(TopSearchListObserver* observer) { observer_ = observer; }

 private:
  std::vector<TopSearchRow> rows_;
  std::uint64_t generation_ = 0;
  TopSearchListObserver* observer_ = nullptr;
};

}  // namespace quillmark

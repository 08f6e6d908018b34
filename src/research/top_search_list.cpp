#include "research/top_search_list.h"

#include <utility>

namespace quillmark {

void TopSearchList::Append(std::string caption, std::string keyword) {
  rows_.push_back({std::move(caption), std::move(keyword)});
  if (observer_) observer_->RowAppended(rows_.size() - 1);
}

void TopSearchList::Clear() {
  ++generation_;
  rows_.clear();
  if (observer_) observer_->ListCleared();
}

}  // namespace quillmark

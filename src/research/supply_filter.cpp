#include "research/supply_filter.h"

#include "research/whole_number.h"

namespace quillmark {

std::size_t DeleteRowsAboveSupply(KeywordList& list, std::int32_t threshold) {
  return list.DeleteIf([threshold](const KeywordRow& row) {
    const std::string* supply = row.SubItem(kColumnSupply - 1);
    if (supply == nullptr) return false;
    const auto value = ReadWholeNumber(*supply);
    return value && *value > threshold;
  });
}

}  // namespace quillmark

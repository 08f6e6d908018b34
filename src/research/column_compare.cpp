#include "research/column_compare.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/ascii.h"
#include "research/decimal_separator.h"
#include "research/shown_cell.h"
#include "research/whole_number.h"

namespace quillmark {
namespace {

enum class Reading { kCaption, kWhole, kDecimal };

struct ColumnRule {
  Reading reading;
  bool largest_first;
};

constexpr ColumnRule kRules[kColumnCount] = {
    {Reading::kCaption, false},  // Keyword
    {Reading::kWhole, true},     // Demand
    {Reading::kWhole, false},    // Supply
    {Reading::kDecimal, false},  // Cost-per-Prospect
    {Reading::kWhole, false},    // Rank #
    {Reading::kDecimal, true},   // Profitability
    {Reading::kWhole, true},     // Estimated prospects #
    {Reading::kWhole, true},     // Keyword Effectiveness
};

// Decimals are compared in thousandths; a difference of up to half of one is no difference.
constexpr long double kDecimalScale = 1000;
constexpr long double kDecimalTolerance = 0.5L;

const ColumnRule& RuleFor(std::size_t column) {
  if (column >= kColumnCount) throw std::out_of_range("no such column");
  return kRules[column];
}

const std::string* ColumnText(const KeywordRow& row, std::size_t column) {
  return column == kColumnKeyword ? &row.Caption() : row.SubItem(column - 1);
}

// Whether the row's text in the column is no measured figure: it rests on a lookup that was not
// measured, or it is an index that measured figures could not give a real value.
bool Unmeasured(const KeywordRow& row, std::size_t column) {
  return SortsLast(KindOfCell(row, static_cast<KeywordColumn>(column)));
}

// Only a-z fold, onto their capitals: "_" (95) then sorts after "a" (as 65), not before it.
std::string CaptionKey(const KeywordRow& row) {
  return ascii::ToUpper(row.Caption());
}

std::optional<std::int64_t> WholeKey(const KeywordRow& row, std::size_t column) {
  const std::string* text = ColumnText(row, column);
  if (text == nullptr) return std::nullopt;
  // Not ranked sorts as rank 0, ahead of rank 1.
  if (column == kColumnRank && *text == "-") return 0;
  return ReadWholeNumber(*text);
}

std::optional<long double> DecimalKey(const KeywordRow& row, std::size_t column) {
  const std::string* text = ColumnText(row, column);
  if (text == nullptr) return std::nullopt;
  std::string_view number = *text;
  // Whatever the last character is, it is taken for the "%".
  if (column == kColumnProfitability) {
    if (number.empty()) return std::nullopt;
    number.remove_suffix(1);
  }
  const auto value = ReadDecimal(number);
  if (!value) return std::nullopt;
  return *value * kDecimalScale;
}

int Sign(auto difference) {
  return (difference > 0) - (difference < 0);
}

int CompareCaptionKeys(const std::string& a, const std::string& b) {
  // char_traits<char> compares as unsigned bytes, so codes above 127 sort after ASCII.
  return Sign(a.compare(b));
}

int CompareWholeKeys(const std::optional<std::int64_t>& a, const std::optional<std::int64_t>& b,
                     bool largest_first) {
  if (!a || !b) return 0;
  return largest_first ? Sign(*b - *a) : Sign(*a - *b);
}

int CompareDecimalKeys(const std::optional<long double>& a, const std::optional<long double>& b,
                       bool largest_first) {
  if (!a || !b) return 0;
  const long double difference = largest_first ? *b - *a : *a - *b;
  // NaN (both infinite alike) cannot be ordered: equal, like any unreadable pair.
  if (std::isnan(difference) || std::fabs(difference) <= kDecimalTolerance) return 0;
  return Sign(difference);
}

// Reads every measured row once, then sorts the keys beside their positions, side by side in
// memory: the texts are never parsed inside the comparison and it never chases a row pointer.
// The unmeasured rows follow in their order.
template <typename Key, typename MakeKey, typename Compare>
std::vector<std::size_t> SortedOrder(const KeywordList& list, std::size_t column, MakeKey make_key,
                                     Compare compare) {
  std::vector<std::pair<Key, std::size_t>> entries;
  std::vector<std::size_t> unmeasured;
  entries.reserve(list.Count());
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const KeywordRow& row = *list.Row(i);
    if (Unmeasured(row, column)) {
      unmeasured.push_back(i);
    } else {
      entries.emplace_back(make_key(row), i);
    }
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [&](const auto& a, const auto& b) { return compare(a.first, b.first) < 0; });
  std::vector<std::size_t> order;
  order.reserve(list.Count());
  for (const auto& entry : entries) order.push_back(entry.second);
  order.insert(order.end(), unmeasured.begin(), unmeasured.end());
  return order;
}

}  // namespace

int CompareRows(const KeywordRow& a, const KeywordRow& b, std::size_t column) {
  const ColumnRule& rule = RuleFor(column);
  const bool a_unmeasured = Unmeasured(a, column);
  const bool b_unmeasured = Unmeasured(b, column);
  if (a_unmeasured || b_unmeasured) return int{a_unmeasured} - int{b_unmeasured};
  switch (rule.reading) {
    case Reading::kCaption:
      return CompareCaptionKeys(CaptionKey(a), CaptionKey(b));
    case Reading::kWhole:
      return CompareWholeKeys(WholeKey(a, column), WholeKey(b, column), rule.largest_first);
    case Reading::kDecimal:
      return CompareDecimalKeys(DecimalKey(a, column), DecimalKey(b, column), rule.largest_first);
  }
  return 0;
}

void SortKeywordList(KeywordList& list, std::size_t column) {
  const ColumnRule& rule = RuleFor(column);
  std::vector<std::size_t> order;
  switch (rule.reading) {
    case Reading::kCaption:
      order = SortedOrder<std::string>(list, column, CaptionKey, CompareCaptionKeys);
      break;
    case Reading::kWhole:
      order = SortedOrder<std::optional<std::int64_t>>(
          list, column, [&](const KeywordRow& row) { return WholeKey(row, column); },
          [&](const auto& a, const auto& b) { return CompareWholeKeys(a, b, rule.largest_first); });
      break;
    case Reading::kDecimal:
      order = SortedOrder<std::optional<long double>>(
          list, column, [&](const KeywordRow& row) { return DecimalKey(row, column); },
          [&](const auto& a, const auto& b) {
            return CompareDecimalKeys(a, b, rule.largest_first);
          });
      break;
  }
  list.Reorder(order);
}

}  // namespace quillmark

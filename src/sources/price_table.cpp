#include "sources/price_table.h"

#include <cmath>
#include <sstream>

#include "sources/reply_cache.h"
#include "sources/sources_limits.h"
#include "store/atomic_file.h"

namespace quillmark::sources {
namespace {

constexpr double kKeywordCallPrice = 0.075;
constexpr double kFirstPageLive = 0.002;
constexpr double kFirstPageQueued = 0.0006;
constexpr double kFirstPageQueuedHigh = 0.0012;
// Each further page of 10 results costs this share of the first (since September 2025).
constexpr double kFurtherPageShare = 0.75;
constexpr std::int64_t kResultsPerPricedPage = 10;
// The prices file holds a few dozen shapes at most.
constexpr std::size_t kMaxPricesBytes = 64 * 1024;
constexpr const char* kPricesFile = "prices";

}  // namespace

std::string CallShape::Key() const {
  switch (call) {
    case PricedCall::kKeywordIdeas:
      return "keywords_for_keywords/live";
    case PricedCall::kSearchVolume:
      return "search_volume/live";
    case PricedCall::kOrganicLive:
      return "organic/live/" + std::to_string(depth);
    case PricedCall::kOrganicQueued:
      return "organic/task_post/" + std::to_string(depth);
    case PricedCall::kOrganicQueuedHigh:
      return "organic/task_post/high/" + std::to_string(depth);
  }
  return {};
}

double BuiltInPrice(const CallShape& shape) {
  double first = kFirstPageLive;
  switch (shape.call) {
    case PricedCall::kKeywordIdeas:
    case PricedCall::kSearchVolume:
      return kKeywordCallPrice;
    case PricedCall::kOrganicLive:
      break;
    case PricedCall::kOrganicQueued:
      first = kFirstPageQueued;
      break;
    case PricedCall::kOrganicQueuedHigh:
      first = kFirstPageQueuedHigh;
      break;
  }
  const std::int64_t pages = std::max<std::int64_t>(
      (std::min(shape.depth, kMaxOrganicDepth) + kResultsPerPricedPage - 1) / kResultsPerPricedPage,
      1);
  return first * (1 + kFurtherPageShare * static_cast<double>(pages - 1));
}

PriceTable::PriceTable(std::string folder) : path_(CacheSideFile(folder, kPricesFile)) {
  const std::optional<std::string> text = ReadWholeFile(path_, kMaxPricesBytes);
  if (!text) return;
  std::istringstream lines(*text);
  std::string key;
  double price = 0;
  while (lines >> key >> price) {
    if (std::isfinite(price) && price >= 0 && price <= kMaxMoney) learned_[key] = price;
  }
}

double PriceTable::Price(const CallShape& shape) const {
  {
    const std::lock_guard lock(mutex_);
    if (const auto learned = learned_.find(shape.Key()); learned != learned_.end())
      return learned->second;
  }
  return BuiltInPrice(shape);
}

void PriceTable::Learn(const CallShape& shape, double cost, bool whole) {
  if (!std::isfinite(cost) || cost <= 0 || cost > kMaxMoney) return;
  const std::string key = shape.Key();
  const std::lock_guard lock(mutex_);
  const auto known = learned_.find(key);
  const double before = known != learned_.end() ? known->second : BuiltInPrice(shape);
  if (whole ? cost == before : cost <= before) return;
  learned_[key] = cost;
  std::ostringstream text;
  text.precision(10);
  for (const auto& [name, price] : learned_) text << name << ' ' << price << '\n';
  WriteCacheSideFile(path_, text.str());
}

}  // namespace quillmark::sources

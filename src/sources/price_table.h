#pragma once
// What a provider call may cost before it is made. DataForSEO's prices per endpoint and depth are
// built in, as its pricing page gave them on the date below; once a reply has shown by its `cost`
// what a call of the same shape cost, that figure replaces the built-in one. The figures learned
// are kept in a small file beside the reply cache ("prices"), so the next estimate knows them.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

namespace quillmark::sources {

// When the built-in prices were taken from the provider's pricing page.
inline constexpr std::string_view kPricesTaken = "late 2025";

enum class PricedCall {
  kKeywordIdeas,       // keywords_for_keywords/live: one seed's ideas
  kSearchVolume,       // search_volume/live: up to 1,000 keywords
  kOrganicLive,        // serp/google/organic/live/regular
  kOrganicQueued,      // the same through the Standard method's queue, normal priority
  kOrganicQueuedHigh,  // ... at high priority
};

struct CallShape {
  PricedCall call = PricedCall::kOrganicLive;
  std::int64_t depth = 0;  // organic results asked for; 0 for the keyword calls

  // "organic/live/100": how the shape is named in the prices file.
  std::string Key() const;
};

// The built-in price of a call of that shape in USD: a keyword call $0.075; organic results
// $0.002 for the first page of 10 live ($0.0006 queued, $0.0012 queued at high priority), each
// further page of 10 at 0.75 of the first.
double BuiltInPrice(const CallShape& shape);

// Safe to use from several threads at once.
class PriceTable {
 public:
  // With what earlier replies showed, read from `folder`'s prices file ("" for the reply cache's
  // folder). A file that cannot be read counts as none.
  explicit PriceTable(std::string folder = {});
  PriceTable(const PriceTable&) = delete;
  PriceTable& operator=(const PriceTable&) = delete;

  // The price of a call of that shape: the last one a reply showed, else the built-in one.
  double Price(const CallShape& shape) const;
  // A reply to a call of that shape said it cost `cost`. `whole`: it was billed for the whole
  // shape; a crawl that stopped at the target's domain bills only the pages it crawled, so such
  // a reply may only raise the price. Kept in the file at once; a file that cannot be written
  // costs a better estimate later, nothing more.
  void Learn(const CallShape& shape, double cost, bool whole);

 private:
  std::string path_;
  mutable std::mutex mutex_;  // guards learned_ and the file
  std::map<std::string, double> learned_;
};

}  // namespace quillmark::sources

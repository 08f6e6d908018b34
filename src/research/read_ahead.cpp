#include "research/read_ahead.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "pages/page_format.h"
#include "research/page_text.h"
#include "research/research_limits.h"
#include "research/whole_number.h"

namespace quillmark {

ReadAhead::ReadAhead(ResearchHost& host, const Endpoints& endpoints, std::string_view lowered_page,
                     FetchStarter start, std::size_t limit, std::function<void()> wait,
                     Cancellation stopped)
    : host_(host),
      endpoints_(endpoints),
      start_(std::move(start)),
      limit_(std::max<std::size_t>(limit, 1)),
      wait_(std::move(wait)),
      stopped_(std::move(stopped)),
      walk_(lowered_page),
      walk_over_(!walk_.HasCell()) {}

ReadAhead::Row* ReadAhead::RowAt(std::size_t row) {
  if (row < first_row_ || row == kNoRow) return nullptr;
  while (first_row_ + rows_.size() <= row) {
    if (walk_over_) return nullptr;
    // The same steps as the run's: past the demand cell, the keyword, past the keyword cell.
    walk_.PassCell();
    std::string keyword = walk_.Keyword();
    walk_.PassCell();
    rows_.push_back({.keyword = std::move(keyword)});
    walk_over_ = !walk_.HasCell();
  }
  return &rows_[row - first_row_];
}

void ReadAhead::EnterRow(std::size_t row) {
  started_ = true;
  if (RowAt(row) == nullptr) {
    rows_.clear();
    walk_over_ = true;
  }
  while (first_row_ < row && !rows_.empty()) {
    rows_.pop_front();
    ++first_row_;
  }
  first_row_ = row;
  // Pages of rows left behind that the run did not take are of no use now.
  std::erase_if(held_, [row](const Held& held) { return held.row < row; });
}

void ReadAhead::GiveUp() {
  given_up_ = true;
  held_.clear();
}

std::size_t ReadAhead::InFlight() const {
  const auto running = std::count_if(held_.begin(), held_.end(),
                                     [](const Held& held) { return !held.fetch->Ready(); });
  return static_cast<std::size_t>(running) + (run_waiting_ ? 1 : 0);
}

std::size_t ReadAhead::InHandInFlight() const {
  const auto running = std::count_if(held_.begin(), held_.end(), [this](const Held& held) {
    return held.row == first_row_ && !held.fetch->Ready();
  });
  return static_cast<std::size_t>(running) + (run_waiting_ ? 1 : 0);
}

bool ReadAhead::Cancelled(Held& held) const {
  if (!held.fetch->Ready()) return false;
  const FetchResult* result = held.fetch->Peek();
  return result != nullptr && result->status == FetchStatus::kCancelled;
}

void ReadAhead::Start(std::string url, std::size_t row, std::int64_t rank_page) {
  std::unique_ptr<StartedFetch> fetch = start_(url);
  held_.push_back({std::move(url), row, rank_page, std::move(fetch)});
  Row& planned = *RowAt(row);
  if (rank_page == 0) {
    planned.supply_asked = true;
  } else {
    planned.rank_pages_asked = rank_page;
    planned.rank_pending = true;
  }
}

std::string ReadAhead::RankPageUrl(const std::string& keyword, std::int64_t page) const {
  return RankUrl(endpoints_.search_host, keyword, 1 + (page - 1) * pages::kResultsPerRankPage);
}

bool ReadAhead::StartIfNext(const std::string& url) {
  for (std::size_t index = first_row_; index <= first_row_ + limit_; ++index) {
    const Row* row = RowAt(index);
    if (row == nullptr) break;
    if (row->keyword.empty()) continue;
    if (!row->supply_asked && SupplyUrl(endpoints_.search_host, row->keyword) == url) {
      Start(url, index, 0);
      return true;
    }
    const std::int64_t page = row->rank_pages_asked + 1;
    if (!row->rank_over && !row->rank_pending && RankPageUrl(row->keyword, page) == url) {
      Start(url, index, page);
      return true;
    }
  }
  return false;
}

std::vector<ReadAhead::Held>::iterator ReadAhead::Drop(std::vector<Held>::iterator held) {
  if (Row* row = RowAt(held->row)) {
    if (held->rank_page == 0) {
      row->supply_asked = false;
    } else {
      row->rank_pages_asked = held->rank_page - 1;
      row->rank_pending = false;
    }
  }
  return held_.erase(held);
}

void ReadAhead::Examine(Held& held) {
  Row* row = RowAt(held.row);
  // Only the row's last page asked decides on the next one, and only once.
  if (row == nullptr || held.rank_page == 0 || held.rank_page != row->rank_pages_asked ||
      !row->rank_pending || Cancelled(held))
    return;
  row->rank_pending = false;
  const FetchResult* page = held.fetch->Peek();
  const std::string target = LowerText(host_.TargetUrl());
  if (page == nullptr || target.empty() || FindText(target, LowerText(page->body)) > 0)
    row->rank_over = true;
}

void ReadAhead::Advance() {
  if (!started_ || given_up_) return;
  for (Held& held : held_)
    if (held.fetch->Ready()) Examine(held);
  if (Stopped()) return;
  if (host_.EscapeDown()) {
    // The run ends after its row in hand unless the key is let go first; then what is dropped
    // here is simply asked for again.
    for (auto held = held_.begin(); held != held_.end();) {
      if (held->row == first_row_ || held->fetch->Ready()) {
        ++held;
      } else {
        held = Drop(held);
      }
    }
    return;
  }

  // Read as the run reads them, now: the run ends once its list holds max results rows.
  const int max_results = host_.MaxResults();
  const std::size_t listed = host_.Keywords().Count();
  const std::size_t reachable = max_results > 0 && static_cast<std::size_t>(max_results) > listed
                                    ? static_cast<std::size_t>(max_results) - listed
                                    : 0;
  const std::string target = LowerText(host_.TargetUrl());
  const std::optional<std::int32_t> pages = ReadWholeNumber(host_.MaxPagesText());
  // A pages text that is not a number fails the row's rank lookup, and the run ends after it.
  const std::size_t end = first_row_ + 1 + (pages ? std::min(reachable, limit_) : 0);
  const std::int64_t rank_pages =
      target.empty() || !pages ? 0 : std::min<std::int64_t>(*pages, kMaxRankPages);

  for (std::size_t index = first_row_; index < end; ++index) {
    // A place is kept for the row in hand while it has no fetch in flight: the next page the run
    // asks for is its own, and never waits behind pages read ahead.
    const std::size_t room = index == first_row_ || InHandInFlight() > 0 ? limit_ : limit_ - 1;
    if (InFlight() >= room) break;
    Row* row = RowAt(index);
    if (row == nullptr) break;
    if (row->keyword.empty()) continue;  // no lookup makes a request
    if (!row->supply_asked) Start(SupplyUrl(endpoints_.search_host, row->keyword), index, 0);
    if (InFlight() >= room) break;
    row = RowAt(index);
    if (!row->rank_over && !row->rank_pending && row->rank_pages_asked < rank_pages) {
      const std::int64_t page = row->rank_pages_asked + 1;
      Start(RankPageUrl(row->keyword, page), index, page);
    }
  }
}

FetchResult ReadAhead::Take(const std::string& url) {
  Held taken;
  bool asked_again = false;
  for (;;) {
    Advance();
    // Of two rows with the same phrase, the nearer one's page.
    auto held = held_.end();
    for (auto h = held_.begin(); h != held_.end(); ++h)
      if (h->url == url && (held == held_.end() || h->row < held->row)) held = h;
    if (held != held_.end()) {
      // Cancelled although the run goes on (its session was ending): ask again, once.
      if (!asked_again && Cancelled(*held) && !Stopped()) {
        asked_again = true;
        Drop(held);
        continue;
      }
      taken = std::move(*held);
      held_.erase(held);
      break;
    }
    // After a stop nothing more is asked for.
    if (Stopped()) return {{}, FetchStatus::kCancelled, "stopped"};
    // The place kept for the row in hand takes it at once. A row's next page is started as the
    // row's.
    if (StartIfNext(url)) continue;
    // Not read ahead (a dialog value changed meanwhile): fetched now.
    taken = {url, kNoRow, 0, start_(url)};
    break;
  }
  if (!taken.fetch->Ready()) taken.fetch->Hurry();
  {
    struct Waiting {
      bool& flag;
      explicit Waiting(bool& f) : flag(f) { flag = true; }
      ~Waiting() { flag = false; }
    } waiting(run_waiting_);
    while (!taken.fetch->Ready()) {
      wait_();
      Advance();
    }
  }
  Examine(taken);
  return taken.fetch->Take();
}

}  // namespace quillmark

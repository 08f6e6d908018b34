#pragma once
// Internal to the research run: while the run fills the row in hand, the pages of the rows after
// it (supply, rank page 1) are already being fetched, up to a limit at once, so the run finds them
// there when it asks. The run itself keeps its order and checkpoints; only the waiting overlaps.
// A row's rank page k+1 is asked for only once page k was read without the target, so the pages
// fetched are those the run would fetch one at a time. While the row in hand has nothing in
// flight one place is kept for it, so the page the run asks for next never waits behind pages
// read ahead.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "research/endpoints.h"
#include "research/page_fetcher.h"
#include "research/research_host.h"
#include "research/suggestion_walk.h"

namespace quillmark {

class ReadAhead {
 public:
  // Walks `lowered_page` (which must outlive this) as the run does. `wait` pumps and sleeps until
  // something may have changed; it throws to end the run when the run has been abandoned.
  // `stopped` is the run's: once it holds, nothing more is asked for.
  ReadAhead(ResearchHost& host, const Endpoints& endpoints, std::string_view lowered_page,
            FetchStarter start, std::size_t limit, std::function<void()> wait,
            Cancellation stopped);
  // Gives up every fetch it holds: pages already there are thrown away.
  ~ReadAhead() = default;
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The run has appended its row `row` (0-based, in page order): rows before it are over.
  void EnterRow(std::size_t row);
  // Plans the follow-up rank pages of the pages that came and starts what may start now. Asks
  // nothing once the run is stopped or while Escape is held, and cancels what is in flight for
  // the rows ahead while Escape is held.
  void Advance();
  // The page at `url` for the run: the one read ahead, else fetched now; waits, pumping, until
  // it is there.
  FetchResult Take(const std::string& url);
  // Gives up everything and asks for nothing more: the run's list has moved on without it.
  void GiveUp();

 private:
  // What has been asked for one row of the page.
  struct Row {
    std::string keyword;
    bool supply_asked = false;
    std::int64_t rank_pages_asked = 0;
    bool rank_pending = false;  // the last rank page asked has not been read yet
    bool rank_over = false;     // no further rank page is wanted
  };
  // A page asked for, until the run takes it.
  struct Held {
    std::string url;
    std::size_t row = kNoRow;
    std::int64_t rank_page = 0;  // 1-based; 0 for the supply page
    std::unique_ptr<StartedFetch> fetch;
  };
  static constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

  // The row, walking the page as far as needed; nullptr past the page's last row or before the
  // row in hand.
  Row* RowAt(std::size_t row);
  void Start(std::string url, std::size_t row, std::int64_t rank_page);
  // The URL of a phrase's result page `page` (1-based), as the rank lookup asks for it.
  std::string RankPageUrl(const std::string& keyword, std::int64_t page) const;
  // Starts `url` when it is the next page of a row within reach; false when it is none.
  bool StartIfNext(const std::string& url);
  // Reads a rank page that came as the rank lookup will: without the target, the next page is
  // wanted.
  void Examine(Held& held);
  // Gives the fetch up; its page may be asked for again. Returns the next one.
  std::vector<Held>::iterator Drop(std::vector<Held>::iterator held);
  std::size_t InFlight() const;
  // Of these, the row in hand's, the one the run waits for included.
  std::size_t InHandInFlight() const;
  bool Cancelled(Held& held) const;
  bool Stopped() const { return stopped_ && stopped_(); }

  ResearchHost& host_;
  const Endpoints& endpoints_;
  FetchStarter start_;
  std::size_t limit_;
  std::function<void()> wait_;
  Cancellation stopped_;
  SuggestionWalk walk_;
  bool walk_over_;
  std::deque<Row> rows_;  // rows_[0] is row first_row_, the row in hand
  std::size_t first_row_ = 0;
  bool started_ = false;
  bool given_up_ = false;
  bool run_waiting_ = false;  // the run waits for a fetch it took out of held_
  std::vector<Held> held_;
};

}  // namespace quillmark

#include "sources/dataforseo_reply.h"

#include <algorithm>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>
#include <span>

#include "pages/page_format.h"
#include "sources/sources_limits.h"

namespace quillmark::sources {
namespace {

using nlohmann::json;

constexpr std::int64_t kSuccess = 20000;
constexpr std::int64_t kRateLimited = 40202;
constexpr std::int64_t kNotAuthorised = 40100;
constexpr std::int64_t kPaymentRequired = 40200;
// The queue's codes: a task taken, and one not finished yet (handed to a crawler, or waiting).
constexpr std::int64_t kTaskCreated = 20100;
constexpr std::int64_t kTaskHanded = 40601;
constexpr std::int64_t kTaskInQueue = 40602;
// Far deeper than any reply nests; a deeper one is refused rather than followed.
constexpr std::size_t kMaxDepth = 32;

// A value as the parse meets it; numbers in the forms a reply's fields are read in.
struct Scalar {
  enum Kind { kNull, kBool, kInteger, kBigInteger, kFloat, kText, kObject, kList } kind = kNull;
  std::int64_t integer = 0;   // kInteger
  std::uint64_t natural = 0;  // kBigInteger: a whole number above the int64 range
  double real = 0;            // kFloat
  // kText; for kFloat the number as the reply writes it. Valid during the call it is passed to.
  std::string_view text = {};
};

// A small count in a reply (a year, a month, a place, a limit) as a whole number from 0 to
// kMaxCount; -1 for null, text, or a negative figure. Read by kind, so no conversion can
// overflow.
std::int64_t Count(const Scalar& value) {
  if (value.kind == Scalar::kInteger)
    return value.integer < 0 ? -1 : std::min(value.integer, kMaxCount);
  if (value.kind == Scalar::kBigInteger) return kMaxCount;
  if (value.kind == Scalar::kFloat) {
    if (!(value.real >= 0)) return -1;
    return value.real >= static_cast<double>(kMaxCount) ? kMaxCount
                                                        : static_cast<std::int64_t>(value.real);
  }
  return -1;
}

// A figure the research shows (searches, result pages) exactly as the reply gives it, a fraction
// dropped; none for null, text, a negative figure, or one beyond 64 bits, which no count can be
// and which is never shown as a smaller one.
std::optional<std::uint64_t> Figure(const Scalar& value) {
  if (value.kind == Scalar::kInteger && value.integer >= 0)
    return static_cast<std::uint64_t>(value.integer);
  if (value.kind == Scalar::kBigInteger) return value.natural;
  // 2^64 is a power of two, so the comparison is exact.
  constexpr double kBeyond = 18446744073709551616.0;
  if (value.kind == Scalar::kFloat && value.real >= 0 && value.real < kBeyond)
    return static_cast<std::uint64_t>(value.real);
  return std::nullopt;
}

// An amount of USD in a reply, within kMaxMoney either way; none for anything else.
std::optional<double> Money(const Scalar& value) {
  if (value.kind != Scalar::kFloat && value.kind != Scalar::kInteger) return std::nullopt;
  const double amount =
      value.kind == Scalar::kFloat ? value.real : static_cast<double>(value.integer);
  if (amount < -kMaxMoney || amount > kMaxMoney) return std::nullopt;
  return amount;
}

// One step on the way from the top of a reply to a value: a key in an object, a place in a list.
struct Step {
  bool in_list = false;
  std::size_t index = 0;  // in a list: the place of the value being read
  std::string key;        // in an object: the key of the value being read
};
using Path = std::span<const Step>;

bool IsKey(const Step& step, std::string_view key) {
  return !step.in_list && step.key == key;
}

// The verdict of a status in a reply (at its top, or of a task), nothing for success.
std::optional<ReplyVerdict> StatusVerdict(std::optional<std::int64_t> code,
                                          const std::string& message, const char* where) {
  if (!code)
    return ReplyVerdict{ReplyVerdict::kBad, std::string("reply without ") + where + " status_code"};
  if (*code == kSuccess) return std::nullopt;
  std::string reason = message.empty() ? "status" : message;
  reason += " (" + std::to_string(*code) + ")";
  const ReplyVerdict::Kind kind = *code == kRateLimited ? ReplyVerdict::kRateLimited
                                  : *code == kNotAuthorised || *code == kPaymentRequired
                                      ? ReplyVerdict::kRefused
                                      : ReplyVerdict::kBad;
  return ReplyVerdict{.kind = kind, .reason = std::move(reason), .cost = 0, .code = *code};
}

// Told of what the first task's result list holds, by the way down from that list.
class ResultReader {
 public:
  virtual ~ResultReader() = default;
  // A value begins: a scalar, or an object or list before what it holds.
  virtual void Value(Path path, const Scalar& value) = 0;
  // An object or list has ended.
  virtual void End(Path path) = 0;
};

// The parse's events: the envelope's statuses are kept here, what lies below tasks[0].result goes
// to the reader. Only the way down to the value being read is held, never the values around it.
class ReplyScan final : public json::json_sax_t {
 public:
  explicit ReplyScan(ResultReader& reader) : reader_(reader) {}

  bool null() override { return Leaf(Scalar{Scalar::kNull}); }
  bool boolean(bool) override { return Leaf(Scalar{Scalar::kBool}); }
  bool number_integer(json::number_integer_t value) override {
    return Leaf(Scalar{Scalar::kInteger, value});
  }
  bool number_unsigned(json::number_unsigned_t value) override {
    if (value <= static_cast<json::number_unsigned_t>(std::numeric_limits<std::int64_t>::max()))
      return Leaf(Scalar{Scalar::kInteger, static_cast<std::int64_t>(value)});
    return Leaf(Scalar{.kind = Scalar::kBigInteger, .natural = value});
  }
  bool number_float(json::number_float_t value, const json::string_t& written) override {
    return Leaf(Scalar{.kind = Scalar::kFloat, .real = value, .text = written});
  }
  bool string(json::string_t& value) override {
    return Leaf(Scalar{.kind = Scalar::kText, .text = value});
  }
  bool binary(json::binary_t&) override { return Leaf(Scalar{Scalar::kNull}); }
  bool start_object(std::size_t) override { return Open(Scalar::kObject); }
  bool key(json::string_t& key) override {
    path_.back().key = key;
    return true;
  }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(Scalar::kList); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

  // The envelope's verdict once the parse is over; `parsed` says whether it reached the end.
  // The cost read from the top of the reply goes with any verdict: a failed task may cost too.
  ReplyVerdict Verdict(bool parsed, long http_status) const {
    ReplyVerdict verdict = EnvelopeVerdict(parsed, http_status);
    verdict.cost = cost_;
    return verdict;
  }
  // The kind of tasks[0].result; kNull when it is absent.
  Scalar::Kind ResultKind() const { return result_; }

 private:
  struct Status {
    std::optional<std::int64_t> code;  // absent, or not a whole number: none
    std::string message;
  };

  ReplyVerdict EnvelopeVerdict(bool parsed, long http_status) const {
    const std::string http = "HTTP " + std::to_string(http_status);
    if (!parsed || root_ != Scalar::kObject)
      return {ReplyVerdict::kBad, http_status != 200 ? http : "malformed JSON reply"};
    if (auto verdict = StatusVerdict(top_.code, top_.message, "its")) return *verdict;
    if (http_status != 200) return {ReplyVerdict::kBad, http};
    if (tasks_ != Scalar::kList || task_ != Scalar::kObject)
      return {ReplyVerdict::kBad, "reply without tasks"};
    if (auto verdict = StatusVerdict(task_status_.code, task_status_.message, "a task"))
      return *verdict;
    return {ReplyVerdict::kGood, {}};
  }

  // Whether the value being read lies in the first task, `depth` steps down from the top.
  bool InFirstTask(std::size_t depth) const {
    return path_.size() == depth && IsKey(path_[0], "tasks") && path_[1].in_list &&
           path_[1].index == 0;
  }
  // Where the value being read lies below tasks[0].result, or nothing when it lies elsewhere.
  std::optional<Path> BelowResult() const {
    if (path_.size() < 4 || !InFirstTask(path_.size()) || !IsKey(path_[2], "result"))
      return std::nullopt;
    return Path(path_).subspan(3);
  }

  void Note(Status& status, const Scalar& value) {
    if (path_.back().key == "status_code")
      status.code = value.kind == Scalar::kInteger ? std::optional(value.integer) : std::nullopt;
    else if (path_.back().key == "status_message")
      status.message = value.kind == Scalar::kText ? std::string(value.text) : std::string();
  }

  void Take(const Scalar& value) {
    if (path_.empty()) {
      root_ = value.kind;
    } else if (const auto below = BelowResult()) {
      reader_.Value(*below, value);
    } else if (path_.size() == 1) {
      if (IsKey(path_[0], "tasks")) tasks_ = value.kind;
      // A cost is never below zero.
      if (IsKey(path_[0], "cost")) cost_ = std::max(Money(value).value_or(0), 0.0);
      Note(top_, value);
    } else if (InFirstTask(2)) {
      task_ = value.kind;
    } else if (InFirstTask(3)) {
      if (IsKey(path_[2], "result")) result_ = value.kind;
      Note(task_status_, value);
    }
  }

  // The value in hand is read: a list moves on to its next place.
  bool Next() {
    if (!path_.empty() && path_.back().in_list) ++path_.back().index;
    return true;
  }
  bool Leaf(const Scalar& value) {
    Take(value);
    return Next();
  }
  bool Open(Scalar::Kind kind) {
    Take(Scalar{kind});
    if (path_.size() >= kMaxDepth) return false;
    path_.push_back(Step{kind == Scalar::kList, 0, {}});
    return true;
  }
  bool Close() {
    path_.pop_back();
    if (const auto below = BelowResult()) reader_.End(*below);
    return Next();
  }

  ResultReader& reader_;
  std::vector<Step> path_;
  Scalar::Kind root_ = Scalar::kNull;
  Scalar::Kind tasks_ = Scalar::kNull;
  Scalar::Kind task_ = Scalar::kNull;
  Scalar::Kind result_ = Scalar::kNull;
  Status top_;
  Status task_status_;
  double cost_ = 0;
};

ReplyVerdict Scan(long http_status, std::string_view body, ResultReader& reader,
                  Scalar::Kind& result_kind) {
  ReplyScan scan(reader);
  const bool parsed = json::sax_parse(body, &scan);
  result_kind = scan.ResultKind();
  return scan.Verdict(parsed, http_status);
}

// Keeps the `limit` first of `list` by `before`, in that order, once it holds twice as many: the
// result is that of one stable sort of everything given, however much that was.
template <typename T, typename Before>
void KeepFirst(std::vector<T>& list, std::size_t limit, Before before, bool final) {
  if (!final && list.size() < 2 * limit) return;
  std::stable_sort(list.begin(), list.end(), before);
  if (list.size() > limit) list.resize(limit);
}

bool IdeaBefore(const KeywordIdea& a, const KeywordIdea& b) {
  return ComesBefore(a.suggestion, b.suggestion);
}

bool NewerMonth(const MonthlyDemand& a, const MonthlyDemand& b) {
  return a.year != b.year ? a.year > b.year : a.month > b.month;
}

// The newest kMaxIdeaMonths of `months`, newest first, each month once (the first the reply
// gave of it).
void KeepNewestMonths(std::vector<MonthlyDemand>& months) {
  std::stable_sort(months.begin(), months.end(), NewerMonth);
  const auto same = [](const MonthlyDemand& a, const MonthlyDemand& b) {
    return a.year == b.year && a.month == b.month;
  };
  months.erase(std::unique(months.begin(), months.end(), same), months.end());
  if (months.size() > kMaxIdeaMonths) months.resize(kMaxIdeaMonths);
}

class IdeasReader final : public ResultReader {
 public:
  explicit IdeasReader(std::vector<KeywordIdea>& ideas) : ideas_(ideas) {}

  void Value(Path path, const Scalar& value) override {
    if (path.size() == 1) {
      idea_ = Idea{};
      in_idea_ = value.kind == Scalar::kObject;
      if (!in_idea_) lacks_keyword_ = true;
    } else if (!in_idea_) {
      return;
    } else if (path.size() == 2 && IsKey(path[1], "keyword")) {
      idea_.has_keyword = value.kind == Scalar::kText;
      idea_.keyword = value.text;
    } else if (path.size() == 2 && IsKey(path[1], "search_volume")) {
      idea_.average = Figure(value);
    } else if (InMonths(path) && path.size() == 3) {
      month_ = Month{};
      in_month_ = value.kind == Scalar::kObject;
    } else if (InMonths(path) && path.size() == 4 && in_month_) {
      if (IsKey(path[3], "year")) month_.year = Count(value);
      if (IsKey(path[3], "month")) month_.number = Count(value);
      if (IsKey(path[3], "search_volume")) month_.volume = Figure(value);
    }
  }

  void End(Path path) override {
    if (path.size() == 3 && in_month_ && InMonths(path)) {
      in_month_ = false;
      if (month_.year < 0 || month_.year > kMaxYear || month_.number < 1 || month_.number > 12)
        return;
      const std::int64_t when = month_.year * 12 + month_.number;
      if (when > idea_.newest_month) {
        idea_.newest_month = when;
        idea_.newest_volume = month_.volume;
      }
      // A null volume is no figure for that month; the list is trimmed as it grows, so a reply
      // of endless months holds no more than twice the bound at once.
      if (!month_.volume) return;
      const auto volume = static_cast<std::int64_t>(
          std::min<std::uint64_t>(*month_.volume, std::numeric_limits<std::int64_t>::max()));
      idea_.months.push_back(
          {static_cast<int>(month_.year), static_cast<int>(month_.number), volume});
      if (idea_.months.size() >= 2 * kMaxIdeaMonths) KeepNewestMonths(idea_.months);
    } else if (path.size() == 1 && in_idea_) {
      in_idea_ = false;
      if (!idea_.has_keyword) {
        lacks_keyword_ = true;
        return;
      }
      // Last month's searches: the newest monthly figure, else the average, else not known (a
      // null volume is no figure at all, not a measured 0).
      KeepNewestMonths(idea_.months);
      std::reverse(idea_.months.begin(), idea_.months.end());
      ideas_.push_back(
          {{std::move(idea_.keyword), idea_.newest_volume ? idea_.newest_volume : idea_.average},
           std::move(idea_.months)});
      KeepFirst(ideas_, pages::kMaxSuggestionRows, IdeaBefore, false);
    }
  }

  bool LacksKeyword() const { return lacks_keyword_; }

 private:
  struct Idea {
    bool has_keyword = false;
    std::string keyword;
    std::optional<std::uint64_t> average;
    std::int64_t newest_month = -1;
    std::optional<std::uint64_t> newest_volume;
    std::vector<MonthlyDemand> months;
  };
  struct Month {
    std::int64_t year = -1;
    std::int64_t number = -1;
    std::optional<std::uint64_t> volume;
  };

  // Whether the path lies in the idea's list of monthly figures.
  static bool InMonths(Path path) {
    return path.size() >= 3 && IsKey(path[1], "monthly_searches") && path[2].in_list;
  }

  std::vector<KeywordIdea>& ideas_;
  Idea idea_;
  Month month_;
  bool in_idea_ = false;
  bool in_month_ = false;
  bool lacks_keyword_ = false;
};

// Reads the first entry of the result list, the one a search call answers with.
class FirstResultReader : public ResultReader {
 public:
  void Value(Path path, const Scalar& value) override {
    if (path[0].index != 0) return;
    if (path.size() == 1) {
      has_first_ = value.kind == Scalar::kObject;
    } else if (has_first_) {
      InFirst(path, value);
    }
  }
  void End(Path path) override {
    if (path[0].index == 0 && has_first_ && path.size() > 1) EndInFirst(path);
  }

  bool HasFirst(Scalar::Kind result_kind) const {
    return result_kind == Scalar::kList && has_first_;
  }

 protected:
  virtual void InFirst(Path path, const Scalar& value) = 0;
  virtual void EndInFirst(Path) {}

 private:
  bool has_first_ = false;
};

class CountReader final : public FirstResultReader {
 public:
  std::optional<std::uint64_t> count;
  // A figure given as the count that no count can be, as the reply writes it.
  std::string beyond;

 private:
  void InFirst(Path path, const Scalar& value) override {
    if (path.size() != 2 || !IsKey(path[1], "se_results_count")) return;
    count = Figure(value);
    if (!count && value.kind == Scalar::kFloat && value.real > 0) beyond = value.text;
  }
};

class OrganicReader final : public FirstResultReader {
 public:
  using Entry = std::pair<std::int64_t, std::string>;  // place, address

  static bool Before(const Entry& a, const Entry& b) { return a.first < b.first; }

  Scalar::Kind items = Scalar::kNull;
  std::vector<Entry> entries;

 private:
  void InFirst(Path path, const Scalar& value) override {
    if (path.size() == 2 && IsKey(path[1], "items")) {
      items = value.kind;
    } else if (path.size() == 3 && InItems(path)) {
      item_ = Item{};
      in_item_ = value.kind == Scalar::kObject;
    } else if (path.size() == 4 && InItems(path) && in_item_) {
      const std::string text = value.kind == Scalar::kText ? std::string(value.text) : "";
      if (IsKey(path[3], "type")) item_.organic = text == "organic";
      if (IsKey(path[3], "rank_group")) item_.group = Count(value);
      if (IsKey(path[3], "url")) item_.url = text;
      if (IsKey(path[3], "domain")) item_.domain = text;
    }
  }
  void EndInFirst(Path path) override {
    if (path.size() != 3 || !InItems(path) || !in_item_) return;
    in_item_ = false;
    if (!item_.organic) return;
    const std::int64_t place =
        item_.group >= 0 ? item_.group : std::numeric_limits<std::int64_t>::max();
    entries.emplace_back(place, item_.url.empty() ? std::move(item_.domain) : std::move(item_.url));
    KeepFirst(entries, kMaxOrganicResults, Before, false);
  }

  static bool InItems(Path path) { return IsKey(path[1], "items") && path[2].in_list; }

  struct Item {
    bool organic = false;
    std::int64_t group = -1;
    std::string url;
    std::string domain;
  };
  Item item_;
  bool in_item_ = false;
};

class AccountReader final : public FirstResultReader {
 public:
  explicit AccountReader(Account& account) : account_(account) {}

 private:
  void InFirst(Path path, const Scalar& value) override {
    const bool figure = value.kind == Scalar::kInteger || value.kind == Scalar::kFloat;
    if (path.size() == 2 && IsKey(path[1], "login") && value.kind == Scalar::kText) {
      account_.login = value.text;
    } else if (path.size() == 3 && IsKey(path[1], "money") && IsKey(path[2], "balance")) {
      if (const std::optional<double> balance = Money(value)) account_.balance = balance;
    } else if (path.size() >= 5 && IsKey(path[1], "rates") && IsKey(path[2], "limits") && figure &&
               Count(value) >= 0 && account_.limits.size() < kMaxRateLimits) {
      // rates.limits.<period>.<function>, the function nested by its family in places.
      std::string function;
      for (const Step& step : path.subspan(4)) {
        if (step.in_list) return;
        function += (function.empty() ? "" : ".") + step.key;
      }
      if (!path[3].in_list) account_.limits.push_back({path[3].key, function, Count(value)});
    }
  }

  Account& account_;
};

// A reply whose envelope was good but whose result cannot be read: it still cost what it says.
ReplyVerdict Unreadable(const ReplyVerdict& envelope, std::string why) {
  return {ReplyVerdict::kBad, std::move(why), envelope.cost};
}

// A refused reply lists nothing: what was read before the refusal is not a list to use.
template <typename T>
ReplyVerdict EmptyUnlessGood(ReplyVerdict verdict, std::vector<T>& list) {
  if (verdict.kind != ReplyVerdict::kGood) list.clear();
  return verdict;
}

ReplyVerdict ReadIdeasInto(long http_status, std::string_view body,
                           std::vector<KeywordIdea>& ideas) {
  IdeasReader reader(ideas);
  Scalar::Kind result = Scalar::kNull;
  ReplyVerdict verdict = Scan(http_status, body, reader, result);
  if (verdict.kind != ReplyVerdict::kGood) return verdict;
  // A null result is an empty list.
  if (result != Scalar::kNull && result != Scalar::kList)
    return Unreadable(verdict, "result is not a list");
  if (reader.LacksKeyword()) return Unreadable(verdict, "keyword idea without its keyword");
  KeepFirst(ideas, pages::kMaxSuggestionRows, IdeaBefore, true);
  return verdict;
}

ReplyVerdict ReadOrganicInto(long http_status, std::string_view body,
                             std::vector<std::string>& urls) {
  OrganicReader reader;
  Scalar::Kind result = Scalar::kNull;
  ReplyVerdict verdict = Scan(http_status, body, reader, result);
  if (verdict.kind != ReplyVerdict::kGood) return verdict;
  if (!reader.HasFirst(result)) return Unreadable(verdict, "reply without a result");
  if (reader.items != Scalar::kNull && reader.items != Scalar::kList)
    return Unreadable(verdict, "items is not a list");
  KeepFirst(reader.entries, kMaxOrganicResults, OrganicReader::Before, true);
  for (auto& [place, address] : reader.entries) urls.push_back(std::move(address));
  return verdict;
}

}  // namespace

bool ComesBefore(const pages::Suggestion& a, const pages::Suggestion& b) {
  return a.demand > b.demand;
}

ReplyVerdict ReadKeywordIdeas(long http_status, std::string_view body,
                              std::vector<KeywordIdea>& ideas) {
  ideas.clear();
  return EmptyUnlessGood(ReadIdeasInto(http_status, body, ideas), ideas);
}

ReplyVerdict ReadKeywordIdeas(long http_status, std::string_view body,
                              std::vector<pages::Suggestion>& ideas) {
  std::vector<KeywordIdea> read;
  const ReplyVerdict verdict = ReadKeywordIdeas(http_status, body, read);
  ideas.clear();
  ideas.reserve(read.size());
  for (KeywordIdea& idea : read) ideas.push_back(std::move(idea.suggestion));
  return verdict;
}

ReplyVerdict ReadResultCount(long http_status, std::string_view body, std::uint64_t& count) {
  CountReader reader;
  Scalar::Kind result = Scalar::kNull;
  ReplyVerdict verdict = Scan(http_status, body, reader, result);
  if (verdict.kind != ReplyVerdict::kGood) return verdict;
  if (!reader.HasFirst(result) || !reader.count) {
    if (!reader.beyond.empty())
      return Unreadable(verdict, "se_results_count " + reader.beyond + " is beyond any count");
    return Unreadable(verdict, "reply without se_results_count");
  }
  count = *reader.count;
  return verdict;
}

ReplyVerdict ReadOrganicResults(long http_status, std::string_view body,
                                std::vector<std::string>& urls) {
  urls.clear();
  return EmptyUnlessGood(ReadOrganicInto(http_status, body, urls), urls);
}

ReplyVerdict ReadAccount(long http_status, std::string_view body, Account& account) {
  account = {};
  AccountReader reader(account);
  Scalar::Kind result = Scalar::kNull;
  ReplyVerdict verdict = Scan(http_status, body, reader, result);
  if (verdict.kind != ReplyVerdict::kGood) return verdict;
  if (!reader.HasFirst(result) || account.login.empty())
    return Unreadable(verdict, "reply without the account's login");
  return verdict;
}

ReplyVerdict ReadTaskStatus(long http_status, std::string_view body) {
  // Nothing below the result is kept: the statuses are all this wants.
  class Skip final : public ResultReader {
    void Value(Path, const Scalar&) override {}
    void End(Path) override {}
  } skip;
  Scalar::Kind result = Scalar::kNull;
  return Scan(http_status, body, skip, result);
}

bool TaskNotReady(const ReplyVerdict& verdict) {
  return verdict.code == kTaskHanded || verdict.code == kTaskInQueue;
}

namespace {

// The envelope of a queue reply, read whole (a post of 100 tasks, a list of ids: a few tens of
// KB): its verdict with the top cost, and the tasks list; nullptr unless good.
const json* QueueTasks(long http_status, const json& reply, ReplyVerdict& verdict) {
  verdict = {ReplyVerdict::kBad, "HTTP " + std::to_string(http_status)};
  if (!reply.is_object()) {
    if (http_status == 200) verdict.reason = "malformed JSON reply";
    return nullptr;
  }
  const auto text = [](const json& object, const char* key) {
    const auto found = object.find(key);
    return found != object.end() && found->is_string() ? found->get<std::string>() : std::string();
  };
  const auto code = [](const json& object) -> std::optional<std::int64_t> {
    const auto found = object.find("status_code");
    if (found == object.end() || !found->is_number_integer()) return std::nullopt;
    return found->get<std::int64_t>();
  };
  double cost = 0;
  if (const auto found = reply.find("cost"); found != reply.end() && found->is_number())
    cost = std::clamp(found->get<double>(), 0.0, kMaxMoney);
  if (auto refused = StatusVerdict(code(reply), text(reply, "status_message"), "its")) {
    verdict = *refused;
    verdict.cost = cost;
    return nullptr;
  }
  verdict.cost = cost;
  if (http_status != 200) return nullptr;
  const auto tasks = reply.find("tasks");
  if (tasks == reply.end() || !tasks->is_array()) {
    verdict.reason = "reply without tasks";
    return nullptr;
  }
  verdict.kind = ReplyVerdict::kGood;
  verdict.reason.clear();
  return &*tasks;
}

json ParseWhole(std::string_view body) {
  return json::parse(body, nullptr, false);
}

}  // namespace

ReplyVerdict ReadPostedTasks(long http_status, std::string_view body, std::size_t sent,
                             std::vector<PostedTask>& posted) {
  posted.assign(sent, PostedTask{{}, "the provider's queue did not take the task", 0});
  ReplyVerdict verdict;
  const json reply = ParseWhole(body);
  const json* tasks = QueueTasks(http_status, reply, verdict);
  if (tasks == nullptr) return verdict;
  for (std::size_t i = 0; i < tasks->size(); ++i) {
    const json& task = (*tasks)[i];
    if (!task.is_object()) continue;
    // The tag sent with each task names its place; without it the reply's order does.
    std::size_t place = i;
    if (const auto data = task.find("data"); data != task.end() && data->is_object()) {
      if (const auto tag = data->find("tag"); tag != data->end() && tag->is_string()) {
        const std::string text = tag->get<std::string>();
        if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != text.npos)
          continue;
        place = std::stoul(text);
      }
    }
    if (place >= sent) continue;
    const auto code = task.find("status_code");
    const auto id = task.find("id");
    const bool created = code != task.end() && code->is_number_integer() &&
                         code->get<std::int64_t>() == kTaskCreated;
    if (created && id != task.end() && id->is_string() && !id->get<std::string>().empty() &&
        id->get<std::string>().size() <= 64) {
      const auto cost = task.find("cost");
      posted[place] = {id->get<std::string>(),
                       {},
                       cost != task.end() && cost->is_number()
                           ? std::clamp(cost->get<double>(), 0.0, kMaxMoney)
                           : 0.0};
      continue;
    }
    const auto message = task.find("status_message");
    posted[place].refusal =
        (message != task.end() && message->is_string() ? message->get<std::string>()
                                                       : std::string("status")) +
        " (" + (code != task.end() && code->is_number_integer() ? code->dump() : "?") + ")";
  }
  return verdict;
}

ReplyVerdict ReadReadyTasks(long http_status, std::string_view body,
                            std::vector<std::string>& ids) {
  ids.clear();
  ReplyVerdict verdict;
  const json reply = ParseWhole(body);
  const json* tasks = QueueTasks(http_status, reply, verdict);
  if (tasks == nullptr) return verdict;
  for (const json& task : *tasks) {
    if (!task.is_object()) continue;
    const json result = task.value("result", json());
    if (!result.is_array()) continue;
    for (const json& ready : result) {
      if (ready.is_object() && ready.value("id", json()).is_string())
        ids.push_back(ready["id"].get<std::string>());
    }
  }
  return verdict;
}

}  // namespace quillmark::sources

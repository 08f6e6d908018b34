#include "research/shown_cell.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "research/whole_number.h"

namespace quillmark {
namespace {

// What an index shows in place of a number nobody measured.
constexpr char kUnmeasuredText[] = "?";

// How bad a kind is: a cell with several causes takes the worst and says only its causes.
int Severity(CellKind kind) {
  switch (kind) {
    case CellKind::kMeasured:
      return 0;
    case CellKind::kNoCount:
      return 1;
    case CellKind::kBeyondRange:
      return 2;
    case CellKind::kNotReal:
      return 3;
    case CellKind::kUnmeasured:
      return 4;
  }
  return 0;
}

// The kind of a cell and why, gathered cause by cause.
class Verdict {
 public:
  explicit Verdict(bool with_note) : with_note_(with_note) {}

  void Add(CellKind kind, const std::string& line) {
    if (Severity(kind) < Severity(kind_)) return;
    if (Severity(kind) > Severity(kind_)) {
      kind_ = kind;
      note_.clear();
    }
    if (with_note_ && !line.empty()) note_ += note_.empty() ? line : "\n" + line;
  }
  CellKind Kind() const { return kind_; }
  const std::string& Note() const { return note_; }

 private:
  bool with_note_;
  CellKind kind_ = CellKind::kMeasured;
  std::string note_;
};

const std::string* CellText(const KeywordRow& row, KeywordColumn column) {
  return column == kColumnKeyword ? &row.Caption() : row.SubItem(column - 1);
}

// A text the row lacks reads as empty.
const std::string& TextOf(const KeywordRow& row, KeywordColumn column) {
  static const std::string kNone;
  const std::string* text = CellText(row, column);
  return text != nullptr ? *text : kNone;
}

std::string TooLarge(const std::string& count, const char* unit) {
  return count + " " + unit + " counted; the indices calculate with counts up to " +
         std::to_string(std::numeric_limits<std::int32_t>::max()) + " only";
}

// A figure a row's indices rest on, as the cells of its own column show it.
struct Figure {
  CellKind kind = CellKind::kMeasured;
  std::string note;
  std::int32_t value = 0;  // when measured within range
};

Figure DemandFigure(const KeywordRow& row, bool with_note) {
  const std::string& text = TextOf(row, kColumnDemand);
  if (const auto value = ReadWholeNumber(text)) return {CellKind::kMeasured, {}, *value};
  if (WholeNumberBeyondRange(text))
    return {CellKind::kBeyondRange, with_note ? TooLarge(text, "searches") : ""};
  // Whatever the status says (a row read from a file has none): a text that is no count is a
  // demand nobody measured.
  LookupStatus unknown;
  unknown.demand = DemandLookup::kUnknown;
  return {CellKind::kUnmeasured, with_note ? DescribeDemandLookup(unknown) : ""};
}

Figure SupplyFigure(const KeywordRow& row, bool with_note) {
  const LookupStatus& status = row.Lookups();
  if (LookupFailed(status, kColumnSupply))
    return {CellKind::kUnmeasured, with_note ? DescribeSupplyLookup(status) : ""};
  const std::string& text = TextOf(row, kColumnSupply);
  if (const auto value = ReadWholeNumber(text)) return {CellKind::kMeasured, {}, *value};
  if (WholeNumberBeyondRange(text))
    return {CellKind::kBeyondRange, with_note ? TooLarge(text, "pages") : ""};
  if (!with_note) return {CellKind::kNoCount, {}};
  if (text == "?") return {CellKind::kNoCount, "supply unknown: the result page shows no count"};
  if (text.empty()) return {CellKind::kNoCount, "supply not looked up: no phrase"};
  return {CellKind::kNoCount, "supply unknown: \"" + text + "\" is no count"};
}

Figure RankFigure(const KeywordRow& row, bool with_note) {
  const LookupStatus& status = row.Lookups();
  if (LookupFailed(status, kColumnRank))
    return {CellKind::kUnmeasured, with_note ? DescribeRankLookup(status) : ""};
  const std::string& text = TextOf(row, kColumnRank);
  if (text == "-") return {};
  if (const auto value = ReadWholeNumber(text)) return {CellKind::kMeasured, {}, *value};
  return {CellKind::kNoCount, with_note ? "rank unknown" : ""};
}

// An index resting on `figure`: a figure nobody measured makes it unmeasured, one too large for
// the calculation makes it no real value.
void AddBasis(Verdict& verdict, const Figure& figure, const char* index) {
  switch (figure.kind) {
    case CellKind::kMeasured:
      break;
    case CellKind::kNoCount:
    case CellKind::kUnmeasured:
      verdict.Add(CellKind::kUnmeasured, figure.note);
      break;
    case CellKind::kBeyondRange:
    case CellKind::kNotReal:
      verdict.Add(
          CellKind::kNotReal,
          figure.note.empty() ? "" : std::string("not a real ") + index + ": " + figure.note);
      break;
  }
}

Verdict CostVerdict(const KeywordRow& row, bool with_note) {
  Verdict verdict(with_note);
  const Figure demand = DemandFigure(row, with_note);
  AddBasis(verdict, SupplyFigure(row, with_note), "cost");
  AddBasis(verdict, demand, "cost");
  if (demand.kind == CellKind::kMeasured && demand.value == 0)
    verdict.Add(CellKind::kNotReal, "not a real cost: no searches last month (a demand of 0)");
  return verdict;
}

// Profitability rests on the rank, and on the supply when the rank is a number: the supply then
// scales it. `index` names the index in hand in the notes.
Verdict ProfitabilityVerdict(const KeywordRow& row, bool with_note, const char* index) {
  Verdict verdict(with_note);
  const LookupStatus& status = row.Lookups();
  const Figure rank = RankFigure(row, with_note);
  const Figure supply = SupplyFigure(row, with_note);
  if (rank.kind != CellKind::kMeasured) {
    AddBasis(verdict, rank, index);
    // A supply that failed as well is part of the story.
    if (LookupFailed(status, kColumnSupply)) verdict.Add(CellKind::kUnmeasured, supply.note);
  } else if (rank.value != 0 && supply.kind != CellKind::kMeasured) {
    // Why the supply matters: the rank was found.
    if (supply.kind != CellKind::kBeyondRange && with_note)
      verdict.Add(CellKind::kUnmeasured, DescribeRankLookup(status));
    AddBasis(verdict, supply, index);
  }
  return verdict;
}

Verdict EstimateVerdict(const KeywordRow& row, bool with_note) {
  Verdict verdict = ProfitabilityVerdict(row, with_note, "estimate");
  AddBasis(verdict, DemandFigure(row, with_note), "estimate");
  return verdict;
}

Verdict OwnVerdict(const Figure& figure, bool with_note) {
  Verdict verdict(with_note);
  verdict.Add(figure.kind, figure.note);
  return verdict;
}

Verdict CellVerdict(const KeywordRow& row, KeywordColumn column, bool with_note) {
  switch (column) {
    case kColumnDemand:
      return OwnVerdict(DemandFigure(row, with_note), with_note);
    case kColumnSupply:
      return OwnVerdict(SupplyFigure(row, with_note), with_note);
    case kColumnRank:
      return OwnVerdict(RankFigure(row, with_note), with_note);
    case kColumnCost:
      return CostVerdict(row, with_note);
    case kColumnProfitability:
      return ProfitabilityVerdict(row, with_note, "profitability");
    case kColumnEstimate:
      return EstimateVerdict(row, with_note);
    default:
      return Verdict(with_note);
  }
}

bool IsIndex(KeywordColumn column) {
  return column == kColumnCost || column == kColumnProfitability || column == kColumnEstimate;
}

}  // namespace

ShownCell ShowCell(const KeywordRow& row, KeywordColumn column, bool with_note) {
  ShownCell cell;
  const std::string* text = CellText(row, column);
  if (text == nullptr) return cell;
  Verdict verdict = CellVerdict(row, column, with_note);
  cell.kind = verdict.Kind();
  cell.text = IsIndex(column) && cell.kind == CellKind::kUnmeasured ? kUnmeasuredText : *text;
  // The page's own "?" is what it says; only a marked cell carries a note.
  if (cell.Tinted()) cell.note = verdict.Note();
  return cell;
}

CellKind KindOfCell(const KeywordRow& row, KeywordColumn column) {
  if (CellText(row, column) == nullptr) return CellKind::kMeasured;
  return CellVerdict(row, column, false).Kind();
}

}  // namespace quillmark

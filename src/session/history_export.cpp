#include "session/history_export.h"

#include <cstdio>

#include "research/keyword_list.h"
#include "session/run_history.h"
#include "store/table_export.h"

namespace quillmark::session {
namespace {

// The kept columns of a row: the keyword and the six texts after it.
constexpr std::size_t kKeptColumns = history::kRowTexts + 1;

}  // namespace

std::string HistoryCsv(history::HistoryStore& store, const std::vector<std::string>& phrases) {
  TextRow titles = {"Entry", "Date", "Source", "Location", "Language", "Seed", "Target"};
  for (std::size_t c = 0; c < kKeptColumns; ++c) titles.emplace_back(kColumnTitles[c]);
  std::string csv = CsvLine(titles);

  // Each row goes through a list of one, so its cells show by the list's own rules.
  KeywordList scratch;
  store.ForEachRow(phrases, [&](const history::RunSummary& run, const history::RunRow& kept) {
    scratch.Clear();
    KeywordRow& row = *scratch.Append();
    scratch.SetCaption(row, kept.keyword);
    for (const std::string& text : kept.texts) scratch.AppendSubItem(row, text);
    scratch.SetLookups(row, kept.lookups);
    TextRow line = {"run",
                    HistoryDateText(run.started),
                    run.source,
                    std::to_string(run.market.location),
                    run.market.language,
                    run.seed,
                    run.target};
    for (const ShownCell& cell : RowCells(row, kKeptColumns))
      line.push_back(cell.Measured() ? cell.text : std::string());
    csv += CsvLine(line);
  });
  store.ForEachMonth(phrases, [&](const std::string& phrase, const history::Market& market,
                                  const history::StoredMonth& month) {
    char when[16];
    std::snprintf(when, sizeof when, "%04d-%02d", month.demand.year, month.demand.month);
    TextRow line = {"month",
                    when,
                    month.generated ? "generated" : "provider",
                    std::to_string(market.location),
                    market.language,
                    "",
                    "",
                    phrase,
                    std::to_string(month.demand.volume)};
    line.resize(titles.size());
    csv += CsvLine(line);
  });
  return csv;
}

}  // namespace quillmark::session

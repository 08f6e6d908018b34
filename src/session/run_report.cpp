#include "session/run_report.h"

#include "session/count_text.h"
#include "session/provider_calls.h"

namespace quillmark::session {

std::vector<std::string> NoteTexts(const RunReport& report) {
  std::vector<std::string> texts;
  const sources::RunNotes& notes = report.notes;
  // The provider as people know it: "DataForSEO", not its name on the command line.
  const std::string name = ProviderTitle(report.provider);
  if (notes.budget_spent) {
    texts.push_back(notes.refusal + ": no further calls were made in this run");
  } else if (!notes.refusal.empty()) {
    texts.push_back(name + " refused the account: " + notes.refusal +
                    "; no further calls were made in this run");
  }
  if (notes.call_limit_reached > 0) {
    texts.push_back("the run reached its limit of " +
                    CountText(static_cast<std::size_t>(notes.call_limit_reached), "provider call",
                              "provider calls") +
                    " (retries included); no further calls were made");
  }
  for (const std::string& seed : notes.seeds_without_ideas)
    texts.push_back(name + " knows no phrases for \"" + seed + "\"");
  for (const std::string& phrase : notes.phrases_refused) {
    texts.push_back(name + " gives no search volume for \"" + phrase +
                    "\": a list holding it gets no figures at all");
  }
  if (notes.phrases_unmeasured > 0) {
    texts.push_back(
        name + " gives no search volume for " +
        CountText(static_cast<std::size_t>(notes.phrases_unmeasured), "phrase", "phrases") +
        ": a phrase it refuses stands among them, and no more calls were made to find it");
  }
  if (notes.phrases_left_out > 0) {
    const bool one = notes.phrases_left_out == 1;
    texts.push_back(
        CountText(static_cast<std::size_t>(notes.phrases_left_out), "phrase", "phrases") +
        " left out: " + (one ? "it holds" : "they hold") + " characters the list cannot show");
  }
  if (report.calls.tasks_not_collected > 0)
    texts.push_back(UncollectedTasksText(report.calls.tasks_not_collected));
  return texts;
}

std::string StoppedText(const RunReport& report) {
  if (!report.stopped || report.rows_wanted <= 0) return {};
  return "stopped after " + std::to_string(report.rows_done) + " of " +
         CountText(static_cast<std::size_t>(report.rows_wanted), "row", "rows");
}

std::optional<std::string> AfterRunMessage(const RunReport& report) {
  std::string message;
  if (report.first_page.status == FetchStatus::kFailed) {
    message = (report.mode != ResearchMode::kSeed ? "Could not fetch the top searches page: "
               : report.phrase_list               ? "Could not fetch the demand of your phrases: "
                                                  : "Could not fetch the suggestion page: ") +
              report.first_page.reason;
  }
  for (const std::string& note : NoteTexts(report))
    message += (message.empty() ? "" : "\n\n") + note;
  if (message.empty()) return std::nullopt;
  return message;
}

}  // namespace quillmark::session

#include "store/investigation_file.h"

#include <utility>
#include <vector>

#include "store/store_error.h"

namespace quillmark {
namespace {

constexpr const char* kCaptionKey = "keyterm";
// The keys of sub-items 0 to 5, in the order they are written.
constexpr const char* kSubItemKeys[] = {"demand", "competition",   "cost",
                                        "rank",   "profitability", "estimation"};
constexpr const char* kCheckKey = "check";

std::string SectionName(std::size_t index) {
  return "item" + std::to_string(index);
}

}  // namespace

ProfileFile InvestigationProfile(const KeywordList& list, const std::string& path) {
  // Built from nothing, so the file ends up holding exactly these rows: sections left from an
  // earlier, longer save would otherwise come back as rows when it is next opened.
  ProfileFile profile(path);
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const KeywordRow& row = *list.Row(i);
    const std::string section = SectionName(i);
    profile.WriteString(section, kCaptionKey, row.Caption());
    // A row still being filled by a paused run lacks its last sub-items: they are stored empty.
    for (std::size_t k = 0; k < std::size(kSubItemKeys); ++k) {
      const std::string* text = row.SubItem(k);
      profile.WriteString(section, kSubItemKeys[k], text ? *text : std::string());
    }
    profile.WriteString(section, kCheckKey, row.Checked() ? "1" : "0");
  }
  return profile;
}

bool SaveInvestigationFile(const KeywordList& list, const std::string& path) {
  if (list.Empty()) return false;
  InvestigationProfile(list, path).Flush();
  return true;
}

void AppendInvestigationRows(KeywordList& list, const ProfileFile& profile) {
  // Every section counts, however many: a file saved with many rows must reopen with all of
  // them. Only the number matters; rows are read from "item0" up whatever the names are.
  const std::size_t count = profile.SectionCount();
  if (count > kMaxInvestigationRows)
    throw StoreError::FromReason("open", profile.Path(), "more rows than can be opened");

  // The rows are filled in a scratch list and leave it when it is cleared, keeping their texts;
  // the real list then takes them all at once.
  KeywordList scratch;
  for (std::size_t i = 0; i < count; ++i) {
    const std::string section = SectionName(i);
    KeywordRow& row = *scratch.Append();
    scratch.SetCaption(row, profile.ReadString(section, kCaptionKey, ""));
    for (const char* key : kSubItemKeys)
      scratch.AppendSubItem(row, profile.ReadString(section, key, ""));
    scratch.SetChecked(row, profile.ReadInteger(section, kCheckKey, 1) != 0);
  }
  std::vector<KeywordRowPtr> rows = scratch.Rows();
  scratch.Clear();
  list.AppendRows(std::move(rows));
}

void OpenInvestigationFile(KeywordList& list, const std::string& path) {
  AppendInvestigationRows(list, ProfileFile::Load(path));
}

}  // namespace quillmark

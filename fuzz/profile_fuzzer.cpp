// Arbitrary bytes as a profile file: parsing, every read, and reopening as an investigation file
// must never crash, and writing what was read must give a file that reads back the same.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "research/keyword_list.h"
#include "store/investigation_file.h"
#include "store/profile_file.h"
#include "store/store_error.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

std::string Flattened(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quillmark;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const ProfileFile profile = ProfileFile::Parse(text);

  // Serialising is stable: what is written once reads and writes back byte for byte.
  const std::string written = profile.Text();
  Check(ProfileFile::Parse(written).Text() == written);
  Check(profile.SectionNames(64).size() <= profile.SectionCount());
  for (const std::string& name : profile.SectionNames()) {
    profile.ReadInteger(name, "check", 1);
    Check(profile.ReadString(name, "keyterm", "").size() <= kMaxProfileValue);
  }

  KeywordList list;
  try {
    AppendInvestigationRows(list, profile);
  } catch (const StoreError&) {
    return 0;
  }
  Check(list.Count() == profile.SectionCount());

  // Saving the rows and opening them again gives the same rows, line breaks aside.
  KeywordList again;
  AppendInvestigationRows(again, ProfileFile::Parse(InvestigationProfile(list, "").Text()));
  Check(again.Count() == list.Count());
  for (std::size_t i = 0; i < list.Count(); ++i) {
    const KeywordRow& a = *list.Row(i);
    const KeywordRow& b = *again.Row(i);
    Check(Flattened(a.Caption()) == b.Caption());
    Check(a.Checked() == b.Checked());
    for (std::size_t k = 0; k < 6; ++k) Check(Flattened(*a.SubItem(k)) == *b.SubItem(k));
  }
  return 0;
}

#pragma once
// Our private-profile (INI) layer: a file is parsed once when loaded, queried from memory, and
// written back whole, atomically, when flushed. Section and key names ignore letter case.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillmark {

// A value is read through a 2,048-character buffer that keeps its terminating NUL.
inline constexpr std::size_t kMaxProfileValue = 2047;
// The buffer through which the section names of a whole file are listed.
inline constexpr std::size_t kSectionNamesBuffer = 16384;
// Larger files are refused rather than read into memory. 16 MiB holds about 100,000
// investigation rows.
inline constexpr std::size_t kMaxProfileFileBytes = 16u * 1024 * 1024;
// A file of more sections is refused too: each costs far more parsed than the few bytes of its
// header line, so a file of nothing but headers would otherwise take gigabytes.
inline constexpr std::size_t kMaxProfileSections = 200000;

class ProfileFile {
 public:
  // An empty profile that Flush() writes to `path`, replacing whatever is there.
  explicit ProfileFile(std::string path = {});

  // Reads and parses the file in one pass. A missing file gives an empty profile; a file that
  // exists but cannot be read, or is larger than kMaxProfileFileBytes, raises StoreError.
  static ProfileFile Load(std::string path);
  // Parses profile text held in memory; `path` is where Flush() would write it.
  static ProfileFile Parse(std::string_view text, std::string path = {});

  const std::string& Path() const { return path_; }

  // The value with the blanks around it and one pair of enclosing quotes dropped, cut to
  // kMaxProfileValue characters; `fallback` when the section or key is absent or has no "=".
  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view fallback) const;
  // The value as a 32-bit integer: decimal, or hexadecimal after "$", "0x" or "0X", with an
  // optional sign; `fallback` when absent or when the whole text is not such a number.
  std::int32_t ReadInteger(std::string_view section, std::string_view key,
                           std::int32_t fallback) const;

  // The section names in file order, as far as they fit a buffer of `buffer_size` characters
  // holding each name with its NUL and one final NUL. A name that would not fit whole is
  // dropped with every name after it. Nameless sections are not listed.
  std::vector<std::string> SectionNames(std::size_t buffer_size = kSectionNamesBuffer) const;
  // Every named section of the file, with no buffer limit.
  std::size_t SectionCount() const;

  // Sets the value, adding the section (at the end) or key (at the end of its section) when
  // absent. CR and LF become blanks, and a value that reading would alter at its ends is
  // quoted, so that ReadString gives back what was written (up to kMaxProfileValue).
  void WriteString(std::string_view section, std::string_view key, std::string_view value);

  // The whole profile as file text, CR LF line ends.
  std::string Text() const;
  // Replaces the file with Text(): a temporary file beside it, synced, then renamed over it.
  // Raises StoreError and leaves the old file untouched on failure.
  void Flush() const;

 private:
  // A section keeps its lines as the file text they came from, each ended by CR LF: a parsed
  // file takes about its own size, however short its lines (a file of nothing but "=" lines
  // would otherwise cost some forty times its size in per-line records). Reads scan the
  // section's lines; sections are small.
  struct Section {
    std::string name;
    bool named = false;  // false only for the lines before the first section header
    std::string text;
  };

  const Section* FindSection(std::string_view name) const;
  Section& SectionForWrite(std::string_view name);
  void IndexSection(std::size_t index);

  std::string path_;
  std::vector<Section> sections_;
  // Lower-cased name -> index of the first section of that name.
  std::unordered_map<std::string, std::size_t> index_;
};

}  // namespace quillmark

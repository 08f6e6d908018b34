#include "store/profile_file.h"

#include <limits>
#include <optional>
#include <utility>

#include "base/ascii.h"
#include "store/atomic_file.h"
#include "store/store_error.h"

namespace quillmark {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool IsQuote(char c) {
  return c == '"' || c == '\'';
}

bool EnclosedInQuotes(std::string_view s) {
  return s.size() >= 2 && IsQuote(s.front()) && s.back() == s.front();
}

// A line-based file cannot hold a line break inside a name or value.
std::string OneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

// The whole text must be the number: trailing junk makes it not a number at all. Hexadecimal
// takes up to 32 bits and wraps into the signed range, as the platform's reading does.
bool ParseInteger(std::string_view s, std::int32_t& out) {
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  std::uint64_t value = 0;
  if (!s.empty() && s.front() == '$') {
    s.remove_prefix(1);
  } else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    s.remove_prefix(2);
  } else {
    if (s.empty()) return false;
    for (char c : s) {
      if (c < '0' || c > '9') return false;
      value = value * 10 + static_cast<std::uint64_t>(c - '0');
      if (value > 2147483648u) return false;
    }
    if (!negative && value > 2147483647u) return false;
    out = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(value))
                   : static_cast<std::int32_t>(value);
    return true;
  }
  if (s.empty()) return false;
  for (char c : s) {
    const int digit = ascii::HexValue(c);
    if (digit < 0) return false;
    value = value * 16 + static_cast<std::uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return false;
  }
  std::uint32_t bits = static_cast<std::uint32_t>(value);
  if (negative) bits = 0u - bits;
  out = static_cast<std::int32_t>(bits);
  return true;
}

constexpr std::string_view kLineEnd = "\r\n";

// A "key=value" line of a section's text: where it stands, its trimmed key and its raw value.
struct Pair {
  std::size_t line_start = 0;
  std::size_t line_size = 0;
  std::string_view key;
  std::string_view value;
};

// The first line of `text` holding `key` before an "=" (letter case ignored). Comment lines,
// which begin with ";", hold no key.
std::optional<Pair> FindPair(std::string_view text, std::string_view key) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(kLineEnd, pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    const std::size_t equals = line.find('=');
    if (equals != std::string_view::npos) {
      const std::string_view body = Trim(line);
      const std::string_view name = Trim(line.substr(0, equals));
      if (body.front() != ';' && ascii::EqualNoCase(name, key))
        return Pair{pos, line.size(), name, line.substr(equals + 1)};
    }
    pos = end + kLineEnd.size();
  }
  return std::nullopt;
}

// Names are stored and looked up in one form, so that a name written comes back when read.
std::string CleanName(std::string_view name) {
  return OneLine(Trim(name));
}

}  // namespace

ProfileFile::ProfileFile(std::string path) : path_(std::move(path)) {}

ProfileFile ProfileFile::Load(std::string path) {
  auto text = ReadWholeFile(path, kMaxProfileFileBytes);
  if (!text) return ProfileFile(std::move(path));
  return Parse(*text, std::move(path));
}

ProfileFile ProfileFile::Parse(std::string_view text, std::string path) {
  ProfileFile profile(std::move(path));
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const std::string_view body = Trim(line);
    if (!body.empty() && body.front() == '[') {
      // The name runs to the last "]", so a name may itself hold a "]".
      const std::size_t close = body.rfind(']');
      if (close != 0 && close != std::string_view::npos) {
        if (profile.sections_.size() >= kMaxProfileSections)
          throw StoreError::FromReason("read", profile.path_, "too many sections");
        Section section;
        section.name = std::string(Trim(body.substr(1, close - 1)));
        section.named = true;
        profile.sections_.push_back(std::move(section));
        profile.IndexSection(profile.sections_.size() - 1);
        continue;
      }
    }
    if (profile.sections_.empty()) profile.sections_.emplace_back();
    profile.sections_.back().text.append(line).append(kLineEnd);
  }
  return profile;
}

void ProfileFile::IndexSection(std::size_t index) {
  // emplace keeps the first section of a name: reads and writes go to it, as on the platform.
  index_.emplace(ascii::ToLower(sections_[index].name), index);
}

const ProfileFile::Section* ProfileFile::FindSection(std::string_view name) const {
  const auto it = index_.find(ascii::ToLower(CleanName(name)));
  return it == index_.end() ? nullptr : &sections_[it->second];
}

std::string ProfileFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view fallback) const {
  if (const Section* s = FindSection(section)) {
    if (const auto pair = FindPair(s->text, CleanName(key))) {
      std::string_view value = Trim(pair->value);
      if (EnclosedInQuotes(value)) value = value.substr(1, value.size() - 2);
      return std::string(value.substr(0, kMaxProfileValue));
    }
  }
  return std::string(fallback.substr(0, kMaxProfileValue));
}

std::int32_t ProfileFile::ReadInteger(std::string_view section, std::string_view key,
                                      std::int32_t fallback) const {
  std::int32_t value = 0;
  return ParseInteger(ReadString(section, key, ""), value) ? value : fallback;
}

std::vector<std::string> ProfileFile::SectionNames(std::size_t buffer_size) const {
  std::vector<std::string> names;
  // The buffer ends with one more NUL after the last name's own, so the names with their NULs
  // may fill at most buffer_size - 1 characters.
  std::size_t room = buffer_size == 0 ? 0 : buffer_size - 1;
  for (const Section& s : sections_) {
    if (!s.named || s.name.empty()) continue;
    if (s.name.size() + 1 > room) break;
    room -= s.name.size() + 1;
    names.push_back(s.name);
  }
  return names;
}

std::size_t ProfileFile::SectionCount() const {
  std::size_t count = 0;
  for (const Section& s : sections_) count += s.named && !s.name.empty();
  return count;
}

ProfileFile::Section& ProfileFile::SectionForWrite(std::string_view name) {
  std::string clean = CleanName(name);
  const auto it = index_.find(ascii::ToLower(clean));
  if (it != index_.end()) return sections_[it->second];
  Section section;
  section.name = std::move(clean);
  section.named = true;
  sections_.push_back(std::move(section));
  IndexSection(sections_.size() - 1);
  return sections_.back();
}

void ProfileFile::WriteString(std::string_view section, std::string_view key,
                              std::string_view value) {
  Section& s = SectionForWrite(section);
  const std::string clean_key = CleanName(key);
  std::string stored = OneLine(value);
  // Reading drops blanks at the ends and one pair of enclosing quotes; quoting such a value
  // makes reading give it back unchanged.
  if (!stored.empty() &&
      (IsBlank(stored.front()) || IsBlank(stored.back()) || EnclosedInQuotes(stored)))
    stored = '"' + stored + '"';
  if (const auto pair = FindPair(s.text, clean_key)) {
    // The line is written anew as its key, "=" and the value, as the platform writes it.
    const std::string line = std::string(pair->key) + "=" + stored;
    s.text.replace(pair->line_start, pair->line_size, line);
    return;
  }
  s.text.append(clean_key).append("=").append(stored).append(kLineEnd);
}

std::string ProfileFile::Text() const {
  std::size_t size = 0;
  for (const Section& s : sections_) size += s.name.size() + 4 + s.text.size();
  std::string text;
  text.reserve(size);
  for (const Section& s : sections_) {
    if (s.named) text.append("[").append(s.name).append("]").append(kLineEnd);
    text.append(s.text);
  }
  return text;
}

void ProfileFile::Flush() const {
  ReplaceFileAtomically(path_, Text());
}

}  // namespace quillmark

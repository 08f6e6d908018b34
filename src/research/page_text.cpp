#include "research/page_text.h"

#include <algorithm>

#include "base/ascii.h"

namespace quillmark {

std::size_t FindText(std::string_view pattern, std::string_view text) {
  return FindText(pattern, text, 1);
}

std::size_t FindText(std::string_view pattern, std::string_view text, std::size_t from) {
  if (pattern.empty() || text.empty()) return 0;
  const std::size_t offset = from > 0 ? from - 1 : 0;
  if (offset >= text.size()) return 0;
  const std::size_t at = text.find(pattern, offset);
  return at == std::string_view::npos ? 0 : at + 1;
}

std::string_view SubText(std::string_view text, std::int64_t start, std::int64_t count) {
  if (start < 1) start = 1;
  if (count < 0) return {};
  const auto length = static_cast<std::uint64_t>(text.size());
  const auto offset = static_cast<std::uint64_t>(start - 1);
  if (offset >= length) return {};
  const std::uint64_t taken = std::min(static_cast<std::uint64_t>(count), length - offset);
  return text.substr(static_cast<std::size_t>(offset), static_cast<std::size_t>(taken));
}

char LowerChar(char c) {
  return ascii::ToLower(c);
}

std::string LowerText(std::string_view text) {
  return ascii::ToLower(text);
}

void LowerInPlace(std::string& text) {
  ascii::LowerInPlace(text);
}

std::string_view TrimText(std::string_view text) {
  return ascii::Trim(text);
}

std::string ReverseText(std::string_view text) {
  return std::string(text.rbegin(), text.rend());
}

std::string ReplaceAllNoCase(std::string_view text, std::string_view pattern,
                             std::string_view replacement) {
  if (pattern.empty() || text.empty()) return std::string(text);
  const std::string lowered = LowerText(pattern);
  const std::size_t n = lowered.size();
  // The original restarts its search at the start after every replacement. The leftmost match
  // of the new text then always begins within the last n - 1 characters before the replacement
  // or later, so feeding the characters one by one and testing the tail after each gives the
  // same result in one pass. The replacement is fed through the same test, because it can
  // complete a match with what stands beside it. A replacement that contains the pattern
  // would never end that way, so it is only inserted.
  const bool rescan = FindText(lowered, LowerText(replacement)) == 0;
  std::string out;
  out.reserve(text.size());
  std::string pending;  // characters still to feed before the rest of the text, last first
  std::size_t next = 0;
  while (!pending.empty() || next < text.size()) {
    if (!pending.empty()) {
      out.push_back(pending.back());
      pending.pop_back();
    } else {
      out.push_back(text[next++]);
    }
    if (out.size() < n || LowerChar(out.back()) != lowered.back()) continue;
    const std::size_t at = out.size() - n;
    bool match = true;
    for (std::size_t i = 0; i + 1 < n && match; ++i) match = LowerChar(out[at + i]) == lowered[i];
    if (!match) continue;
    out.resize(at);
    if (rescan) {
      pending.append(replacement.rbegin(), replacement.rend());
    } else {
      out.append(replacement);
    }
  }
  return out;
}

std::string StripNumberPunctuation(std::string_view text) {
  std::string kept;
  kept.reserve(text.size());
  for (char c : text) {
    if (c != ',' && c != '.' && c != ' ') kept.push_back(c);
  }
  return kept;
}

std::string ExtractDemandText(std::string_view cell) {
  constexpr std::string_view kEntity = "&nbsp;";
  std::int64_t last = static_cast<std::int64_t>(FindText("</", cell));
  if (last > 0) --last;
  if (last == 0) last = static_cast<std::int64_t>(cell.size());
  // Without "&nbsp;" this is position 6: the page's cells begin "<td>" plus one character.
  const std::int64_t first = static_cast<std::int64_t>(FindText(kEntity, cell) + kEntity.size());
  return std::string(SubText(cell, first, last - first + 1));
}

std::string ExtractLinkText(std::string_view cell) {
  const std::size_t close = FindText("</a>", cell);
  if (close <= 1) return {};
  const std::string_view link = cell.substr(0, close - 1);
  const std::size_t tag_end = link.rfind('>');
  const std::size_t entity_end = link.rfind(';');
  // Both must be present: a link text follows either the tag or an entity such as "&nbsp;".
  if (tag_end == std::string_view::npos || entity_end == std::string_view::npos) return {};
  return std::string(link.substr(std::max(tag_end, entity_end) + 1));
}

}  // namespace quillmark

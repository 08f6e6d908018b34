#include "net/header_list.h"

#include "base/ascii.h"

namespace quillmark::net {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool IsContinuation(const std::string& line) {
  return !line.empty() && IsBlank(line.front());
}

std::string_view TrimLeadingBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

}  // namespace

std::size_t TNetHeaderList::IndexOfName(std::string_view name) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string_view line = lines_[i];
    const std::size_t colon = line.find(':');
    const std::string_view line_name = colon == std::string_view::npos ? "" : line.substr(0, colon);
    if (ascii::EqualNoCase(line_name, name)) return i;
  }
  return lines_.size();
}

std::string TNetHeaderList::ValueOf(std::string_view name) const {
  const std::size_t i = IndexOfName(name);
  if (i == lines_.size()) return {};
  const std::string_view line = lines_[i];
  const std::size_t colon = line.find(':');
  std::string value(TrimLeadingBlanks(colon == std::string_view::npos ? std::string_view{}
                                                                      : line.substr(colon + 1)));
  for (std::size_t j = i + 1; j < lines_.size() && IsContinuation(lines_[j]); ++j) {
    // An empty value takes its continuation without a separating blank.
    if (!value.empty() && !IsBlank(value.back())) value += ' ';
    value += TrimLeadingBlanks(lines_[j]);
  }
  return value;
}

void TNetHeaderList::RemoveName(std::string_view name) {
  const std::size_t i = IndexOfName(name);
  if (i == lines_.size()) return;
  std::size_t end = i + 1;
  while (end < lines_.size() && IsContinuation(lines_[end])) ++end;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i),
               lines_.begin() + static_cast<std::ptrdiff_t>(end));
}

}  // namespace quillmark::net

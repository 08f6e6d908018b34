#include "demo/demo_text.h"

#include "base/ascii.h"
#include "demo/demo_limits.h"

namespace quillmark::demo {

std::string NormalizePhrase(std::string_view raw) {
  std::string out;
  out.reserve(raw.size() < kMaxPhraseLength ? raw.size() : kMaxPhraseLength);
  bool pending_blank = false;
  for (char ch : raw) {
    auto c = static_cast<unsigned char>(ch);
    if (ascii::IsSpaceOrControl(ch) || c == '<' || c == '>' || c == ';' || c == '&' || c == '"') {
      pending_blank = !out.empty();
      continue;
    }
    if (pending_blank) {
      if (out.size() + 1 >= kMaxPhraseLength) break;
      out.push_back(' ');
      pending_blank = false;
    }
    if (out.size() >= kMaxPhraseLength) break;
    out.push_back(ascii::ToLower(ch));
  }
  return out;
}

std::string Slug(std::string_view phrase) {
  std::string out;
  for (char ch : phrase) {
    const char c = ascii::ToLower(ch);
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
      out.push_back(c);
    } else if (!out.empty() && out.back() != '-') {
      out.push_back('-');
    }
  }
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out.empty() ? std::string("page") : out;
}

std::string GroupThousands(std::uint64_t value) {
  std::string digits = std::to_string(value);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

std::string TitleCase(std::string_view phrase) {
  std::string out(phrase);
  bool word_start = true;
  for (char& c : out) {
    if (word_start) c = ascii::ToUpper(c);
    word_start = (c == ' ');
  }
  return out;
}

}  // namespace quillmark::demo

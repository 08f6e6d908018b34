#pragma once
// The unwanted-terms list the Investigate dialog is built with. Nobody edits it; the top
// searches listing drops phrases that contain one of these once their blanks are removed.

#include <string>
#include <vector>

namespace quillmark {

inline const std::vector<std::string>& DefaultUnwantedTerms() {
  static const std::vector<std::string> terms = {"google", "ebay",    "amazon", "youtube",
                                                 "yahoo",  "hotmail", "msn",    "myspace",
                                                 ".com",   ".net",    ".org",   ".co.uk"};
  return terms;
}

}  // namespace quillmark

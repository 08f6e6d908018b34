#include "session/count_text.h"

namespace quillmark::session {

std::string CountText(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace quillmark::session

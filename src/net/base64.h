#pragma once
// Base64 as RFC 4648 section 4 gives it: standard alphabet, "=" padding, no line breaks.

#include <string>
#include <string_view>

namespace quillmark::net {

std::string EncodeBase64(std::string_view bytes);

}  // namespace quillmark::net

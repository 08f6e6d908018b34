#pragma once
// A choice the session cannot follow: a malformed endpoint in the environment, or a source that
// is unknown or does not serve the pages asked for. The front ends report it as a usage error.

#include <stdexcept>
#include <string>

namespace quillmark::session {

class SessionError : public std::runtime_error {
 public:
  // "QUILLMARK_TOP_HOST: 'a/b' is not HOST or HOST:PORT": `name` is the flag or variable at fault.
  SessionError(const std::string& name, const std::string& message)
      : std::runtime_error(name + ": " + message) {}
};

}  // namespace quillmark::session

#pragma once
// The failure of a file read or write in the store: the message names the file and the reason.

#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace quillmark {

class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;

  // "cannot write /x/y.qmk: No such file or directory"
  static StoreError FromErrno(std::string_view action, const std::string& path, int error) {
    return FromReason(action, path, std::generic_category().message(error));
  }
  static StoreError FromReason(std::string_view action, const std::string& path,
                               std::string_view reason) {
    std::string message = "cannot ";
    message.append(action).append(" ").append(path).append(": ").append(reason);
    return StoreError(message);
  }
};

}  // namespace quillmark

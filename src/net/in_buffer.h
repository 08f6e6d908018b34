#pragma once
// TNetInBuffer: bytes received and not yet consumed, oldest first. Consuming from the front is
// cheap (an offset), so reading many short lines never moves the rest of the buffer each time.

#include <cstddef>
#include <string>
#include <string_view>

namespace quillmark::net {

class TNetInBuffer {
 public:
  std::size_t Size() const { return bytes_.size() - head_; }
  bool Empty() const { return Size() == 0; }
  std::string_view View() const { return std::string_view(bytes_).substr(head_); }
  void Clear();

  // Room for up to `count` bytes at the end, for a receive straight into the buffer; CommitAppend
  // says how many of them were filled.
  char* PrepareAppend(std::size_t count);
  void CommitAppend(std::size_t count);

  // Removes the first `count` bytes (at most Size()).
  void Consume(std::size_t count);
  std::string Take(std::size_t count);

 private:
  std::string bytes_;
  std::size_t head_ = 0;
  std::size_t reserved_ = 0;  // bytes_.size() includes this much scratch room while receiving
};

}  // namespace quillmark::net

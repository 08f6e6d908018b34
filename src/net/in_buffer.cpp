#include "net/in_buffer.h"

#include <algorithm>

namespace quillmark::net {

void TNetInBuffer::Clear() {
  bytes_.clear();
  head_ = 0;
}

char* TNetInBuffer::PrepareAppend(std::size_t count) {
  // Consumed bytes at the front are reclaimed here, before the buffer would grow for them.
  if (head_ > 0 && head_ >= bytes_.size() / 2) {
    bytes_.erase(0, head_);
    head_ = 0;
  }
  const std::size_t old = bytes_.size();
  bytes_.resize(old + count);
  reserved_ = count;
  return bytes_.data() + old;
}

void TNetInBuffer::CommitAppend(std::size_t count) {
  // PrepareAppend left `count` or more scratch bytes at the end; keep only the filled ones.
  bytes_.resize(bytes_.size() - (reserved_ - count));
  reserved_ = 0;
}

void TNetInBuffer::Consume(std::size_t count) {
  head_ += std::min(count, Size());
  if (head_ == bytes_.size()) Clear();
}

std::string TNetInBuffer::Take(std::size_t count) {
  count = std::min(count, Size());
  std::string out = bytes_.substr(head_, count);
  Consume(count);
  return out;
}

}  // namespace quillmark::net

#include "net/net_buffer.h"

#include <algorithm>
#include <cstring>

namespace quillmark::net {

void TNetBuffer::SetSize(std::size_t size) {
  size = size > drained_ ? size - drained_ : 0;
  if (size > bytes_.size()) bytes_.resize(size);
  if (size > size_) std::fill(bytes_.begin() + size_, bytes_.begin() + size, '\0');
  size_ = size;
  position_ = std::min(position_, size_);
}

void TNetBuffer::Clear() {
  bytes_.clear();
  size_ = 0;
  position_ = 0;
  drained_ = 0;
}

void TNetBuffer::Reserve(std::size_t size) {
  if (drain_ || size <= drained_ + bytes_.capacity()) return;
  // Never less than double, so many small reservations still grow geometrically.
  bytes_.reserve(std::max(size - drained_, 2 * bytes_.capacity()));
}

void TNetBuffer::Drain() {
  if (!drain_ || size_ == 0) return;
  const std::size_t count = size_;
  // Counted as gone before the drain runs: a drain that raises must not see them again.
  drained_ += count;
  size_ = 0;
  position_ = 0;
  drain_(std::string_view(bytes_.data(), count));
}

void TNetBuffer::Write(const char* data, std::size_t count) {
  if (count == 0) return;
  std::memcpy(PrepareWrite(count), data, count);
  CommitWrite(count);
}

std::size_t TNetBuffer::Read(char* data, std::size_t count) {
  const std::size_t n = std::min(count, size_ - position_);
  if (n > 0) std::memcpy(data, bytes_.data() + position_, n);
  position_ += n;
  return n;
}

char* TNetBuffer::PrepareWrite(std::size_t count) {
  // std::string grows geometrically, so a body received block by block is copied O(1) times.
  if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
  return bytes_.data() + position_;
}

void TNetBuffer::CommitWrite(std::size_t count) {
  position_ += count;
  size_ = std::max(size_, position_);
  Drain();
}

std::string TNetBuffer::TakeString() {
  bytes_.resize(size_);
  std::string out = std::move(bytes_);
  Clear();
  return out;
}

}  // namespace quillmark::net

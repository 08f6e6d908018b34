#pragma once
// TNetBuffer: an in-memory byte stream with a position, the sink a reply body is written into.
// It grows with what is written, never with what a peer announces. With a drain set it keeps
// nothing: every write is handed on at once, and sizes and positions count what has passed.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quillmark::net {

class TNetBuffer {
 public:
  TNetBuffer() = default;
  explicit TNetBuffer(std::string bytes) : bytes_(std::move(bytes)), size_(bytes_.size()) {}

  // Hands every write on to `drain` as soon as it is committed; the drain may raise, which
  // passes out of the write.
  void SetDrain(std::function<void(std::string_view)> drain) { drain_ = std::move(drain); }

  std::size_t Size() const { return drained_ + size_; }
  std::size_t Position() const { return drained_ + position_; }
  // Cuts the stream or extends it with zero bytes; the position stays within the new size.
  void SetSize(std::size_t size);
  void Clear();
  // Room for the stream to reach `size` without moving its bytes again; nothing with a drain set,
  // which keeps no more than one write at a time.
  void Reserve(std::size_t size);

  // Writes at the position, overwriting and then extending, and moves the position past it.
  void Write(const char* data, std::size_t count);
  void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
  // Reads up to `count` bytes from the position onward, moving the position; returns the count
  // read.
  std::size_t Read(char* data, std::size_t count);

  // Room for `count` bytes at the position, for a receive straight into the stream. The stream's
  // size is unchanged until CommitWrite says how many of them were filled.
  char* PrepareWrite(std::size_t count);
  void CommitWrite(std::size_t count);

  std::string_view View() const { return std::string_view(bytes_.data(), size_); }
  // The whole contents, moved out; the stream is left empty.
  std::string TakeString();

 private:
  void Drain();

  std::string bytes_;  // may hold scratch room beyond size_
  std::size_t size_ = 0;
  std::size_t position_ = 0;
  std::size_t drained_ = 0;  // bytes handed to the drain; they come before bytes_
  std::function<void(std::string_view)> drain_;
};

}  // namespace quillmark::net

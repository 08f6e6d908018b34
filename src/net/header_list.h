#pragma once
// TNetHeaderList: raw HTTP header lines in arrival order, looked up by name with letter case
// ignored. A line that begins with a blank or a tab continues the line above it (RFC 2616 2.2).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quillmark::net {

class TNetHeaderList {
 public:
  std::size_t Count() const { return lines_.size(); }
  const std::string& operator[](std::size_t index) const { return lines_[index]; }
  const std::vector<std::string>& Lines() const { return lines_; }
  void Add(std::string line) { lines_.push_back(std::move(line)); }
  void Clear() { lines_.clear(); }

  // The value of the first line named `name`, joined with its continuation lines; empty if none.
  std::string ValueOf(std::string_view name) const;
  // Deletes the first line named `name` and its continuation lines.
  void RemoveName(std::string_view name);

 private:
  // Index of the first line named `name`, or Count().
  std::size_t IndexOfName(std::string_view name) const;
  std::vector<std::string> lines_;
};

}  // namespace quillmark::net

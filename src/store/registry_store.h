#pragma once
// The per-user settings store: the current user's branch of a registry, kept in one text file in
// the REGEDIT4 export format under the user's configuration folder. Keys are named by their
// path, values carry their registry type, and names ignore letter case. Each write replaces the
// file atomically, so an interrupted write leaves the previous file whole.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillmark::store {

// Registry value types, numbered as the registry numbers them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

// A settings file holds a handful of values; a larger one is not ours and reads as empty.
inline constexpr std::size_t kMaxRegistryFileBytes = 1024 * 1024;
// Keys and values together; each costs far more parsed than its few bytes of text.
inline constexpr std::size_t kMaxRegistryEntries = 10000;

// "Invalid data type for 'depth'", "Failed to get data for 'depth'",
// "Failed to set data for 'depth'".
class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The parsed store: keys in file order, each with its values in order. Data is kept as the
// registry keeps it: a string with its terminating NUL, a number as four little-endian bytes.
class RegistryFile {
 public:
  struct Value {
    std::string name;
    std::uint32_t type = kRegSz;
    std::string data;
  };

  // Never fails: lines that cannot be read are skipped, and a text without the export header
  // or beyond the limits gives an empty store.
  static RegistryFile Parse(std::string_view text);
  // The export text, CR LF line ends; Parse(Text()) gives the same store back.
  std::string Text() const;

  std::size_t KeyCount() const { return keys_.size(); }
  bool HasKey(std::string_view path) const { return FindKey(path) != nullptr; }
  // Creates the key, with any missing keys above it, when it is absent.
  void CreateKey(std::string_view path);

  bool ValueExists(std::string_view path, std::string_view name) const;
  // A string value cut at its first NUL. Raises RegistryError when the value is absent or not
  // a string.
  std::string ReadString(std::string_view path, std::string_view name) const;
  // A 32-bit value, read through a four-byte buffer. Raises RegistryError when the value is
  // absent, larger than four bytes, or not a number.
  std::uint32_t ReadDword(std::string_view path, std::string_view name) const;
  // Sets the value in an existing key (CreateKey first); the text is stored with its NUL.
  void WriteString(std::string_view path, std::string_view name, std::string_view text);
  void WriteDword(std::string_view path, std::string_view name, std::uint32_t number);

  // Every key path and its values, in file order.
  std::vector<std::string> KeyPaths() const;
  const std::vector<Value>* Values(std::string_view path) const;

 private:
  struct Key {
    std::string path;
    std::vector<Value> values;
  };

  const Key* FindKey(std::string_view path) const;
  Key* FindKey(std::string_view path);
  Key& AddKey(std::string_view path);
  const Value& GetData(std::string_view path, std::string_view name) const;
  void SetData(std::string_view path, std::string_view name, std::uint32_t type, std::string data);

  std::vector<Key> keys_;
  std::unordered_map<std::string, std::size_t> index_;  // lower-cased path -> keys_ position
};

// Where the store lives: $QUILLMARK_CONFIG_DIR, else $XDG_CONFIG_HOME/quillmark, else
// ~/.config/quillmark; the file is "registry.reg" in that folder.
std::string RegistryFolder();
std::string RegistryFilePath();

// One key of the current user's branch, opened for a read or a write and closed when it goes.
// Paths are given from the root, as "\Software\Vendor\Product".
class RegistryKey {
 public:
  // Uses the key as the store holds it; never creates it. When the key or the store is
  // missing, unreadable or corrupt, the key is not open and every value counts as absent.
  static RegistryKey OpenForRead(std::string_view path);
  // Creates the key, with any missing keys above it, when it is absent. When that cannot be
  // stored, the key is not open and every write fails.
  static RegistryKey OpenForWrite(std::string_view path);

  bool IsOpen() const { return open_; }
  bool ValueExists(std::string_view name) const;
  std::string ReadString(std::string_view name) const;
  std::uint32_t ReadDword(std::string_view name) const;
  // Each write stores the whole file at once; a failure raises RegistryError ("Failed to set
  // data for '...'") and leaves the file as the earlier writes left it.
  void WriteString(std::string_view name, std::string_view text);
  void WriteDword(std::string_view name, std::uint32_t number);

 private:
  RegistryKey(std::string path, RegistryFile file, bool open);
  void Store(std::string_view name, const RegistryFile& changed);

  std::string path_;
  RegistryFile file_;
  bool open_;
};

}  // namespace quillmark::store

#include "store/registry_store.h"

#include <cstdlib>
#include <optional>
#include <utility>

#include "base/ascii.h"
#include "store/atomic_file.h"
#include "store/store_error.h"
#include "store/user_folder.h"

namespace quillmark::store {
namespace {

constexpr std::string_view kRoot = "HKEY_CURRENT_USER";
constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kHeaderVersion5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kFileName = "registry.reg";

std::string Message(std::string_view format_start, std::string_view name) {
  std::string message(format_start);
  message.append(" '").append(name).append("'");
  return message;
}

// Key paths are kept without the separators at their ends: "\Software\X\" is "Software\X".
std::string_view CleanPath(std::string_view path) {
  while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
  while (!path.empty() && path.back() == '\\') path.remove_suffix(1);
  return path;
}

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// Reads a quoted text with backslash escapes from the front of `s`; nothing when unterminated.
std::optional<std::string> TakeQuoted(std::string_view& s) {
  if (s.empty() || s.front() != '"') return std::nullopt;
  std::string out;
  for (std::size_t i = 1; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      out += s[++i];
    } else if (s[i] == '"') {
      s.remove_prefix(i + 1);
      return out;
    } else {
      out += s[i];
    }
  }
  return std::nullopt;
}

void AppendQuoted(std::string& out, std::string_view s) {
  out += '"';
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
}

// "01,ff,20": comma-separated byte pairs, blanks allowed around them; an empty list is no data.
std::optional<std::string> ParseHexBytes(std::string_view s) {
  std::string out;
  s = TrimBlanks(s);
  while (!s.empty()) {
    const std::size_t comma = s.find(',');
    const std::string_view pair = TrimBlanks(s.substr(0, comma));
    if (pair.size() != 2 || ascii::HexValue(pair[0]) < 0 || ascii::HexValue(pair[1]) < 0)
      return std::nullopt;
    out += static_cast<char>(ascii::HexValue(pair[0]) * 16 + ascii::HexValue(pair[1]));
    if (comma == std::string_view::npos) break;
    s.remove_prefix(comma + 1);
  }
  return out;
}

std::optional<std::uint32_t> ParseHexNumber(std::string_view s, std::size_t max_digits) {
  if (s.empty() || s.size() > max_digits) return std::nullopt;
  std::uint32_t n = 0;
  for (char c : s) {
    const int d = ascii::HexValue(c);
    if (d < 0) return std::nullopt;
    n = n * 16 + static_cast<std::uint32_t>(d);
  }
  return n;
}

// The data after "=": "text", dword:0000002a, hex:.. or hex(N):..
std::optional<RegistryFile::Value> ParseData(std::string_view s) {
  RegistryFile::Value value;
  if (!s.empty() && s.front() == '"') {
    std::optional<std::string> text = TakeQuoted(s);
    if (!text || !TrimBlanks(s).empty()) return std::nullopt;
    value.type = kRegSz;
    value.data = std::move(*text) + '\0';
    return value;
  }
  if (s.starts_with("dword:")) {
    const std::optional<std::uint32_t> n = ParseHexNumber(s.substr(6), 8);
    if (!n) return std::nullopt;
    value.type = kRegDword;
    for (int shift = 0; shift < 32; shift += 8) value.data += static_cast<char>(*n >> shift);
    return value;
  }
  if (s.starts_with("hex:")) {
    value.type = kRegBinary;
    s.remove_prefix(4);
  } else if (s.starts_with("hex(")) {
    const std::size_t close = s.find("):");
    const std::optional<std::uint32_t> type =
        close == std::string_view::npos ? std::nullopt : ParseHexNumber(s.substr(4, close - 4), 8);
    if (!type) return std::nullopt;
    value.type = *type;
    s.remove_prefix(close + 2);
  } else {
    return std::nullopt;
  }
  std::optional<std::string> bytes = ParseHexBytes(s);
  if (!bytes) return std::nullopt;
  value.data = std::move(*bytes);
  return value;
}

// The files write hexadecimal in lower case.
char LowerHexDigit(unsigned value) {
  return ascii::ToLower(ascii::HexDigit(value));
}

void AppendHexByte(std::string& out, char c) {
  const auto byte = static_cast<unsigned char>(c);
  out += LowerHexDigit(byte >> 4);
  out += LowerHexDigit(byte);
}

void AppendHexBytes(std::string& out, std::string_view data) {
  for (std::size_t i = 0; i < data.size(); ++i) {
    if (i > 0) out += ',';
    AppendHexByte(out, data[i]);
  }
}

void AppendData(std::string& out, const RegistryFile::Value& value) {
  const std::string_view data = value.data;
  // A string the quoted form can carry: one final NUL and no line break or other NUL.
  if (value.type == kRegSz && !data.empty() && data.back() == '\0' &&
      data.find_first_of(std::string_view("\r\n\0", 3)) == data.size() - 1) {
    AppendQuoted(out, data.substr(0, data.size() - 1));
  } else if (value.type == kRegDword && data.size() == 4) {
    out += "dword:";
    for (std::size_t i = 4; i-- > 0;) AppendHexByte(out, data[i]);
  } else {
    if (value.type == kRegBinary) {
      out += "hex:";
    } else {
      std::string type;
      for (std::uint32_t t = value.type; type.empty() || t != 0; t >>= 4)
        type.insert(type.begin(), LowerHexDigit(t));
      out.append("hex(").append(type).append("):");
    }
    AppendHexBytes(out, data);
  }
}

// The lines of the text, without their CR LF or LF ends.
std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

RegistryFile LoadStore() {
  try {
    const std::optional<std::string> text =
        ReadWholeFile(RegistryFilePath(), kMaxRegistryFileBytes);
    return text ? RegistryFile::Parse(*text) : RegistryFile();
  } catch (const StoreError&) {
    // Unreadable or too large: its values count as absent.
    return RegistryFile();
  }
}

}  // namespace

RegistryFile RegistryFile::Parse(std::string_view text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  const std::vector<std::string_view> lines = SplitLines(text);
  std::size_t at = 0;
  while (at < lines.size() && TrimBlanks(lines[at]).empty()) ++at;
  if (at == lines.size() ||
      (TrimBlanks(lines[at]) != kHeader && TrimBlanks(lines[at]) != kHeaderVersion5))
    return {};

  RegistryFile file;
  std::size_t entries = 0;
  std::optional<std::string> key;  // the key of the section being read; none to skip its lines
  for (++at; at < lines.size(); ++at) {
    std::string_view line = TrimBlanks(lines[at]);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      key.reset();
      const std::size_t close = line.rfind(']');
      if (close == std::string_view::npos) continue;
      const std::string_view path = line.substr(1, close - 1);
      // Only the current user's branch is kept; a deletion line ("[-...]") removes nothing.
      if (!ascii::EqualNoCase(path.substr(0, kRoot.size()), kRoot)) continue;
      const std::string_view rest = path.substr(kRoot.size());
      if (!rest.empty() && rest.front() != '\\') continue;
      key = std::string(CleanPath(rest));
      if (!file.HasKey(*key)) {
        if (++entries > kMaxRegistryEntries) return {};
        file.AddKey(*key);
      }
      continue;
    }
    // A hex list may go on over lines that end with a backslash.
    std::string joined;
    if (line.back() == '\\' && line.find("=hex") != std::string_view::npos) {
      joined = line.substr(0, line.size() - 1);
      while (at + 1 < lines.size()) {
        const std::string_view next = TrimBlanks(lines[++at]);
        if (next.empty() || next.back() != '\\') {
          joined += next;
          break;
        }
        joined += next.substr(0, next.size() - 1);
      }
      line = joined;
    }
    if (!key) continue;
    std::string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else {
      std::optional<std::string> quoted = TakeQuoted(line);
      if (!quoted) continue;
      name = std::move(*quoted);
    }
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '=') continue;
    std::optional<Value> value = ParseData(TrimBlanks(line.substr(1)));
    if (!value) continue;
    if (!file.ValueExists(*key, name) && ++entries > kMaxRegistryEntries) return {};
    file.SetData(*key, name, value->type, std::move(value->data));
  }
  return file;
}

std::string RegistryFile::Text() const {
  std::string out(kHeader);
  out += "\r\n";
  for (const Key& key : keys_) {
    out.append("\r\n[").append(kRoot);
    if (!key.path.empty()) out.append("\\").append(key.path);
    out += "]\r\n";
    for (const Value& value : key.values) {
      if (value.name.empty())
        out += '@';
      else
        AppendQuoted(out, value.name);
      out += '=';
      AppendData(out, value);
      out += "\r\n";
    }
  }
  return out;
}

const RegistryFile::Key* RegistryFile::FindKey(std::string_view path) const {
  const auto it = index_.find(ascii::ToLower(CleanPath(path)));
  return it == index_.end() ? nullptr : &keys_[it->second];
}

RegistryFile::Key* RegistryFile::FindKey(std::string_view path) {
  return const_cast<Key*>(std::as_const(*this).FindKey(path));
}

RegistryFile::Key& RegistryFile::AddKey(std::string_view path) {
  path = CleanPath(path);
  index_.emplace(ascii::ToLower(path), keys_.size());
  keys_.push_back(Key{std::string(path), {}});
  return keys_.back();
}

void RegistryFile::CreateKey(std::string_view path) {
  path = CleanPath(path);
  for (std::size_t end = path.find('\\');; end = path.find('\\', end + 1)) {
    const std::string_view part = path.substr(0, end);
    if (!HasKey(part)) AddKey(part);
    if (end == std::string_view::npos) break;
  }
}

std::vector<std::string> RegistryFile::KeyPaths() const {
  std::vector<std::string> paths;
  for (const Key& key : keys_) paths.push_back(key.path);
  return paths;
}

const std::vector<RegistryFile::Value>* RegistryFile::Values(std::string_view path) const {
  const Key* key = FindKey(path);
  return key ? &key->values : nullptr;
}

bool RegistryFile::ValueExists(std::string_view path, std::string_view name) const {
  if (const Key* key = FindKey(path))
    for (const Value& value : key->values)
      if (ascii::EqualNoCase(value.name, name)) return true;
  return false;
}

const RegistryFile::Value& RegistryFile::GetData(std::string_view path,
                                                 std::string_view name) const {
  if (const Key* key = FindKey(path))
    for (const Value& value : key->values)
      if (ascii::EqualNoCase(value.name, name)) return value;
  throw RegistryError(Message("Failed to get data for", name));
}

std::string RegistryFile::ReadString(std::string_view path, std::string_view name) const {
  const Value& value = GetData(path, name);
  if (value.type != kRegSz && value.type != kRegExpandSz)
    throw RegistryError(Message("Invalid data type for", name));
  const std::string_view data = value.data;
  return std::string(data.substr(0, data.find('\0')));
}

std::uint32_t RegistryFile::ReadDword(std::string_view path, std::string_view name) const {
  const Value& value = GetData(path, name);
  // The four-byte buffer is asked for first: longer data does not fit whatever its type.
  if (value.data.size() > 4) throw RegistryError(Message("Failed to get data for", name));
  if (value.type != kRegDword) throw RegistryError(Message("Invalid data type for", name));
  std::uint32_t n = 0;
  for (std::size_t i = 0; i < value.data.size(); ++i)
    n |= std::uint32_t{static_cast<unsigned char>(value.data[i])} << (8 * i);
  return n;
}

void RegistryFile::SetData(std::string_view path, std::string_view name, std::uint32_t type,
                           std::string data) {
  Key* key = FindKey(path);
  if (!key) throw RegistryError(Message("Failed to set data for", name));
  for (Value& value : key->values) {
    if (ascii::EqualNoCase(value.name, name)) {
      value.type = type;
      value.data = std::move(data);
      return;
    }
  }
  key->values.push_back(Value{std::string(name), type, std::move(data)});
}

void RegistryFile::WriteString(std::string_view path, std::string_view name,
                               std::string_view text) {
  std::string data(text);
  data += '\0';
  SetData(path, name, kRegSz, std::move(data));
}

void RegistryFile::WriteDword(std::string_view path, std::string_view name, std::uint32_t number) {
  std::string data;
  for (int shift = 0; shift < 32; shift += 8) data += static_cast<char>(number >> shift);
  SetData(path, name, kRegDword, std::move(data));
}

std::string RegistryFolder() {
  return UserFolder("QUILLMARK_CONFIG_DIR", "XDG_CONFIG_HOME", ".config");
}

std::string RegistryFilePath() {
  return RegistryFolder() + "/" + std::string(kFileName);
}

RegistryKey::RegistryKey(std::string path, RegistryFile file, bool open)
    : path_(std::move(path)), file_(std::move(file)), open_(open) {}

RegistryKey RegistryKey::OpenForRead(std::string_view path) {
  RegistryFile file = LoadStore();
  const bool open = file.HasKey(path);
  return RegistryKey(std::string(path), std::move(file), open);
}

RegistryKey RegistryKey::OpenForWrite(std::string_view path) {
  RegistryFile file = LoadStore();
  if (file.HasKey(path)) return RegistryKey(std::string(path), std::move(file), true);
  file.CreateKey(path);
  const std::string text = file.Text();
  bool open = text.size() <= kMaxRegistryFileBytes && MakeFolders(RegistryFolder());
  if (open) {
    try {
      ReplaceFileAtomically(RegistryFilePath(), text);
    } catch (const StoreError&) {
      open = false;
    }
  }
  return RegistryKey(std::string(path), std::move(file), open);
}

bool RegistryKey::ValueExists(std::string_view name) const {
  return open_ && file_.ValueExists(path_, name);
}

std::string RegistryKey::ReadString(std::string_view name) const {
  if (!open_) throw RegistryError(Message("Failed to get data for", name));
  return file_.ReadString(path_, name);
}

std::uint32_t RegistryKey::ReadDword(std::string_view name) const {
  if (!open_) throw RegistryError(Message("Failed to get data for", name));
  return file_.ReadDword(path_, name);
}

void RegistryKey::WriteString(std::string_view name, std::string_view text) {
  RegistryFile changed = file_;
  changed.WriteString(path_, name, text);
  Store(name, changed);
}

void RegistryKey::WriteDword(std::string_view name, std::uint32_t number) {
  RegistryFile changed = file_;
  changed.WriteDword(path_, name, number);
  Store(name, changed);
}

void RegistryKey::Store(std::string_view name, const RegistryFile& changed) {
  const RegistryError failed(Message("Failed to set data for", name));
  if (!open_) throw failed;
  // A file too large to read back would lose every value: refuse the write instead.
  const std::string text = changed.Text();
  if (text.size() > kMaxRegistryFileBytes) throw failed;
  try {
    ReplaceFileAtomically(RegistryFilePath(), text);
  } catch (const StoreError&) {
    throw failed;
  }
  file_ = changed;
}

}  // namespace quillmark::store
